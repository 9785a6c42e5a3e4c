// Search, sort and delete on the contact list, checked against the book on disk and the
// sounds and questions the window gives.
#include "tests/support/main_fixture.h"

#include <QCoreApplication>
#include <QFile>
#include <QFocusEvent>
#include <QKeyEvent>

using testing_support::Contact;
using testing_support::MainFixture;

namespace {

class SearchSortDeleteTest : public MainFixture {
protected:
    // The window plays a sound only when its file is in the program folder.
    void open(const std::vector<Contact>& contacts)
    {
        start(contacts);
        for (const char* name : {"trovato.wav", "nontrovato.wav", "ordina.wav", "cancella.wav"}) {
            QFile f(QString::fromStdString(program + "/" + name));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
        doubles->sound->played.clear();
    }
    std::vector<std::string> sounds(std::initializer_list<const char*> names) const
    {
        std::vector<std::string> paths;
        for (const char* name : names)
            paths.push_back(program + "/" + name);
        return paths;
    }
    std::string current_nick() const { return form->TDBGrid1->Columns("nick"); }
    std::string card_nick() const { return form->lnick->text().toStdString(); }
    long add_new_row() const { return form->TDBGrid1->model()->rowCount() - 1; }
    std::vector<std::string> listed_nicks()
    {
        auto& records = form->Data1.recordset();
        std::vector<std::string> nicks;
        for (long row = 0; row < records.size(); ++row)
            nicks.push_back(records.value(row, records.column_index("nick")).value_or(""));
        return nicks;
    }
    void search(const std::string& text)
    {
        form->find->setText(QString::fromStdString(text));
        form->Image6_Click();
    }
    void answer_delete(int answer)
    {
        doubles->messages->answers.push_back(answer);
        form->Image7_Click();
    }
};

// Listed in nick order, so the search goes by the same order whatever the book's key order.
const std::vector<Contact> kPeople = {
    {{"nick", "anna"}, {"nome", "Zelda Rossi"}, {"email", "z.rossi@example.com"}},
    {{"nick", "Bruno"}, {"nome", "Carla Bianchi"}, {"email", "bruno@example.org"}},
    {{"nick", "carla"}, {"nome", "Carla Neri"}, {"email", "cn@example.net"}},
    {{"nick", "Dario"}, {"nome", " Dario con un blank"}},
    {{"nick", "Ma\"rio"}, {"nome", "Mario Verdi"}},
    {{"nick", "x1"}, {"nome", "Ics Uno"}},
    {{"nick", "x_y"}, {"nome", "Ics Ipsilon"}},
};

TEST_F(SearchSortDeleteTest, AnEmptySearchTextOnlySoundsAndGivesTheBoxTheFocus)
{
    open(kPeople);
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(2, 0));
    form->TDBGrid1->setFocus();
    ASSERT_NE(form->focusWidget(), form->find);
    doubles->sound->played.clear();
    search("");
    EXPECT_EQ(doubles->sound->played, sounds({"nontrovato.wav"}));
    EXPECT_EQ(form->focusWidget(), form->find);
    EXPECT_EQ(form->TDBGrid1->currentRow(), 2);
    EXPECT_EQ(current_nick(), "carla");
}

TEST_F(SearchSortDeleteTest, ASearchFindsTheFirstContactWhoseNickNameOrEmailBeginsWithTheText)
{
    struct Case {
        const char* text;
        const char* nick;   // "" when nothing matches
    };
    const Case cases[] = {
        {"Zel", "anna"},           // begins only a name
        {"ANN", "anna"},           // capitals find lower case
        {"carla", "carla"},        // a nick wins over an earlier contact's name
        {"cn@", "carla"},          // the e-mail address
        {" ", "Dario"},            // blanks are a text, not nothing
        {"  ", ""},
        {"Ma\"r", "Ma\"rio"},      // a quote is a character of the text
        {"x\" or nick like \"", ""},
        {"\"", ""},
        {"?ar", "carla"},          // the user's pattern characters keep their meaning
        {"x#", "x1"},
        {"[bd]", "Bruno"},
        {"*Verdi", "Ma\"rio"},
        {"x_", "x_y"},             // no SQL wildcards
        {"%", ""},
        {"zzz", ""},
    };
    open(kPeople);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_TRUE(form->TDBGrid1->userMoveTo(5, 0));
        form->TDBGrid1->setMarqueeStyle(6);
        doubles->sound->played.clear();
        search(c.text);
        if (*c.nick == '\0') {
            EXPECT_EQ(doubles->sound->played, sounds({"nontrovato.wav"}));
            continue;
        }
        EXPECT_EQ(doubles->sound->played, sounds({"trovato.wav"}));
        EXPECT_EQ(current_nick(), c.nick);
        EXPECT_EQ(card_nick(), c.nick);
        EXPECT_EQ(form->TDBGrid1->MarqueeStyle(), 3);
    }
    EXPECT_TRUE(doubles->messages->shown.empty());
}

TEST_F(SearchSortDeleteTest, EnterInTheSearchBoxSearchesAndFocusSelectsTheLastText)
{
    open(kPeople);
    form->find->setText("dar");
    QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
    QCoreApplication::sendEvent(form->find, &focus);
    EXPECT_EQ(form->find->selectedText(), "dar");

    QKeyEvent letter(QEvent::KeyPress, Qt::Key_I, Qt::NoModifier, "i");
    QCoreApplication::sendEvent(form->find, &letter);
    EXPECT_EQ(form->find->text(), "i");
    EXPECT_TRUE(doubles->sound->played.empty());

    form->find->setText("dar");
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    QCoreApplication::sendEvent(form->find, &enter);
    EXPECT_EQ(doubles->sound->played, sounds({"trovato.wav"}));
    EXPECT_EQ(current_nick(), "Dario");
}

const std::vector<Contact> kRated = {
    {{"nick", "Zoe"}, {"nome", "Alba"}, {"punti", "400"}, {"simpatia", "2"}, {"foto2", "demo1.jpg"}},
    {{"nick", "bea"}, {"nome", "Dora"}, {"punti", "400"}, {"simpatia", "5"}},
    {{"nick", "Ada"}, {"nome", "Cleo"}, {"punti", "120"}, {"simpatia", "5"}, {"foto1", "/tmp/a.jpg"}},
    {{"nick", "carlo"}, {"nome", "Bice"}, {"punti", "1000"}, {"simpatia", "0"}},
    {{"nick", "Eva"}, {"nome", "Ebe"}, {"punti", "400"}, {"simpatia", "3"}, {"foto5", "demo2.jpg"}},
};

TEST_F(SearchSortDeleteTest, EachSortListsItsOrderAndPutsItsFirstContactOnTheCard)
{
    struct Case {
        int16_t index;
        std::vector<std::string> order;
    };
    const Case cases[] = {
        {0, {"Ada", "bea", "carlo", "Eva", "Zoe"}},
        {1, {"Zoe", "carlo", "Ada", "bea", "Eva"}},
        {3, {"carlo", "bea", "Eva", "Zoe", "Ada"}},   // equal scores in nick order
        {4, {"Ada", "bea", "Eva", "Zoe", "carlo"}},
        {9, {"Ada", "Eva", "Zoe", "bea", "carlo"}},   // those with a photo first
        {2, {"Ada", "Eva", "Zoe", "bea", "carlo"}},   // a separator keeps the order
    };
    open(kRated);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        ASSERT_TRUE(form->TDBGrid1->userMoveTo(3, 0));
        form->TDBGrid1->setMarqueeStyle(6);
        doubles->sound->played.clear();
        form->ord_Click(c.index);
        EXPECT_EQ(listed_nicks(), c.order);
        EXPECT_EQ(form->TDBGrid1->currentRow(), 0);
        EXPECT_EQ(card_nick(), c.order.front());
        EXPECT_EQ(doubles->sound->played, sounds({"ordina.wav"}));
        EXPECT_EQ(form->TDBGrid1->MarqueeStyle(), 3);
    }
}

TEST_F(SearchSortDeleteTest, TheSortButtonPopsUpTheMenuWhoseItemsSort)
{
    open(kRated);
    form->Image11_Click();
    ASSERT_EQ(doubles->popup_menu->shown, std::vector<QMenu*>{form->menupop1});
    const auto items = form->menupop1->actions();
    ASSERT_EQ(items.size(), 10);
    EXPECT_EQ(items[0]->text(), "Sort for Nick");
    EXPECT_EQ(items[9]->text(), "Sort with Photo");
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(items[i]->isSeparator(), i == 2 || i == 8) << i;
    items[3]->trigger();
    EXPECT_EQ(form->Data1.RecordSource, "select * from qcontatti order by punti desc, nick");
    EXPECT_EQ(card_nick(), "carlo");
}

TEST_F(SearchSortDeleteTest, DeleteAnsweredNoChangesNothingAndIsSilent)
{
    preset("lingua", "1");
    open(kPeople);
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(1, 0));
    form->TDBGrid1->setMarqueeStyle(6);
    answer_delete(platform::vbNo);
    ASSERT_EQ(doubles->messages->shown.size(), 1u);
    EXPECT_EQ(doubles->messages->shown[0].text, "Confermi la cancellazione del nick?");
    EXPECT_EQ(doubles->messages->shown[0].style,
              platform::vbYesNo | platform::vbCritical | platform::vbDefaultButton2);
    EXPECT_EQ(doubles->messages->shown[0].title, "Tavoly");
    EXPECT_EQ(form->TDBGrid1->MarqueeStyle(), 3);
    EXPECT_EQ(stored_count(), 7);
    EXPECT_EQ(current_nick(), "Bruno");
    EXPECT_TRUE(doubles->sound->played.empty());
}

TEST_F(SearchSortDeleteTest, DeleteAnsweredYesRemovesTheStoredContactAndTheCardFollows)
{
    open(kPeople);
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(1, 0));
    answer_delete(platform::vbYes);
    EXPECT_EQ(doubles->messages->shown.at(0).text, "Do you confirm the cancellation of the nick?");
    EXPECT_TRUE(stored("Bruno").empty());
    EXPECT_EQ(stored_count(), 6);
    EXPECT_FALSE(stored("anna").empty());
    EXPECT_FALSE(stored("carla").empty());
    EXPECT_NE(current_nick(), "Bruno");
    EXPECT_EQ(card_nick(), current_nick());
    EXPECT_EQ(doubles->sound->played, sounds({"cancella.wav"}));
}

TEST_F(SearchSortDeleteTest, DeleteOnTheEmptyAddNewRowMakesTheLastContactOfTheOrderCurrent)
{
    open(kRated);
    form->ord_Click(3);
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(add_new_row(), 0));
    doubles->sound->played.clear();
    answer_delete(platform::vbYes);
    EXPECT_EQ(stored_count(), 5);
    EXPECT_EQ(form->TDBGrid1->AddNewState(), 0);
    EXPECT_EQ(current_nick(), "Ada");
    EXPECT_EQ(card_nick(), "Ada");
    EXPECT_EQ(doubles->sound->played, sounds({"cancella.wav"}));
}

TEST_F(SearchSortDeleteTest, DeleteInAnEmptyBookOnlySounds)
{
    open({});
    answer_delete(platform::vbYes);
    EXPECT_EQ(stored_count(), 0);
    EXPECT_EQ(form->TDBGrid1->AddNewState(), 1);
    EXPECT_EQ(doubles->sound->played, sounds({"cancella.wav"}));
}

TEST_F(SearchSortDeleteTest, DeleteWhileAnAdditionIsPendingDiscardsOnlyTheNewRow)
{
    open(kRated);
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(add_new_row(), 0));
    form->TDBGrid1->userEditCell(0, "Nuovo");
    ASSERT_EQ(form->TDBGrid1->AddNewState(), 2);
    answer_delete(platform::vbYes);
    EXPECT_NE(form->TDBGrid1->AddNewState(), 2);
    form->TDBGrid1->CommitRowEdit();
    EXPECT_TRUE(stored("Nuovo").empty());
    EXPECT_EQ(stored_count(), 5);
    for (const auto& contact : kRated)
        EXPECT_EQ(stored(contact.at("nick"))["nome"], contact.at("nome"));
    EXPECT_EQ(doubles->sound->played, sounds({"cancella.wav"}));
}

} // namespace
