// The imports from a C6 buddy file and an MS Outlook export, with real files and the real
// encrypted book, read back from the file afterwards.
#include "tests/support/helpers.h"
#include "tests/support/main_fixture.h"

#include "platform/data_control.h"
#include "platform/files.h"
#include "platform/runtime.h"
#include "platform/screen.h"
#include "platform/services.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

using namespace std::string_literals;
using testing_support::Contact;
using testing_support::write_file;

namespace {

class ImportsTest : public testing_support::MainFixture {
protected:
    void open(const std::vector<Contact>& contacts)
    {
        start(contacts);
        home = dir.path().toStdString() + "/home";
        QDir().mkpath(QString::fromStdString(home));
        platform::set_home_folder(home);
        for (const char* name : {"suoni.wav", "trovato.wav"})
            write_file(QString::fromStdString(program + "/" + name), "");
        doubles->sound->played.clear();
    }
    void TearDown() override
    {
        platform::set_home_folder("");
        MainFixture::TearDown();
    }
    std::string file(const std::string& name, const std::string& bytes)
    {
        const std::string path = dir.path().toStdString() + "/" + name;
        write_file(QString::fromStdString(path), bytes);
        return path;
    }
    void import_c6(const std::string& path)
    {
        doubles->open_file->answers = {path};
        form->ImpC6_Click();
    }
    void import_outlook(const std::string& path)
    {
        doubles->messages->answers = {platform::vbOK};
        doubles->open_file->answers = {path};
        form->ImpOut_Click();
    }
    // nick -> note (C6) or nick -> "nome|email" (Outlook), in the order the rows were added.
    std::vector<std::pair<std::string, std::string>> rows(bool outlook = false) const
    {
        platform::DataControl data;
        data.KeyField = "id";
        data.DatabaseName = program + "/contatti.mdb";
        data.RecordSource = "select * from contatti order by id";
        data.Refresh();
        std::vector<std::pair<std::string, std::string>> out;
        auto& rs = data.recordset();
        for (long i = 0; i < rs.size(); ++i) {
            rs.Move(i);
            const auto text = [&](const char* f) { return rs.Fields(f).value_or("<null>"); };
            out.emplace_back(text("nick"), outlook ? text("nome") + "|" + text("email") : text("note"));
        }
        return out;
    }
    std::vector<std::string> heard(std::initializer_list<const char*> names) const
    {
        std::vector<std::string> paths;
        for (const char* name : names)
            paths.push_back(program + "/" + name);
        return paths;
    }

    std::string home;
};

using Rows = std::vector<std::pair<std::string, std::string>>;

const char* const kBuddies =
    "[Categorie]\r\n000=Generic\r\n001=Work\r\n002=Friends\r\n"
    "[Buddys]\r\n"
    "001=alfa\r\n001cat=2\r\n"
    "002=beta\r\n"                  // no category: 0
    "003=gam\"ma\r\n003cat=10\r\n"  // a quote in the nick; category 10 has no name
    "004=delta\r\n004cat=11\r\n"
    "005=eps\r\n005cat=-1\r\n"
    "007=zeta\r\n";                 // after the gap: never read

TEST_F(ImportsTest, BuddiesGoInWithTheirCategoryNotesUpToTheFirstEmptyEntry)
{
    open({});
    form->path_c6 = "C:\\TinMessenger";
    import_c6(file("mynick", kBuddies));

    EXPECT_EQ(rows(), (Rows{{"alfa", "Category Friends"}, {"beta", "Category Generic"},
                            {"gam\"ma", "Category "}, {"delta", "<null>"}, {"eps", "<null>"}}));
    ASSERT_EQ(doubles->open_file->requests.size(), 1u);
    const auto& asked = doubles->open_file->requests[0];
    EXPECT_EQ(asked.title, "You open the file with equal name to your nick");
    EXPECT_EQ(asked.filters, (decltype(asked.filters){{"Nick name", "*;*;"}}));
    EXPECT_EQ(asked.initial_dir, "C:\\TinMessenger");
    EXPECT_EQ(form->path_c6, dir.path().toStdString());
    EXPECT_EQ(doubles->sound->played, heard({"suoni.wav", "trovato.wav"}));
    EXPECT_TRUE(doubles->messages->shown.empty());
    EXPECT_FALSE(form->importazione_in_corso);
    EXPECT_EQ(platform::mouse_pointer(), platform::vbDefault);
}

TEST_F(ImportsTest, BuddiesTheBookHoldsAreSkippedAndTheCardStaysPutUntilTheEnd)
{
    preset("lingua", "1");
    open({{{"nick", "Anna"}}, {{"nick", "BETA"}}});
    ASSERT_EQ(form->lnick->text(), "Anna");
    std::vector<QString> card_during;
    const auto follow = form->Data1.Reposition;
    form->Data1.Reposition = [&] {
        follow();
        card_during.push_back(form->lnick->text());
    };
    import_c6(file("mynick", "[categorie]\n000=Zero\n002=Due\n[buddys]\n001=anna\n002=beta\n003=carlo\n"
                             "003cat=1.5\n004=dora\n004cat=0.5\n005=\n006=ezio\n"));

    EXPECT_EQ(doubles->open_file->requests.at(0).title, "Apri il file con nome uguale al tuo nick");
    EXPECT_EQ(rows(), (Rows{{"Anna", "<null>"}, {"BETA", "<null>"}, {"carlo", "Categorie Due"},
                            {"dora", "Categorie Zero"}}));   // 1.5 and 0.5 go to the even 2 and 0
    // The move to the last row before the additions is the last one the card follows.
    ASSERT_FALSE(card_during.empty());
    for (const QString& shown : card_during)
        EXPECT_EQ(shown, "BETA");
    // Afterwards the card shows the row the grid stands on, so the next edit lands there.
    EXPECT_EQ(form->TDBGrid1->Columns("nick"), "dora");
    EXPECT_EQ(form->lnick->text(), "dora");
}

TEST_F(ImportsTest, CancelledC6DialogOnlyCommitsTheGridAndKeepsTheFolder)
{
    open({{{"nick", "Anna"}}});
    form->TDBGrid1->SetColumn("nome", std::string("Anna Rossi"));
    form->TDBGrid1->setMarqueeStyle(6);
    import_c6("");
    EXPECT_EQ(stored("Anna")["nome"], "Anna Rossi");
    EXPECT_EQ(form->TDBGrid1->MarqueeStyle(), 3);
    EXPECT_EQ(form->path_c6, platform::current_folder());
    EXPECT_EQ(doubles->sound->played, heard({"suoni.wav"}));
}

TEST_F(ImportsTest, OutlookLinesContinueTheNumbersOfTheBookAndSkipTakenNicks)
{
    std::vector<Contact> book;
    for (int i = 1; i <= 40; ++i)
        book.push_back({{"nick", "p" + std::to_string(i)}});
    book.push_back({{"nick", "nick 042"}});   // typed by the user
    open(book);
    const std::string export_file = file("contacts.txt",
        "Name;E-mail;Phone\r\n"
        "Anna Rossi;anna@example.com;555\r\n"
        "\"Bruno Bianchi\";bruno@example.com\n"
        "Carla Neri\r"
        "Nicol\xF2;\r\n");   // Windows-1252

    import_outlook(export_file);
    const Rows first{{"Nick 043", "\"Bruno Bianchi\"|bruno@example.com"}, {"Nick 044", "Carla Neri|<null>"},
                     {"Nick 045", "Nicolò|<null>"}};
    const Rows all = rows(true);
    ASSERT_EQ(all.size(), 44u);
    EXPECT_EQ(Rows(all.begin() + 41, all.end()), first);
    ASSERT_EQ(doubles->messages->shown.size(), 1u);
    EXPECT_EQ(doubles->messages->shown[0].style, platform::vbOKCancel | platform::vbQuestion);
    EXPECT_EQ(doubles->open_file->requests.at(0).title, "Open the file that you have exported from MS Outlook");
    EXPECT_EQ(doubles->open_file->requests.at(0).initial_dir, "C:\\");
    EXPECT_EQ(doubles->sound->played, heard({"suoni.wav", "suoni.wav", "trovato.wav"}));
    EXPECT_TRUE(QFile::exists(QString::fromStdString(export_file)));

    // The same people again, numbered on from the 44 rows: Nick 045 is taken by then.
    import_outlook(export_file);
    EXPECT_EQ(rows(true).size(), 47u);
    EXPECT_EQ(stored("Nick 046")["nome"], "\"Bruno Bianchi\"");
    EXPECT_EQ(stored("Nick 048")["nome"], "Nicolò");
}

TEST_F(ImportsTest, BuddiesEndAtEntry999AndAFullBookStillGetsOutlookRowsPast999)
{
    open({});
    // In one transaction: a commit per row would take seconds.
    std::string fill = "begin;";
    std::string buddies = "[Buddys]\n";
    for (int i = 1; i <= 999; ++i) {
        fill += "insert into contatti (nick) values ('p" + std::to_string(i) + "');";
        buddies += platform::Format3(i) + "=p" + std::to_string(i) + "\n";
    }
    sqlite3* db = nullptr;
    sqlite3_open_v2((program + "/contatti.mdb").c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_key(db, "quorvent", 8);
    ASSERT_EQ(sqlite3_exec(db, (fill + "commit;").c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    testing_support::use_book_keys(form->Data1);   // as the next start gives rows written outside
    form->Data1.Refresh();
    import_c6(file("mynick", buddies + "1000=past the last key\n"));
    EXPECT_EQ(stored_count(), 999);
    import_outlook(file("contacts.txt", "header\nZoe;zoe@example.com\n"));
    EXPECT_EQ(stored("Nick 1000")["email"], "zoe@example.com");
    EXPECT_EQ(stored_count(), 1000);
}

TEST_F(ImportsTest, TheFixedExportIsReadWithoutAskingAndRemovedButAFolderOfThatNameIsNot)
{
    open({});
    write_file(QString::fromStdString(home + "/tavoly"), "h\nAnna;a@example.com\n");
    form->ImpOut_Click();
    EXPECT_TRUE(doubles->messages->shown.empty());
    EXPECT_TRUE(doubles->open_file->requests.empty());
    EXPECT_EQ(rows(true), (Rows{{"Nick 001", "Anna|a@example.com"}}));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(home + "/tavoly")));

    QDir().mkpath(QString::fromStdString(home + "/tavoly"));
    import_outlook(file("x.txt", "h\nBruno\n"));
    EXPECT_EQ(doubles->messages->shown.size(), 1u);
    EXPECT_EQ(stored("Nick 002")["nome"], "Bruno");
    EXPECT_TRUE(QFileInfo(QString::fromStdString(home + "/tavoly")).isDir());
}

TEST_F(ImportsTest, CancelOnTheNoticeDoesNothingAndEmptyExportsOnlyRunTheEnding)
{
    open({{{"nick", "Anna"}}});
    form->path_c6 = "C:\\TinMessenger";
    form->TDBGrid1->setMarqueeStyle(6);
    doubles->messages->answers = {platform::vbCancel};
    form->ImpOut_Click();
    EXPECT_TRUE(doubles->open_file->requests.empty());
    EXPECT_EQ(form->path_c6, "C:\\TinMessenger");
    EXPECT_EQ(form->TDBGrid1->MarqueeStyle(), 6);
    EXPECT_EQ(doubles->sound->played, heard({"suoni.wav"}));

    for (const char* bytes : {"", "Name;E-mail\r\n"}) {
        doubles->sound->played.clear();
        form->Picture1->show();
        import_outlook(file("contacts.txt", bytes));
        EXPECT_EQ(stored_count(), 1);
        EXPECT_TRUE(form->Picture1->isHidden());
        EXPECT_EQ(doubles->sound->played, heard({"suoni.wav", "suoni.wav", "trovato.wav"}));
    }
}

TEST_F(ImportsTest, HostileFilesNeitherCrashNorHang)
{
    open({});
    std::string binary(4096, '\0');
    for (size_t i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<char>((i * 7919) % 256);
    import_c6(file("binary", binary));
    import_c6("/dev/zero");
    import_c6(file("blanks", "[Buddys]\n001=    \n002=after\n"));
    EXPECT_EQ(stored_count(), 0);

    const std::string long_nick(300, 'n'), long_name(300, 'c');
    import_c6(file("long", "[Categorie]\n000=" + long_name + "\n[Buddys]\n001=" + long_nick + "\n"));
    EXPECT_EQ(stored(long_nick.substr(0, 254))["note"], "Category " + long_name.substr(0, 254));

    import_outlook(file("huge", "h\n" + std::string(10 << 20, 'x') + ";a@b\nnul\0;x\n"s));
    EXPECT_EQ(stored("Nick 002")["nome"].size(), size_t(10 << 20));
    EXPECT_EQ(stored("Nick 003")["email"], "x");

    const QString too_big = QString::fromStdString(file("too_big", ""));
    QFile big(too_big);
    ASSERT_TRUE(big.open(QIODevice::ReadWrite) && big.resize(platform::kMaxTextFileBytes + 1));
    big.close();
    import_outlook(too_big.toStdString());
    EXPECT_EQ(stored_count(), 3);
    EXPECT_EQ(doubles->sound->played.back(), program + "/trovato.wav");
}

TEST_F(ImportsTest, TheImportButtonPopsUpTheMenuWhoseItemsRunTheImports)
{
    open({});
    form->Image12_Click();
    ASSERT_EQ(doubles->popup_menu->shown, std::vector<QMenu*>{form->menupop4});
    const auto items = form->menupop4->actions();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0], form->ImpOut);
    EXPECT_TRUE(items[1]->isSeparator());
    EXPECT_EQ(items[2], form->ImpC6);
    doubles->open_file->answers = {file("mynick", "[Buddys]\n001=solo\n")};
    form->ImpC6->trigger();
    EXPECT_EQ(stored_count(), 1);
}

} // namespace
