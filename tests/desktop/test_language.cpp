// The two interface languages: the window's texts, the language menu and its setting.
#include "tests/support/main_fixture.h"

using testing_support::MainFixture;

namespace {

class LanguageTest : public MainFixture {
protected:
    // Every text the language sets, in the order it sets them.
    std::vector<QString> texts() const
    {
        std::vector<QString> out;
        for (QLabel* l : form->Label1)
            out.push_back(l->text());
        for (int i : {0, 1, 3, 4, 5, 6, 7, 9})
            out.push_back(form->ord[i]->text());
        out.push_back(form->chiudi->text());
        for (QWidget* w : std::initializer_list<QWidget*>{form->suono_on, form->Text2, form->Image7, form->Image6,
                                                          form->Image3, form->Image2, form->Image15, form->Image13,
                                                          form->Image12, form->Image11})
            out.push_back(w->toolTip());
        for (QAction* a : {form->avvioautom, form->ImpOut, form->ImpC6})
            out.push_back(a->text());
        out.push_back(form->attendere->text());
        return out;
    }
    std::string checked() const   // the language menu's check marks
    {
        return std::string(form->mnuLanEnglish->isChecked() ? "en" : "") + (form->mnuLanItalian->isChecked() ? "it" : "");
    }
};

// Any stored value but "0" is Italian.
TEST_F(LanguageTest, EveryTextFollowsTheLanguageWithOneCheckMark)
{
    preset("lingua", "it");
    start({});
    const std::vector<QString> italian = texts();
    EXPECT_EQ(checked(), "it");
    form->mnuLanEnglish->trigger();
    EXPECT_EQ(form->lingua, 0);
    EXPECT_EQ(setting("lingua"), "0");
    EXPECT_EQ(checked(), "en");
    const std::vector<QString> english = texts();
    for (size_t i = 0; i + 1 < english.size(); ++i)
        EXPECT_NE(italian[i], english[i]) << i;
    EXPECT_EQ(english.back(), "");
    form->mnuLanItalian->trigger();
    EXPECT_EQ(setting("lingua"), "1");
    EXPECT_EQ(checked(), "it");
    EXPECT_EQ(texts(), italian);
}

// The design texts read the same in both languages, and the buttons without a tool tip keep
// none.
TEST_F(LanguageTest, TheDesignTextsStayInBothLanguages)
{
    start({});
    for (const auto& switch_to : {&Main::mnuLanItalian_Click, &Main::mnuLanEnglish_Click}) {
        (form.get()->*switch_to)();
        EXPECT_EQ(form->Image10->toolTip(), "Links");
        EXPECT_EQ(form->find->toolTip(), "Inserire il nick da trovare");
        EXPECT_EQ(form->mnuLan->title() + form->mnuLanEnglish->text() + form->mnuLanItalian->text(),
                  "LanguageEnglishItalian");
        for (QWidget* w : std::initializer_list<QWidget*>{form->Image4, form->Image5, form->Image8, form->Image9,
                                                          form->Image14, form->Image16, form->ImgHelp, form->ImgSet,
                                                          form->suono_off})
            EXPECT_EQ(w->toolTip(), "") << w->objectName().toStdString();
    }
}

} // namespace
