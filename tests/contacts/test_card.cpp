// The contact card: stars, boxes and the fill mark follow the grid's row; edits go into the
// row only once it has a nick; the address opens a mail message.
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
    long add_new_row() const { return form->TDBGrid1->model()->rowCount() - 1; }

    // Red stars per rating row, each position showing exactly one star, the red ones leftmost.
    std::vector<int> stars_shown() const
    {
        std::vector<int> rows;
        for (int riga = 0; riga < 5; ++riga) {
            int red = 0;
            for (int i = 0; i < 5; ++i) {
                EXPECT_NE(form->stellar[riga][i]->isHidden(), form->stellag[riga][i]->isHidden());
                red += !form->stellar[riga][i]->isHidden() && red == i;
            }
            rows.push_back(red);
        }
        return rows;
    }

    void send(QWidget* box, QEvent::Type type)
    {
        const QPointF at(5, 5);
        QMouseEvent e(type, at, box->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(box, &e);
    }
};

TEST_F(CardTest, TheCardFollowsTheRow)
{
    start({{{"nick", "A"}, {"simpatia", "5"}, {"bellezza", "5"}, {"intelligenza", "5"}, {"affinita", "5"},
            {"cultura", "5"}, {"note", "one\ntwo"}, {"email", "a@x"}, {"foto1", "demo1.jpg"}},
           {{"nick", "B"}, {"simpatia", "3"}, {"bellezza", "0"}, {"intelligenza", "5"}, {"affinita", "1"},
            {"cultura", "2"}, {"foto2", "demo1.jpg"}, {"foto4", "demo2.jpg"}},
           {{"nick", "C"}, {"foto5", "demo3.jpg"}},
           {{"nick", "D"}}});
    struct Row {
        std::vector<int> stars;
        std::string note, email;
        double fill_mark;
    };
    const Row rows[] = {{{5, 5, 5, 5, 5}, "one\ntwo", "a@x", 730},
                        {{3, 0, 5, 1, 2}, "", "", 1300},
                        {{0, 0, 0, 0, 0}, "", "", 1490},
                        {{0, 0, 0, 0, 0}, "", "", 540}};
    for (long row = 0; row < 4; ++row) {
        SCOPED_TRACE(row);
        ASSERT_TRUE(form->TDBGrid1->userMoveTo(row, 0));
        EXPECT_EQ(stars_shown(), rows[row].stars);
        EXPECT_EQ(form->Text1->toPlainText().toStdString(), rows[row].note);
        EXPECT_EQ(form->Text2->text().toStdString(), rows[row].email);
        EXPECT_EQ(form->numfoto->WidthTw(), rows[row].fill_mark);
        EXPECT_EQ(form->puntatore_foto, 1);
    }
    // Links in slots 2 and 4 only: slot 1 shows the placeholder.
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(1, 0));
    EXPECT_EQ(form->percorso_foto, "");
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(0, 0));
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(add_new_row(), 0));
    EXPECT_EQ(stars_shown(), std::vector<int>(5, 0));
    EXPECT_EQ(form->Text1->toPlainText().toStdString(), "");
    EXPECT_EQ(form->Text2->text().toStdString(), "");
    EXPECT_EQ(form->numfoto->WidthTw(), 510);
}

// Assigning a box the text it holds is no change: nothing is written into the row.
TEST_F(CardTest, AnEqualTextRunsNoChangeHandling)
{
    start({{{"nick", "A"}, {"note", "same"}, {"email", "x@y"}}, {{"nick", "B"}, {"note", "same"}, {"email", "x@y"}}});
    int changes = 0;
    QObject::connect(form->Text1, &QPlainTextEdit::textChanged, [&] { ++changes; });
    QObject::connect(form->Text2, &QLineEdit::textChanged, [&] { ++changes; });
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(1, 0));
    EXPECT_EQ(changes, 0);
}

TEST_F(CardTest, FocusIntoABoxOnTheAddNewRowGoesBackToTheGrid)
{
    for (const auto& [language, message] : {std::pair{"0", "The nick miss!"}, std::pair{"1", "Manca il nick!"}}) {
        form.reset();
        preset("lingua", language);
        start({{{"nick", "Anna"}}});
        ASSERT_TRUE(form->TDBGrid1->userMoveTo(add_new_row(), 0));
        for (QWidget* box : {static_cast<QWidget*>(form->Text1), static_cast<QWidget*>(form->Text2)}) {
            doubles->messages->shown.clear();
            QFocusEvent e(QEvent::FocusIn, Qt::MouseFocusReason);
            QApplication::sendEvent(box, &e);
            ASSERT_EQ(doubles->messages->shown.size(), 1u);
            EXPECT_EQ(doubles->messages->shown[0].text, message);
            EXPECT_EQ(doubles->messages->shown[0].style, platform::vbOKOnly | platform::vbCritical);
            EXPECT_TRUE(form->TDBGrid1->isAncestorOf(form->focusWidget()) || form->focusWidget() == form->TDBGrid1);
        }
        form->Text1->setPlainText("typed anyway");
        EXPECT_EQ(form->TDBGrid1->Columns("note"), "");
        ASSERT_TRUE(form->TDBGrid1->userMoveTo(0, 0));
        EXPECT_EQ(stored_count(), 1);
    }
}

TEST_F(CardTest, ANickOfOneBlankIsANickAndTheBoxesWriteItsRow)
{
    start({{{"nick", "Anna"}}});
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(add_new_row(), 0));
    form->TDBGrid1->userEditCell(0, " ");
    QFocusEvent e(QEvent::FocusIn, Qt::MouseFocusReason);
    QApplication::sendEvent(form->Text1, &e);
    EXPECT_TRUE(doubles->messages->shown.empty());
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
    send(form->Text2, QEvent::MouseButtonPress);
    send(form->Text2, QEvent::MouseButtonRelease);
    EXPECT_EQ(form->Text2->selectedText().toStdString(), "anna@example.com");
    send(form->Text1->viewport(), QEvent::MouseButtonPress);
    send(form->Text1->viewport(), QEvent::MouseButtonRelease);
    EXPECT_FALSE(form->Text1->textCursor().hasSelection());
}

// The address is no edit: a nickless row opens a message too.
TEST_F(CardTest, ADoubleClickOnTheAddressOpensAMessageOnlyWithAnAt)
{
    for (const char* name : {"foto.wav", "nontrovato.wav"})
        QFile(QString::fromStdString(program + "/" + name)).open(QIODevice::WriteOnly);
    start({{{"nick", "Anna"}}});
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(add_new_row(), 0));
    const std::tuple<std::string, std::vector<std::string>, std::string> cases[] = {
        {"", {}, "nontrovato.wav"},
        {"anna.example.com", {}, "nontrovato.wav"},
        {"@", {"mailto:@"}, "foto.wav"},
        {"anna@example.com", {"mailto:anna@example.com"}, "foto.wav"}};
    for (const auto& [address, opened, sound] : cases) {
        SCOPED_TRACE(address);
        doubles->desktop->opened.clear();
        doubles->sound->played.clear();
        form->Text2->setText(QString::fromStdString(address));
        send(form->Text2, QEvent::MouseButtonDblClick);
        EXPECT_EQ(doubles->desktop->opened, opened);
        EXPECT_EQ(doubles->sound->played, std::vector<std::string>{program + "/" + sound});
    }
    EXPECT_TRUE(doubles->messages->shown.empty());
}

TEST_F(CardTest, TheMailtoAddressCarriesTheNonEmptyPartsEncoded)
{
    start({});
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"anna@example.com", "", "", "", "", ""}, "mailto:anna@example.com"},
        {{"a@b.c", "", "", "Hi", "See you", ""}, "mailto:a@b.c?Subject=Hi&Body=See%20you"},
        {{"", "", "", "", "", "C:\\x.txt"}, "mailto:?Attach=%22C:%5Cx.txt%22"},
        {{"a@b.c", "c@d.e", "f@g.h", "", "", ""}, "mailto:a@b.c?CC=c@d.e&BCC=f@g.h"},
        // A value can neither add header fields of its own nor end the address.
        {{"x@y.z?bcc=spy@evil.org", "", "", "a&b=c #1 100%", "", ""},
         "mailto:x@y.z%3Fbcc%3Dspy@evil.org?Subject=a%26b%3Dc%20%231%20100%25"},
        {{"élodie@example.fr", "", "", "", "", ""}, "mailto:%C3%A9lodie@example.fr"}};
    for (const auto& [p, address] : cases) {
        doubles->desktop->opened.clear();
        form->apre_email(p[0], p[1], p[2], p[3], p[4], p[5]);
        EXPECT_EQ(doubles->desktop->opened, std::vector<std::string>{address});
    }
}

} // namespace
