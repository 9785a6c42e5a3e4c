// Search, sort and delete, checked against the book on disk and the sounds and questions given.
#include "tests/support/helpers.h"
#include "tests/support/main_fixture.h"

#include <QCoreApplication>
#include <QKeyEvent>

using testing_support::Contact;

namespace {

class SearchSortDeleteTest : public testing_support::MainFixture {
protected:
    void open(const std::vector<Contact>& contacts)
    {
        start(contacts);
        add_sounds({"trovato.wav", "nontrovato.wav", "ordina.wav", "cancella.wav"});
        doubles->sound->played.clear();
    }
    std::string current_nick() const { return form->TDBGrid1->Columns("nick"); }
    std::string card_nick() const { return form->lnick->text().toStdString(); }
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
        form->TDBGrid1->setFocus();
        doubles->sound->played.clear();
        form->find->setText(QString::fromStdString(text));
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
        QCoreApplication::sendEvent(form->find, &enter);
    }
    // From the row `from` (whose nick is `stays`), the text finds this nick, or "" for none.
    void expect_search(const char* text, const char* nick, long from, const char* stays)
    {
        SCOPED_TRACE(text);
        ASSERT_TRUE(form->TDBGrid1->userMoveTo(from, 0));
        search(text);
        EXPECT_EQ(doubles->sound->played, heard({*nick ? "trovato.wav" : "nontrovato.wav"}));
        EXPECT_EQ(current_nick(), *nick ? nick : stays);
        EXPECT_EQ(card_nick(), current_nick());
    }
    void answer_delete(int answer) { doubles->messages->answers.push_back(answer); form->Image7_Click(); }
};

// In nick order, so the search meets them in this order whatever the book's key order.
const std::vector<Contact> kPeople = {
    {{"nick", "anna"}, {"nome", "Zelda Rossi"}, {"email", "z.rossi@example.com"}},
    {{"nick", "Bruno"}, {"nome", "Carla Bianchi"}, {"email", "bruno@example.org"}},
    {{"nick", "carla"}, {"nome", "Carla Neri"}, {"email", "cn@example.net"}},
    {{"nick", "Dario"}, {"nome", " Dario con un blank"}},
    {{"nick", "Ma\"rio"}, {"nome", "Mario Verdi"}},
    {{"nick", "x1"}, {"nome", "Ics Uno"}},
    {{"nick", "x_y"}, {"nome", "Ics Ipsilon"}},
};

TEST_F(SearchSortDeleteTest, EnterSearchesForTheFirstContactWhoseNickNameOrEmailBeginsWithTheText)
{
    const std::pair<const char*, const char*> cases[] = {   // text, nick found ("" for none)
        {"Zel", "anna"}, {"ANN", "anna"}, {"carla", "carla"},   // a nick wins over an earlier name
        {"cn@", "carla"}, {" ", "Dario"}, {"  ", ""}, {"Ma\"r", "Ma\"rio"}, {"x\" or nick like \"", ""},
        {"\"", ""}, {"?ar", "carla"}, {"x#", "x1"}, {"[bd]", "Bruno"}, {"*Verdi", "Ma\"rio"},
        {"x_", "x_y"}, {"%", ""},   // no SQL wildcards
    };
    open(kPeople);
    for (const auto& [text, nick] : cases)
        expect_search(text, nick, 5, "x1");
    search("");
    EXPECT_EQ(doubles->sound->played, heard({"nontrovato.wav"}));
    EXPECT_EQ(form->focusWidget(), form->find);   // an empty text sends the user back to the box
    EXPECT_EQ(current_nick(), "x1");
    EXPECT_TRUE(doubles->messages->shown.empty());
}

// Rows written since the list was read keep their places until it is read again; the search
// finds them there, with what they hold now.
TEST_F(SearchSortDeleteTest, ContactsAddedOrEditedSinceTheStartAreFoundWithWhatTheyHoldNow)
{
    open(kPeople);
    type_new_nick("Aaron");
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(1, 1));   // Aaron written, at the end of the list
    form->TDBGrid1->userEditCell(1, "Yves Bruno");
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(2, 0));
    form->TDBGrid1->userEditCell(0, "Zeta");   // carla, who keeps her place and her name
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(5, 0));
    ASSERT_EQ(stored_count(), 8);
    const std::pair<const char*, const char*> cases[] = {   // text, nick found ("" for none)
        {"Aar", "Aaron"}, {"yve", "Bruno"}, {"ZET", "Zeta"}, {"carla N", "Zeta"}, {"A", "anna"},
        {"Carla B", ""}, {"carla", "Zeta"}, {"x", "x1"},
    };
    for (const auto& [text, nick] : cases)
        expect_search(text, nick, 3, "Dario");
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(3, 0));
    search("Aar");
    EXPECT_EQ(form->TDBGrid1->currentRow(), 7);
    search("Zet");
    EXPECT_EQ(form->TDBGrid1->currentRow(), 2);
}

const std::vector<Contact> kRated = {   // by score, then nick: carlo, bea, Eva, Zoe, Ada
    {{"nick", "Zoe"}, {"nome", "Alba"}, {"punti", "400"}, {"simpatia", "2"}, {"bellezza", "5"}, {"affinita", "1"},
     {"cultura", "3"}, {"foto2", "demo1.jpg"}},
    {{"nick", "bea"}, {"nome", "Dora"}, {"punti", "400"}, {"simpatia", "5"}, {"bellezza", "1"}, {"affinita", "4"},
     {"cultura", "3"}},
    {{"nick", "Ada"}, {"nome", "Cleo"}, {"punti", "120"}, {"simpatia", "5"}, {"bellezza", "3"}, {"affinita", "2"},
     {"cultura", "1"}, {"foto1", "/tmp/a.jpg"}},
    {{"nick", "carlo"}, {"nome", "Bice"}, {"punti", "1000"}, {"simpatia", "0"}, {"bellezza", "4"}, {"affinita", "3"},
     {"cultura", "5"}},
    {{"nick", "Eva"}, {"nome", "Ebe"}, {"punti", "400"}, {"simpatia", "3"}, {"bellezza", "2"}, {"affinita", "5"},
     {"cultura", "2"}, {"foto5", "demo2.jpg"}},
};

// Each item of the sort button's menu lists its order and puts its first contact on the card.
TEST_F(SearchSortDeleteTest, EachSortItemListsItsOrder)
{
    const std::pair<int, std::vector<std::string>> cases[] = {
        {0, {"Ada", "bea", "carlo", "Eva", "Zoe"}},
        {1, {"Zoe", "carlo", "Ada", "bea", "Eva"}},
        {3, {"carlo", "bea", "Eva", "Zoe", "Ada"}},   // equal scores in nick order
        {4, {"Ada", "bea", "Eva", "Zoe", "carlo"}},
        {5, {"Zoe", "carlo", "Ada", "Eva", "bea"}},
        {6, {"Eva", "bea", "carlo", "Ada", "Zoe"}},
        {7, {"carlo", "bea", "Zoe", "Eva", "Ada"}},
        {9, {"Ada", "Eva", "Zoe", "bea", "carlo"}},   // those with a photo first
    };
    open(kRated);
    form->Image11_Click();
    ASSERT_EQ(doubles->popup_menu->shown, std::vector<QMenu*>{form->menupop1});
    const auto items = form->menupop1->actions();
    ASSERT_EQ(items.size(), 10);
    for (const auto& [index, order] : cases) {
        SCOPED_TRACE(index);
        ASSERT_TRUE(form->TDBGrid1->userMoveTo(3, 0));
        doubles->sound->played.clear();
        items[index]->trigger();
        EXPECT_EQ(listed_nicks(), order);
        EXPECT_EQ(card_nick(), order.front());
        EXPECT_EQ(doubles->sound->played, heard({"ordina.wav"}));
    }
}

// The question is in the user's language and defaults to no; a no leaves the row as it was.
TEST_F(SearchSortDeleteTest, DeleteAnsweredNoKeepsAllAndYesRemovesTheStoredContact)
{
    preset("lingua", "1");
    open(kPeople);
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(1, 0));
    form->TDBGrid1->setMarqueeStyle(6);
    answer_delete(platform::vbNo);
    ASSERT_EQ(doubles->messages->shown.size(), 1u);
    EXPECT_EQ(doubles->messages->shown[0].text, "Confermi la cancellazione del nick?");
    EXPECT_EQ(doubles->messages->shown[0].style, platform::vbYesNo | platform::vbCritical | platform::vbDefaultButton2);
    EXPECT_EQ(doubles->messages->shown[0].title, "Tavoly");
    EXPECT_EQ(form->TDBGrid1->MarqueeStyle(), 3);
    EXPECT_EQ(stored_count(), 7);
    EXPECT_TRUE(doubles->sound->played.empty());

    answer_delete(platform::vbYes);
    EXPECT_TRUE(stored("Bruno").empty());
    EXPECT_EQ(stored_count(), 6);
    EXPECT_NE(current_nick(), "Bruno");
    EXPECT_EQ(card_nick(), current_nick());
    EXPECT_EQ(doubles->sound->played, heard({"cancella.wav"}));
}

// From the add-new row nothing stored goes; a pending addition is discarded.
TEST_F(SearchSortDeleteTest, DeleteAsksFirstAndRemovesOnlyTheStoredContactItStandsOn)
{
    open(kRated);
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(1, 0));
    answer_delete(platform::vbNo);
    ASSERT_EQ(doubles->messages->shown.size(), 1u);
    EXPECT_EQ(doubles->messages->shown[0].style, platform::vbYesNo | platform::vbCritical | platform::vbDefaultButton2);
    EXPECT_EQ(stored_count(), 5);
    EXPECT_TRUE(doubles->sound->played.empty());
    answer_delete(platform::vbYes);
    EXPECT_TRUE(stored("bea").empty());
    EXPECT_EQ(stored_count(), 4);
    EXPECT_EQ(card_nick(), current_nick());
    EXPECT_EQ(doubles->sound->played, heard({"cancella.wav"}));
    form->ord_Click(3);
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(add_new_row(), 0));
    doubles->sound->played.clear();
    answer_delete(platform::vbYes);
    EXPECT_EQ(messages().back(), "Do you confirm the cancellation of the nick?");
    EXPECT_EQ(form->TDBGrid1->AddNewState(), 0);
    EXPECT_EQ(current_nick(), "Ada");
    EXPECT_EQ(card_nick(), "Ada");
    EXPECT_EQ(doubles->sound->played, heard({"cancella.wav"}));
    type_new_nick("Nuovo");
    ASSERT_EQ(form->TDBGrid1->AddNewState(), 2);
    answer_delete(platform::vbYes);
    EXPECT_NE(form->TDBGrid1->AddNewState(), 2);
    form->TDBGrid1->CommitRowEdit();
    EXPECT_TRUE(stored("Nuovo").empty());
    EXPECT_EQ(stored_count(), 4);
    for (const auto& contact : kRated)
        EXPECT_EQ(stored(contact.at("nick"))["nome"], contact.at("nick") == "bea" ? "" : contact.at("nome"));
    form.reset();
    open({});   // an empty book: nothing to delete
    answer_delete(platform::vbYes);
    EXPECT_EQ(stored_count(), 0);
    EXPECT_EQ(form->TDBGrid1->AddNewState(), 1);
    EXPECT_EQ(doubles->sound->played, heard({"cancella.wav"}));
}

} // namespace

// Letter case never counts, for any letter; accented letters sort beside their base letters.
TEST_F(SearchSortDeleteTest, EveryLettersCaseIsIgnoredAndAccentsSortBesideTheirBaseLetters)
{
    open({{{"nick", "Zeta"}, {"nome", "Òscar"}}, {{"nick", "èlo"}, {"nome", "zoe"}},
          {{"nick", "elp"}, {"nome", "Anna"}}, {{"nick", "Elo"}, {"nome", "Ugo"}}});
    form->ord_Click(0);
    EXPECT_EQ(listed_nicks(), (std::vector<std::string>{"Elo", "èlo", "elp", "Zeta"}));
    form->ord_Click(1);
    EXPECT_EQ(listed_nicks(), (std::vector<std::string>{"elp", "Zeta", "Elo", "èlo"}));
    search("ÈL");
    EXPECT_EQ(current_nick(), "èlo");
    search("òS");
    EXPECT_EQ(current_nick(), "Zeta");
    type_new_nick("ÈLO");   // the nick "èlo" already there
    EXPECT_FALSE(form->TDBGrid1->userMoveTo(0, 0));
    EXPECT_EQ(messages(), std::vector<std::string>{"The nick is already existing in list!"});
    EXPECT_EQ(stored_count(), 4);
}

TEST_F(SearchSortDeleteTest, ABookOfTheEarlierShapeIsUpgradedOnOpenKeepingEveryContact)
{
    open({});
    form.reset();
    const std::string book = program + "/contatti.mdb";
    QFile::remove(QString::fromStdString(book));
    const char* earlier =
        "create table contatti (nick text collate nocase, nome text collate nocase, note text collate nocase,"
        " email text collate nocase, foto1 text, foto2 text, foto3 text, foto4 text, foto5 text,"
        " simpatia integer, bellezza integer, intelligenza integer, affinita integer, cultura integer,"
        " punti real, id integer primary key autoincrement);"
        "create unique index contatti_nick on contatti (nick);"
        "create index contatti_punti on contatti (punti desc, nick);"
        "create view qcontatti as select nick, nome, note, email, foto1, foto2, foto3, foto4, foto5,"
        " simpatia, bellezza, intelligenza, affinita, cultura, punti, id,"
        " (case when foto1 <> '' then -1 else 0 end) as espr1 from contatti;"
        "insert into contatti (nick, punti, id) values ('èlo', 40, 3), ('ÈLO', 80, 7), ('zed', 0, 9);"
        "delete from contatti where id = 9;";
    ASSERT_EQ(testing_support::RawBook(book).exec(earlier), SQLITE_OK);
    load();
    EXPECT_EQ(messages(), std::vector<std::string>{});
    form->ord_Click(3);
    EXPECT_EQ(listed_nicks(), (std::vector<std::string>{"ÈLO", "èlo"}));
    EXPECT_EQ(form->Data1.recordset().bookmark(0), 7);
    form.reset();
    // What the standard shell does: open, read, check; and the next id is still a new one.
    testing_support::RawBook db(book);
    std::string answers;
    const auto collect = [](void* out, int n, char** values, char**) {
        for (int i = 0; i < n; ++i)
            *static_cast<std::string*>(out) += std::string(values[i] ? values[i] : "-") + ";";
        return 0;
    };
    EXPECT_EQ(sqlite3_exec(db.db, "pragma integrity_check; select righe from conteggio;"
                               "insert into contatti (nick) values ('nuovo'); select max(id) from contatti",
                           collect, &answers, nullptr), SQLITE_OK) << sqlite3_errmsg(db.db);
    EXPECT_EQ(answers, "ok;2;10;");
}
