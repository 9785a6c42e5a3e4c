// The contact card: stars, note and e-mail boxes and the fill mark follow the grid's row;
// edits go into the row only once it has a nick.
#include "tests/support/main_fixture.h"

#include <QApplication>
#include <QFile>
#include <QFocusEvent>
#include <QMouseEvent>

using testing_support::Contact;
using testing_support::MainFixture;

namespace {

class CardTest : public MainFixture {
protected:
    void SetUp() override
    {
        MainFixture::SetUp();
        for (const char* name : {"foto.wav", "nontrovato.wav"}) {
            QFile f(QString::fromStdString(program + "/" + name));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
    }

    long add_new_row() const { return form->TDBGrid1->model()->rowCount() - 1; }

    // Red stars of each rating row, counted from the left; -1 when a position shows both
    // or neither star, or a red star follows a grey one.
    std::vector<int> stars_shown() const
    {
        std::vector<int> rows;
        for (int riga = 0; riga < 5; ++riga) {
            int red = 0;
            bool grey_seen = false;
            for (int i = 0; i < 5; ++i) {
                const bool r = !form->stellar[riga][i]->isHidden();
                const bool g = !form->stellag[riga][i]->isHidden();
                if (r == g || (r && grey_seen)) {
                    red = -1;
                    break;
                }
                grey_seen = grey_seen || g;
                red += r ? 1 : 0;
            }
            rows.push_back(red);
        }
        return rows;
    }

    std::vector<std::string> messages() const
    {
        std::vector<std::string> texts;
        for (const auto& m : doubles->messages->shown)
            texts.push_back(m.text);
        return texts;
    }

    void focus_in(QWidget* box)
    {
        QFocusEvent e(QEvent::FocusIn, Qt::MouseFocusReason);
        QApplication::sendEvent(box, &e);
    }

    void mouse(QWidget* box, QEvent::Type type)
    {
        const QPointF at(5, 5);
        QMouseEvent e(type, at, box->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(box, &e);
    }

    bool grid_has_focus() const
    {
        const QWidget* f = form->focusWidget();
        return f == form->TDBGrid1 || form->TDBGrid1->isAncestorOf(f);
    }
};

Contact rated(const std::string& nick, const std::vector<std::string>& ratings)
{
    const char* fields[5] = {"simpatia", "bellezza", "intelligenza", "affinita", "cultura"};
    Contact c{{"nick", nick}};
    for (size_t k = 0; k < ratings.size(); ++k)
        c[fields[k]] = ratings[k];
    return c;
}

TEST_F(CardTest, TheStarsShowEachRowsRating)
{
    // Notes that differ from row to row make every fill write its note back into the row.
    std::vector<Contact> book = {rated("Full", {"5", "5", "5", "5", "5"}), rated("Mixed", {"3", "0", "5", "1", "2"}),
                                 rated("Unrated", {"", "", "", "", ""}), rated("Half", {"4", "", "2", "", "1"})};
    for (auto& c : book)
        c["note"] = "note of " + c["nick"];
    start(book);
    const std::vector<std::vector<int>> expected = {
        {5, 5, 5, 5, 5}, {3, 0, 5, 1, 2}, {0, 0, 0, 0, 0}, {4, 0, 2, 0, 1}};
    for (long row = 0; row < 4; ++row) {
        SCOPED_TRACE(row);
        ASSERT_TRUE(form->TDBGrid1->userMoveTo(row, 0));
        EXPECT_EQ(stars_shown(), expected[row]);
    }
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(add_new_row(), 0));
    EXPECT_EQ(stars_shown(), (std::vector<int>{0, 0, 0, 0, 0}));
}

TEST_F(CardTest, TheBoxesFollowTheRowAndAClearEmptiesThem)
{
    start({{{"nick", "Anna"}, {"note", "line one\nline two"}, {"email", "anna@example.com"}},
           {{"nick", "Bruno"}}});
    EXPECT_EQ(form->Text1->toPlainText().toStdString(), "line one\nline two");
    EXPECT_EQ(form->Text2->text().toStdString(), "anna@example.com");
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(1, 0));
    EXPECT_EQ(form->Text1->toPlainText().toStdString(), "");
    EXPECT_EQ(form->Text2->text().toStdString(), "");
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(0, 0));
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(add_new_row(), 0));
    EXPECT_EQ(form->Text1->toPlainText().toStdString(), "");
    EXPECT_EQ(form->Text2->text().toStdString(), "");
}

// The fill mark: 540 + 190 x the highest slot in use after a fill, 510 after a clear.
TEST_F(CardTest, TheFillMarkFollowsTheHighestLinkedSlot)
{
    start({{{"nick", "A"}}, {{"nick", "B"}, {"foto2", "demo1.jpg"}, {"foto4", "demo2.jpg"}},
           {{"nick", "C"}, {"foto5", "demo3.jpg"}}, {{"nick", "D"}, {"foto1", "demo1.jpg"}}});
    const double expected[] = {540, 1300, 1490, 730};
    for (long row = 0; row < 4; ++row) {
        SCOPED_TRACE(row);
        ASSERT_TRUE(form->TDBGrid1->userMoveTo(row, 0));
        EXPECT_EQ(form->numfoto->WidthTw(), expected[row]);
    }
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(1, 0));
    EXPECT_EQ(form->puntatore_foto, 1);
    EXPECT_EQ(form->percorso_foto, "");
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(add_new_row(), 0));
    EXPECT_EQ(form->numfoto->WidthTw(), 510);
}

TEST_F(CardTest, EditsOnTheBoxesReachTheRowAndTheBook)
{
    start({{{"nick", "Anna"}, {"note", "old"}}, {{"nick", "Bruno"}}});
    form->Text1->setPlainText("new note");
    form->Text2->setText("anna@example.net");
    EXPECT_EQ(form->TDBGrid1->Columns("note"), "new note");
    EXPECT_EQ(form->TDBGrid1->Columns("email"), "anna@example.net");
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(1, 0));
    const Contact anna = stored("Anna");
    EXPECT_EQ(anna.at("note"), "new note");
    EXPECT_EQ(anna.at("email"), "anna@example.net");
    EXPECT_EQ(stored("Bruno").at("note"), "");
}

// A box assigned the text it already holds must not run its change handling.
TEST_F(CardTest, ReloadingAnEqualTextIsNoChange)
{
    start({{{"nick", "Anna"}, {"note", "same"}, {"email", "x@y"}},
           {{"nick", "Bruno"}, {"note", "same"}, {"email", "x@y"}}});
    int changes = 0;
    QObject::connect(form->Text1, &QPlainTextEdit::textChanged, [&] { ++changes; });
    QObject::connect(form->Text2, &QLineEdit::textChanged, [&] { ++changes; });
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(1, 0));
    EXPECT_EQ(changes, 0);
}

struct NickFirstCase {
    std::string language;
    std::string message;
};

void PrintTo(const NickFirstCase& c, std::ostream* os) { *os << "lingua " << c.language; }

class CardNickFirstTest : public CardTest, public ::testing::WithParamInterface<NickFirstCase> {};

TEST_P(CardNickFirstTest, FocusIntoABoxOnTheAddNewRowIsSentBackToTheGrid)
{
    preset("lingua", GetParam().language);
    start({{{"nick", "Anna"}}});
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(add_new_row(), 0));
    for (QWidget* box : {static_cast<QWidget*>(form->Text1), static_cast<QWidget*>(form->Text2)}) {
        doubles->messages->shown.clear();
        focus_in(box);
        EXPECT_EQ(messages(), std::vector<std::string>{GetParam().message});
        EXPECT_EQ(doubles->messages->shown.at(0).style, platform::vbOKOnly | platform::vbCritical);
        EXPECT_TRUE(grid_has_focus());
    }
    // Text that reaches a box anyway is not written into the nickless row.
    form->Text1->setPlainText("typed");
    EXPECT_EQ(form->TDBGrid1->Columns("note"), "");
    EXPECT_TRUE(doubles->sound->played.empty());
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(0, 0));
    EXPECT_EQ(stored_count(), 1);
}

INSTANTIATE_TEST_SUITE_P(Languages, CardNickFirstTest,
                         ::testing::Values(NickFirstCase{"0", "The nick miss!"},
                                           NickFirstCase{"1", "Manca il nick!"}));

TEST_F(CardTest, ANickOfOneBlankIsANick)
{
    start({{{"nick", "Anna"}}});
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(add_new_row(), 0));
    form->TDBGrid1->userEditCell(0, " ");
    focus_in(form->Text1);
    EXPECT_TRUE(messages().empty());
    form->Text1->setPlainText("a blank nick");
    form->Text2->setText("blank@example.com");
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(0, 0));
    const Contact blank = stored(" ");
    ASSERT_FALSE(blank.empty());
    EXPECT_EQ(blank.at("note"), "a blank nick");
    EXPECT_EQ(blank.at("email"), "blank@example.com");
}

TEST_F(CardTest, AClickOnTheAddressSelectsItAllButOnTheNoteNothing)
{
    start({{{"nick", "Anna"}, {"note", "some note"}, {"email", "anna@example.com"}}});
    mouse(form->Text2, QEvent::MouseButtonPress);
    mouse(form->Text2, QEvent::MouseButtonRelease);
    EXPECT_EQ(form->Text2->selectedText().toStdString(), "anna@example.com");
    mouse(form->Text1->viewport(), QEvent::MouseButtonPress);
    mouse(form->Text1->viewport(), QEvent::MouseButtonRelease);
    EXPECT_FALSE(form->Text1->textCursor().hasSelection());
}

struct DoubleClickCase {
    std::string address;
    std::vector<std::string> opened;
    std::string sound;
};

void PrintTo(const DoubleClickCase& c, std::ostream* os) { *os << '"' << c.address << '"'; }

class CardDoubleClickTest : public CardTest, public ::testing::WithParamInterface<DoubleClickCase> {};

// The address is no edit: a nickless row may open a message too.
TEST_P(CardDoubleClickTest, ADoubleClickOnTheAddressOpensAMessageOnlyWithAnAt)
{
    start({{{"nick", "Anna"}}});
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(add_new_row(), 0));
    form->Text2->setText(QString::fromStdString(GetParam().address));
    mouse(form->Text2, QEvent::MouseButtonDblClick);
    EXPECT_EQ(doubles->desktop->opened, GetParam().opened);
    EXPECT_EQ(doubles->sound->played, std::vector<std::string>{program + "/" + GetParam().sound});
    EXPECT_TRUE(messages().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, CardDoubleClickTest,
    ::testing::Values(DoubleClickCase{"", {}, "nontrovato.wav"},
                      DoubleClickCase{"anna.example.com", {}, "nontrovato.wav"},
                      DoubleClickCase{"@", {"mailto:@"}, "foto.wav"},
                      DoubleClickCase{"anna@example.com", {"mailto:anna@example.com"}, "foto.wav"}));

struct MailCase {
    std::vector<std::string> parts;   // recipient, CC, BCC, subject, body, attachment
    std::string address;
};

void PrintTo(const MailCase& c, std::ostream* os) { *os << c.address; }

class MailAddressTest : public CardTest, public ::testing::WithParamInterface<MailCase> {};

TEST_P(MailAddressTest, TheMailtoAddressCarriesTheNonEmptyParts)
{
    start({});
    const auto& p = GetParam().parts;
    form->apre_email(p[0], p[1], p[2], p[3], p[4], p[5]);
    EXPECT_EQ(doubles->desktop->opened, std::vector<std::string>{GetParam().address});
}

INSTANTIATE_TEST_SUITE_P(
    Parts, MailAddressTest,
    ::testing::Values(
        MailCase{{"anna@example.com", "", "", "", "", ""}, "mailto:anna@example.com"},
        MailCase{{"a@b.c", "", "", "Hi", "See you", ""}, "mailto:a@b.c?Subject=Hi&Body=See%20you"},
        MailCase{{"", "", "", "", "", "C:\\x.txt"}, "mailto:?Attach=%22C:%5Cx.txt%22"},
        MailCase{{"a@b.c", "c@d.e", "f@g.h", "", "", ""}, "mailto:a@b.c?CC=c@d.e&BCC=f@g.h"},
        // A value cannot add header fields of its own or end the address.
        MailCase{{"x@y.z?bcc=spy@evil.org", "", "", "a&b=c #1 100%", "", ""},
                 "mailto:x@y.z%3Fbcc%3Dspy@evil.org?Subject=a%26b%3Dc%20%231%20100%25"},
        MailCase{{"élodie@example.fr", "", "", "", "", ""}, "mailto:%C3%A9lodie@example.fr"}));

} // namespace
