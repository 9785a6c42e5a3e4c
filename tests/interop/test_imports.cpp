// The imports from a C6 buddy file and an MS Outlook export, read back from the real book.
#include "contacts/book.h"
#include "tests/support/helpers.h"
#include "tests/support/main_fixture.h"

#include "platform/data_control.h"
#include "platform/files.h"
#include "platform/runtime.h"
#include "platform/screen.h"

#include <QDir>
#include <QFileInfo>

using namespace std::string_literals;
using Rows = std::vector<std::string>;

namespace {

class ImportsTest : public testing_support::MainFixture {
protected:
    void open(const std::vector<testing_support::Contact>& contacts)
    {
        start(contacts);
        QDir().mkpath(QString::fromStdString(home()));
        platform::set_home_folder(home());
        add_sounds({"suoni.wav", "trovato.wav"});
        doubles->sound->played.clear();
    }
    std::string home() const { return dir.path().toStdString() + "/home"; }
    std::string file(const std::string& name, const std::string& bytes)
    {
        const std::string path = dir.path().toStdString() + "/" + name;
        testing_support::write_file(QString::fromStdString(path), bytes);
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
    // "nick|nome|note|email" of the rows from the first-th on, in the order they were added.
    Rows rows(long first = 0) const
    {
        platform::DataControl data;
        data.Connect = book::connect();
        data.KeyField = "id";
        data.DatabaseName = program + "/contatti.mdb";
        data.RecordSource = "select * from contatti order by id";
        data.Refresh();
        Rows out;
        for (long i = first; i < data.recordset().size(); ++i) {
            data.recordset().Move(i);
            std::string row;
            for (const char* f : {"nick", "nome", "note", "email"})
                row += (row.empty() ? "" : "|") + data.recordset().Fields(f).value_or("-");
            out.push_back(row);
        }
        return out;
    }
};

TEST_F(ImportsTest, TheMenuRunsTheC6ImportOfBuddiesWithTheirCategoriesUpToTheFirstEmptyEntry)
{
    open({});
    form->Image12_Click();
    ASSERT_EQ(doubles->popup_menu->shown, std::vector<QMenu*>{form->menupop4});
    form->path_c6 = "C:\\TinMessenger";
    doubles->open_file->answers = {file("mynick",
        "[Categorie]\r\n000=Generic\r\n002=Friends\r\n[Buddys]\r\n001=alfa\r\n001cat=2\r\n"
        "002=beta\r\n003=gam\"ma\r\n003cat=10\r\n004=delta\r\n004cat=11\r\n005=eps\r\n005cat=-1\r\n"
        "007=zeta\r\n")};
    form->ImpC6->trigger();
    EXPECT_EQ(rows(), (Rows{"alfa|-|Category Friends|-", "beta|-|Category Generic|-", "gam\"ma|-|Category |-",
                            "delta|-|-|-", "eps|-|-|-"}));
    EXPECT_EQ(doubles->open_file->requests.at(0).initial_dir, "C:\\TinMessenger");
    EXPECT_EQ(form->path_c6, dir.path().toStdString());
    EXPECT_EQ(doubles->sound->played, heard({"suoni.wav", "trovato.wav"}));
    EXPECT_EQ(platform::mouse_pointer(), platform::vbDefault);
}

TEST_F(ImportsTest, BuddiesTheBookHoldsAreSkippedAndTheCardFollowsOnlyAtTheEnd)
{
    preset("lingua", "1");
    open({{{"nick", "Anna"}}, {{"nick", "BETA"}}});
    std::vector<QString> card_during;
    const auto follow = form->Data1.Reposition;
    form->Data1.Reposition = [&] {
        follow();
        card_during.push_back(form->lnick->text());
    };
    import_c6(file("mynick", "[categorie]\n000=Zero\n002=Due\n[buddys]\n001=anna\n002=beta\n003=carlo\n"
                             "003cat=1.5\n004=dora\n004cat=0.5\n005=\n006=ezio\n"));
    // 1.5 and 0.5 go to the even neighbours 2 and 0.
    EXPECT_EQ(rows(2), (Rows{"carlo|-|Categorie Due|-", "dora|-|Categorie Zero|-"}));
    // The move to the last row before the additions is the last one the card follows...
    EXPECT_EQ(card_during, std::vector<QString>(card_during.size(), "BETA"));
    // ...until the end, when it shows the row the grid stands on, where its next edit goes.
    EXPECT_EQ(form->TDBGrid1->Columns("nick"), "dora");
    EXPECT_EQ(form->lnick->text(), "dora");
}

TEST_F(ImportsTest, OutlookLinesContinueTheNumbersOfTheBookAndSkipTakenNicks)
{
    std::vector<testing_support::Contact> book;
    for (int i = 1; i <= 40; ++i)
        book.push_back({{"nick", "p" + std::to_string(i)}});
    book.push_back({{"nick", "nick 042"}});   // typed by the user
    open(book);
    const std::string export_file = file("contacts.txt",
        "Name;E-mail;Phone\r\nAnna Rossi;anna@example.com;555\r\n\"Bruno Bianchi\";bruno@example.com\n"
        "Carla Neri\rNicol\xF2;\r\n");   // Windows-1252
    import_outlook(export_file);
    EXPECT_EQ(rows(41), (Rows{"Nick 043|\"Bruno Bianchi\"|-|bruno@example.com", "Nick 044|Carla Neri|-|-",
                              "Nick 045|Nicolò|-|-"}));
    EXPECT_EQ(doubles->open_file->requests.at(0).initial_dir, "C:\\");
    EXPECT_EQ(doubles->sound->played, heard({"suoni.wav", "suoni.wav", "trovato.wav"}));
    // The same people again, numbered on from the 44 rows (Nick 045 is taken by then).
    import_outlook(export_file);
    EXPECT_EQ(rows(44), (Rows{"Nick 046|\"Bruno Bianchi\"|-|bruno@example.com", "Nick 047|Carla Neri|-|-",
                              "Nick 048|Nicolò|-|-"}));
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(export_file)));
}

TEST_F(ImportsTest, BuddiesEndAtEntry999AndAFullBookStillGetsOutlookRowsPast999)
{
    open({});
    // In one transaction: a commit per row would take seconds.
    std::string fill = "begin;", buddies = "[Buddys]\n";
    for (int i = 1; i <= 999; ++i) {
        fill += "insert into contatti (nick) values ('p" + std::to_string(i) + "');";
        buddies += platform::Format3(i) + "=p" + std::to_string(i) + "\n";
    }
    ASSERT_EQ(testing_support::RawBook(program + "/contatti.mdb").exec(fill + "commit;"), SQLITE_OK);
    testing_support::use_book_keys(form->Data1);   // as the next start gives rows written outside
    form->Data1.Refresh();
    import_c6(file("mynick", buddies + "1000=past the last key\n"));
    EXPECT_EQ(stored_count(), 999);
    import_outlook(file("contacts.txt", "header\nZoe;zoe@example.com\n"));
    EXPECT_EQ(rows(999), Rows{"Nick 1000|Zoe|-|zoe@example.com"});
}

TEST_F(ImportsTest, TheFixedExportIsReadWithoutAskingAndRemovedButAFolderOfThatNameIsNot)
{
    open({});
    const QString fixed = QString::fromStdString(home() + "/tavoly");
    testing_support::write_file(fixed, "h\nAnna;a@example.com\n");
    form->ImpOut_Click();
    EXPECT_TRUE(doubles->messages->shown.empty() && doubles->open_file->requests.empty());
    EXPECT_EQ(rows(), Rows{"Nick 001|Anna|-|a@example.com"});
    EXPECT_FALSE(QFileInfo::exists(fixed));
    QDir().mkpath(fixed);
    import_outlook(file("x.txt", "h\nBruno\n"));
    EXPECT_EQ(doubles->messages->shown.size(), 1u);
    EXPECT_EQ(rows(1), Rows{"Nick 002|Bruno|-|-"});
    EXPECT_TRUE(QFileInfo(fixed).isDir());
}

TEST_F(ImportsTest, CancelsAndEmptyExportsAddNothing)
{
    open({{{"nick", "Anna"}}});
    form->path_c6 = "C:\\TinMessenger";
    doubles->messages->answers = {platform::vbCancel};
    form->ImpOut_Click();   // the notice cancelled: nothing more
    EXPECT_TRUE(doubles->open_file->requests.empty());
    EXPECT_EQ(form->path_c6, "C:\\TinMessenger");
    form->TDBGrid1->SetColumn("nome", "Anna Rossi"s);
    import_c6("");   // the dialog cancelled: the pending edit is written, the folder taken
    EXPECT_EQ(stored("Anna")["nome"], "Anna Rossi");
    EXPECT_EQ(form->path_c6, platform::current_folder());
    EXPECT_EQ(doubles->sound->played, heard({"suoni.wav", "suoni.wav"}));
    for (const char* bytes : {"", "Name;E-mail\r\n"}) {
        doubles->sound->played.clear();
        import_outlook(file("contacts.txt", bytes));
        EXPECT_EQ(stored_count(), 1);
        EXPECT_EQ(doubles->sound->played, heard({"suoni.wav", "suoni.wav", "trovato.wav"}));
    }
}

TEST_F(ImportsTest, HostileFilesNeitherCrashNorHang)
{
    open({});
    const std::string binary = "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\xfe[Buddys]\n001=x\n"s;
    for (const std::string& path : {file("binary", binary), "/dev/zero"s, file("blanks", "[Buddys]\n001=  \n002=b\n")})
        import_c6(path);
    EXPECT_EQ(stored_count(), 0);
    const std::string nick(300, 'n'), name(300, 'c');
    import_c6(file("long", "[Categorie]\n000=" + name + "\n[Buddys]\n001=" + nick + "\n"));
    EXPECT_EQ(stored(nick.substr(0, 254))["note"], "Category " + name.substr(0, 254));
    // A field longer than 255 characters is refused; the next line still gets its number.
    const std::string longest(255, 'e');
    import_outlook(file("huge", "h\n" + std::string(10 << 20, 'x') + ";a@b\nnul\0;"s + longest + "\n"));
    EXPECT_TRUE(stored("Nick 002").empty());
    EXPECT_EQ(stored("Nick 003")["email"], longest);
    QFile too_big(QString::fromStdString(file("too_big", "")));
    ASSERT_TRUE(too_big.open(QIODevice::ReadWrite) && too_big.resize(platform::kMaxTextFileBytes + 1));
    too_big.close();
    import_outlook(too_big.fileName().toStdString());
    EXPECT_EQ(stored_count(), 2);
    EXPECT_EQ(doubles->sound->played.back(), program + "/trovato.wav");
}

} // namespace
