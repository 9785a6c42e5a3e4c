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
    // The texts both languages leave alone.
    std::vector<QString> fixed() const
    {
        return {form->mnuLan->title(), form->mnuLanEnglish->text(), form->mnuLanItalian->text(),
                form->find->toolTip(), form->windowTitle(), form->ord[2]->text(), form->ord[8]->text()};
    }
    int checks() const { return int(form->mnuLanEnglish->isChecked()) + int(form->mnuLanItalian->isChecked()); }
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

TEST_F(LanguageTest, ItalianAndBackRestoresEveryTextWithOneCheckMark)
{
    start({});
    const std::vector<QString> english = texts();
    const std::vector<QString> unchanged = fixed();
    EXPECT_EQ(english[5], "Sort for Nick");
    EXPECT_EQ(english[24], "Execution automatic");
    EXPECT_TRUE(form->mnuLanEnglish->isChecked());

    // Every text changes but the empty caption, which stays empty.
    form->mnuLanItalian->trigger();
    EXPECT_EQ(form->lingua, 1);
    EXPECT_EQ(setting("lingua"), "1");
    EXPECT_TRUE(form->mnuLanItalian->isChecked());
    EXPECT_EQ(checks(), 1);
    const std::vector<QString> italian = texts();
    for (size_t i = 0; i + 1 < italian.size(); ++i)
        EXPECT_NE(italian[i], english[i]) << i;
    EXPECT_EQ(italian.back(), "");
    EXPECT_EQ(italian[3], "Affinità");
    EXPECT_EQ(italian[5], "Ordina per for Nick");
    EXPECT_EQ(italian[15], "Doppio click per inviare l'E-mail");
    EXPECT_EQ(fixed(), unchanged);

    // The language in force chosen again: saved again, nothing else moves.
    preset("lingua", "x");
    form->mnuLanItalian->trigger();
    EXPECT_EQ(setting("lingua"), "1");
    EXPECT_EQ(checks(), 1);
    EXPECT_TRUE(form->mnuLanItalian->isChecked());

    form->mnuLanEnglish->trigger();
    EXPECT_EQ(setting("lingua"), "0");
    EXPECT_TRUE(form->mnuLanEnglish->isChecked());
    EXPECT_EQ(checks(), 1);
    EXPECT_EQ(texts(), english);
    EXPECT_EQ(fixed(), unchanged);
}

TEST_F(LanguageTest, AStoredItalianIsAppliedAtStart)
{
    preset("lingua", "it");
    start({});
    EXPECT_EQ(form->Label1[0]->text(), "Simpatia");
    EXPECT_TRUE(form->mnuLanItalian->isChecked());
}

TEST_F(LanguageTest, MessagesAndDialogTitlesFollowASwitchAtOnce)
{
    start({{{"nick", "Anna"}}});
    form->mnuLanItalian->trigger();
    form->manca_nick();
    form->Image7_Click();
    form->Image2_Click();
    ASSERT_EQ(doubles->messages->shown.size(), 2u);
    EXPECT_EQ(doubles->messages->shown[0].text, "Manca il nick!");
    EXPECT_EQ(doubles->messages->shown[1].text, "Confermi la cancellazione del nick?");
    ASSERT_EQ(doubles->open_file->requests.size(), 1u);
    EXPECT_EQ(doubles->open_file->requests[0].title, "Inserisci foto");

    form->mnuLanEnglish->trigger();
    form->manca_nick();
    EXPECT_EQ(doubles->messages->shown.back().text, "The nick miss!");
}

} // namespace
