// The grid's nick rules and the contact card that follows the grid's row.
#include "tests/support/helpers.h"
#include "platform/controls.h"
#include "tests/support/main_fixture.h"

#include <QApplication>
#include <QFocusEvent>
#include <tuple>

using testing_support::Contact;

namespace {

Contact rated(const std::string& nick, const std::vector<int>& ratings)
{
    Contact c{{"nick", nick}};
    for (size_t k = 0; k < ratings.size(); ++k)
        c[Main::colonne_voti[k]] = std::to_string(ratings[k]);
    return c;
}

class CardTest : public testing_support::MainFixture {
protected:
    void SetUp() override
    {
        MainFixture::SetUp();
        add_sounds({"piu.wav", "meno.wav", "suoni.wav", "foto.wav", "nontrovato.wav"});
    }
    // Red stars per rating row; each position shows one star, the red ones leftmost.
    std::vector<int> stars_shown() const
    {
        std::vector<int> red(5, 0);
        for (int riga = 0; riga < 5; ++riga)
            for (int i = 0; i < 5; ++i) {
                EXPECT_NE(form->stellar[riga][i]->isHidden(), form->stellag[riga][i]->isHidden());
                red[riga] += !form->stellar[riga][i]->isHidden() && red[riga] == i;
                EXPECT_EQ(!form->stellar[riga][i]->isHidden(), i < red[riga]) << "a red star after a grey one";
            }
        return red;
    }
    std::string score() const { return form->tpunti->text().toStdString(); }
    void focus_in(QWidget* box)
    {
        QFocusEvent e(QEvent::FocusIn, Qt::MouseFocusReason);
        QApplication::sendEvent(box, &e);
    }
};

const std::vector<testing_support::Contact> kBook = {
    {{"nick", "Anna"}, {"nome", "Anna Rossi"}, {"email", "anna@example.com"}},
    {{"nick", "Bruno"}, {"nome", "Bruno Verdi"}, {"email", "bruno@example.org"}},
    {{"nick", "Mario"}, {"nome", "Mario Neri"}},
};

// Another row may not take a nick in any letter case; the user stays on it with nothing written.
// The message follows the language.
TEST_F(CardTest, ANickBelongsToOneRowWhateverItsLetterCase)
{
    start(kBook);
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(0, 1));
    form->TDBGrid1->userEditCell(1, "Anna Gialli");
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(1, 0));
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(stored("Anna")["nome"], "Anna Gialli");
    const long row = add_new_row();
    type_new_nick("MARIO");
    EXPECT_FALSE(form->TDBGrid1->userMoveTo(0, 0));
    EXPECT_EQ(messages(), std::vector<std::string>{"The nick is already existing in list!"});
    EXPECT_EQ(form->TDBGrid1->currentRow(), row);
    form->lingua = 1;
    form->TDBGrid1->CommitRowEdit();
    EXPECT_EQ(messages().back(), "Il nick è già esistente in lista!");
    EXPECT_EQ(stored_count(), 3);
}

TEST_F(CardTest, TheNameCannotBeTypedOnTheAddNewRowBeforeANick)
{
    start(kBook);
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(add_new_row(), 0));
    EXPECT_FALSE(form->TDBGrid1->userBeginEdit(1, 'a'));
    EXPECT_EQ(messages(), std::vector<std::string>{"The nick miss!"});
    EXPECT_EQ(doubles->messages->shown[0].style, platform::vbOKOnly | platform::vbCritical);
    EXPECT_TRUE(form->TDBGrid1->userBeginEdit(0, 'a'));
    EXPECT_EQ(messages().size(), 1u);
}

// The first row change loads the card; a move within the row refreshes the labels only.
TEST_F(CardTest, MovingWithinARowRefreshesTheLabelsButDoesNotReloadTheCard)
{
    start(kBook);
    EXPECT_EQ(form->Lnick2->text().toStdString(), "Anna");
    EXPECT_EQ(form->Text2->text().toStdString(), "anna@example.com");
    form->Text2->blockSignals(true);
    form->Text2->setText("typed, not stored");
    form->Text2->blockSignals(false);
    form->lnick->clear();
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(0, 1));
    EXPECT_EQ(form->Text2->text().toStdString(), "typed, not stored");
    EXPECT_EQ(form->lnick->text().toStdString(), "Anna");
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(1, 1));
    EXPECT_EQ(form->Text2->text().toStdString(), "bruno@example.org");
}

TEST_F(CardTest, TheAddNewRowClearsTheCardAndComingBackReloadsItOnce)
{
    start(kBook);
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(add_new_row(), 0));
    EXPECT_TRUE(form->era_su_nuova_riga);
    EXPECT_EQ(form->lnick->text().toStdString(), "");
    EXPECT_EQ(form->Text2->text().toStdString(), "");
    EXPECT_EQ(score(), "0");
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(0, 0));   // the row it came from
    EXPECT_FALSE(form->era_su_nuova_riga);
    EXPECT_EQ(form->Text2->text().toStdString(), "anna@example.com");
    EXPECT_EQ(form->lnick->text().toStdString(), "Anna");
}

TEST_F(CardTest, WhileAnImportRunsTheCardStaysAsItWas)
{
    start(kBook);
    form->importazione_in_corso = true;
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(1, 0));
    EXPECT_EQ(form->lnick->text().toStdString(), "Anna");
    form->importazione_in_corso = false;
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(2, 0));
    EXPECT_EQ(form->lnick->text().toStdString(), "Mario");
}

// Each score is shown after the one above it: 480 and 720 keep whatever colour was shown,
// the design green at first. The card's score comes from the stars, whatever "punti" holds.
TEST_F(CardTest, TheScoreColourFollowsItsBandsAndKeepsItBetweenThem)
{
    const QColor dark_blue(0, 0, 128), dark_green(0, 128, 0), light_blue(0, 0, 255);
    const std::vector<std::tuple<std::vector<int>, std::string, QColor>> rows = {
        {{5, 5, 2}, "480", dark_green},    {{5, 5, 1}, "440", dark_blue},     {{5, 5, 2}, "480", dark_blue},
        {{5, 5, 5, 3}, "720", dark_blue},  {{5, 5, 3}, "520", dark_green},    {{5, 5, 5, 2}, "680", dark_green},
        {{5, 5, 5, 3}, "720", dark_green}, {{5, 5, 5, 4}, "760", light_blue}, {{5, 5, 5, 3}, "720", light_blue},
        {{5, 5, 2}, "480", light_blue},    {{}, "0", dark_blue},              {{5, 5, 5, 5, 5}, "1000", light_blue}};
    std::vector<Contact> book;
    for (size_t n = 0; n < rows.size(); ++n)
        book.push_back(rated("c" + std::to_string(n + 10), std::get<0>(rows[n])));
    book[0]["punti"] = "999";
    start(book);
    for (long row = 0; row < static_cast<long>(rows.size()); ++row) {
        SCOPED_TRACE(row);
        ASSERT_TRUE(form->TDBGrid1->userMoveTo(row, 0));
        EXPECT_EQ(score(), std::get<1>(rows[row]));
        EXPECT_EQ(form->tpunti->palette().color(QPalette::WindowText), std::get<2>(rows[row]));
    }
}

// The nick reaches the lookup as a quoted literal, whatever it holds.
TEST_F(CardTest, NicksThatLookLikeSqlAreComparedAsText)
{
    start(kBook);
    for (const std::string nick : {"nick", "id", "x\" or \"1\"=\"1", "Ma\"rio", "Anna\" --"}) {
        SCOPED_TRACE(nick);
        type_new_nick(nick);
        form->TDBGrid1->CommitRowEdit();
        EXPECT_TRUE(messages().empty());
        EXPECT_EQ(stored(nick)["nick"], nick);
    }
    type_new_nick("MA\"RIO");
    form->TDBGrid1->CommitRowEdit();
    EXPECT_EQ(messages(), std::vector<std::string>{"The nick is already existing in list!"});
}

// Between rows with equal texts the boxes are not assigned, so nothing is written into the row.
TEST_F(CardTest, TheCardFollowsTheRowAndTheAddNewRowClearsIt)
{
    start({{{"nick", "B"}, {"simpatia", "3"}, {"bellezza", "0"}, {"intelligenza", "5"}, {"affinita", "1"},
            {"cultura", "2"}, {"note", "one\ntwo"}, {"email", "a@x"}, {"foto2", "demo1.jpg"}, {"foto4", "demo2.jpg"}},
           {{"nick", "C"}, {"note", "same"}, {"email", "x@y"}, {"foto5", "demo3.jpg"}},
           {{"nick", "D"}, {"note", "same"}, {"email", "x@y"}}});
    const struct {
        long row;
        std::vector<int> stars;
        std::string nick, note, email;
        double fill_mark;
    } visits[] = {{1, {0, 0, 0, 0, 0}, "C", "same", "x@y", 1490}, {2, {0, 0, 0, 0, 0}, "D", "same", "x@y", 540},
                  {3, {0, 0, 0, 0, 0}, "", "", "", 510},   // the add-new row
                  {0, {3, 0, 5, 1, 2}, "B", "one\ntwo", "a@x", 1300}};
    int changes = 0;
    QObject::connect(form->Text1, &QPlainTextEdit::textChanged, [&] { ++changes; });
    QObject::connect(form->Text2, &QLineEdit::textChanged, [&] { ++changes; });
    for (const auto& v : visits) {
        SCOPED_TRACE(v.row);
        changes = 0;
        form->puntatore_foto = 4;
        form->percorso_foto = "demo2.jpg";
        ASSERT_TRUE(form->TDBGrid1->userMoveTo(v.row, 0));
        EXPECT_EQ(stars_shown(), v.stars);
        EXPECT_EQ(form->lnick->text().toStdString(), v.nick);
        EXPECT_EQ(form->Text1->toPlainText().toStdString(), v.note);
        EXPECT_EQ(form->Text2->text().toStdString(), v.email);
        EXPECT_EQ(changes == 0, v.row == 2);   // D shows C's texts
        EXPECT_EQ(form->numfoto->WidthTw(), v.fill_mark);
        EXPECT_EQ(form->puntatore_foto, 1);
        EXPECT_EQ(form->percorso_foto, "");
    }
}

// Focus into a box of a row without nick goes back to the grid; a nick of one blank is a nick.
TEST_F(CardTest, TheBoxesWriteOnlyIntoARowWithANick)
{
    preset("lingua", "1");
    start({{{"nick", "Anna"}}});
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(add_new_row(), 0));
    for (QWidget* box : {static_cast<QWidget*>(form->Text1), static_cast<QWidget*>(form->Text2)}) {
        doubles->messages->shown.clear();
        focus_in(box);
        EXPECT_EQ(messages(), std::vector<std::string>{"Manca il nick!"});
        EXPECT_TRUE(form->TDBGrid1->isAncestorOf(form->focusWidget()) || form->focusWidget() == form->TDBGrid1);
    }
    form->Text1->setPlainText("typed anyway");
    EXPECT_EQ(form->TDBGrid1->Columns("note"), "");
    doubles->messages->shown.clear();
    form->TDBGrid1->userEditCell(0, " ");
    focus_in(form->Text1);
    EXPECT_TRUE(doubles->messages->shown.empty());
    form->Text1->setPlainText("a blank nick");
    form->Text2->setText("blank@example.com");
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(0, 0));
    EXPECT_EQ(stored(" ")["note"], "a blank nick");
    EXPECT_EQ(stored(" ")["email"], "blank@example.com");
}

// Showing a note with other line breaks or a no-break space must not rewrite it.
TEST_F(CardTest, ANoteIsNotRewrittenJustByBeingShown)
{
    const std::string note = "one\r\ntwo\rthree\xC2\xA0" "four";
    start({{{"nick", "Anna"}, {"note", note}}, {{"nick", "Bruno"}}});
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(1, 0));
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(0, 0));
    EXPECT_EQ(form->Text1->toPlainText().toStdString(), "one\ntwo\nthree four");
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(1, 0));
    EXPECT_EQ(stored("Anna")["note"], note);
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(0, 0));
    form->Text1->setPlainText("one\ntwo\nthree");
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(1, 0));
    EXPECT_EQ(stored("Anna")["note"], "one\ntwo\nthree");
}

// No address can add header fields of its own.
TEST_F(CardTest, AClickSelectsTheAddressAndADoubleClickMailsItOnlyWithAnAt)
{
    start({{{"nick", "Anna"}, {"email", "anna@example.com"}}});
    testing_support::send_mouse(form->Text2, QEvent::MouseButtonPress);
    testing_support::send_mouse(form->Text2, QEvent::MouseButtonRelease);
    EXPECT_EQ(form->Text2->selectedText().toStdString(), "anna@example.com");
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(add_new_row(), 0));
    const std::tuple<std::string, std::vector<std::string>, std::string> cases[] = {
        {"", {}, "nontrovato.wav"},
        {"anna.example.com", {}, "nontrovato.wav"},
        {"@", {"mailto:@"}, "foto.wav"},
        {"élodie@example.fr", {"mailto:%C3%A9lodie@example.fr"}, "foto.wav"},
        {"x@y.z?bcc=spy@evil.org #1", {"mailto:x@y.z%3Fbcc%3Dspy@evil.org%20%231"}, "foto.wav"}};
    for (const auto& [address, opened, sound] : cases) {
        SCOPED_TRACE(address);
        doubles->shell->executed.clear();
        doubles->sound->played.clear();
        form->Text2->setText(QString::fromStdString(address));
        testing_support::send_mouse(form->Text2, QEvent::MouseButtonDblClick);
        EXPECT_EQ(doubles->shell->opened(), opened);
        EXPECT_EQ(doubles->sound->played, heard({sound.c_str()}));
    }
    EXPECT_TRUE(doubles->messages->shown.empty());
}

// Clicks go through the controls, so each star reaches its own row and position. The stars
// keep scoring while the notes hide the panel.
TEST_F(CardTest, StarClicksSetTheRatingAndTheStoredScore)
{
    start({rated("Anna", {0, 5, 0, 1, 0}), rated("Bruno", {})});
    ASSERT_EQ(score(), "240");
    EXPECT_EQ(form->Text1->focusPolicy(), Qt::NoFocus);   // covered boxes take no typing
    emit form->Image9->clicked();   // the notes in place of the stars
    EXPECT_TRUE(form->Picture1->isHidden());
    EXPECT_EQ(form->Text1->focusPolicy(), Qt::StrongFocus);
    emit form->stellag[3][3]->clicked();   // affinity 1 -> 4
    EXPECT_EQ(stars_shown()[3], 4);
    EXPECT_EQ(score(), "360");
    emit form->stellar[1][0]->clicked();   // beauty 5 -> 0
    EXPECT_EQ(stars_shown()[1], 0);
    EXPECT_EQ(score(), "160");
    emit form->Image8->clicked();
    EXPECT_FALSE(form->Picture1->isHidden());
    EXPECT_EQ(form->Text2->focusPolicy(), Qt::NoFocus);
    emit form->Image14->clicked();
    EXPECT_TRUE(form->Picture1->isHidden());
    EXPECT_EQ(doubles->sound->played, heard({"suoni.wav", "piu.wav", "meno.wav", "suoni.wav", "suoni.wav"}));
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(1, 0));
    const Contact anna = stored("Anna");
    EXPECT_EQ(anna.at("affinita") + " " + anna.at("bellezza") + " " + anna.at("punti"), "4 0 160");
}

// The score label lies over the lower half of the culture stars: a click there still reaches
// the star under the pointer, as the window hands it on.
TEST_F(CardTest, TheScoreLabelLetsClicksThroughToTheStarsUnderIt)
{
    start({rated("Anna", {})});
    for (int i = 1; i <= 3; ++i) {
        SCOPED_TRACE(i);
        const QPoint lower_half(platform::px(240 + 300 * i + 97), platform::px(180 + 480 * 4 + 170));
        const QPoint at = form->Picture1->mapTo(form.get(), lower_half);
        ASSERT_TRUE(form->tpunti->geometry().contains(lower_half));
        QWidget* target = form->childAt(at);
        ASSERT_EQ(target, form->stellag[4][i]);
        testing_support::send_mouse(target, QEvent::MouseButtonPress);
        testing_support::send_mouse(target, QEvent::MouseButtonRelease);
        EXPECT_EQ(stars_shown()[4], i + 1);
    }
    EXPECT_EQ(score(), "160");
}

// A pending nick is committed before the rating; when the book refuses it, the row is still rated.
TEST_F(CardTest, AStarClickNeedsANickAndCommitsItFirst)
{
    start({rated("Anna", {2})});
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(add_new_row(), 0));
    emit form->stellag[0][2]->clicked();
    form->stellar_Click(1, 0);
    EXPECT_EQ(messages(), std::vector<std::string>(2, "The nick miss!"));
    EXPECT_EQ(stars_shown()[0], 0);
    EXPECT_EQ(score(), "0");
    EXPECT_EQ(form->TDBGrid1->AddNewState(), 1);
    EXPECT_TRUE(doubles->sound->played.empty());
    form->TDBGrid1->userEditCell(0, "Carla");
    form->stellag_Click(3, 1);
    EXPECT_EQ(stored("Carla").at("intelligenza"), "");
    EXPECT_EQ(form->TDBGrid1->Columns("intelligenza"), "2");
    doubles->messages->shown.clear();
    type_new_nick("anna");
    form->stellag_Click(1, 2);
    EXPECT_EQ(messages(), std::vector<std::string>{"The nick is already existing in list!"});
    EXPECT_EQ(stars_shown()[0], 3);
    EXPECT_EQ(form->TDBGrid1->Columns("simpatia"), "3");
    EXPECT_EQ(form->TDBGrid1->Columns("punti"), "120");
    EXPECT_EQ(doubles->sound->played.back(), program + "/piu.wav");
    EXPECT_EQ(stored_count(), 2);
}

} // namespace
