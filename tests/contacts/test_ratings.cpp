// The ratings panel: star clicks change a rating and the score in the row and the book, and
// the score's colour follows its bands.
#include "tests/support/helpers.h"
#include "tests/support/main_fixture.h"

#include <algorithm>

using testing_support::Contact;

namespace {

const QColor kDarkBlue(0, 0, 128), kDarkGreen(0, 128, 0), kLightBlue(0, 0, 255);

Contact rated(const std::string& nick, const std::vector<int>& ratings)
{
    Contact c{{"nick", nick}};
    for (size_t k = 0; k < ratings.size(); ++k)
        c[Main::colonne_voti[k]] = std::to_string(ratings[k]);
    return c;
}

class RatingsTest : public testing_support::MainFixture {
protected:
    void SetUp() override
    {
        MainFixture::SetUp();
        for (const char* name : {"piu.wav", "meno.wav", "suoni.wav"})
            testing_support::write_file(QString::fromStdString(program + "/" + name), "");
    }
    long add_new_row() const { return form->TDBGrid1->model()->rowCount() - 1; }
    long red_stars(int riga) const
    {
        return std::count_if(form->stellar[riga - 1].begin(), form->stellar[riga - 1].end(),
                             [](const QWidget* star) { return !star->isHidden(); });
    }
    std::string score() const { return form->tpunti->text().toStdString(); }
};

// Clicks go through the controls themselves, so each star reaches its own row and position.
// The stars keep scoring while the notes hide the panel.
TEST_F(RatingsTest, StarClicksSetTheRatingAndTheStoredScoreAndThePanelShowsAndHides)
{
    start({rated("Anna", {0, 5, 0, 1, 0}), rated("Bruno", {})});
    ASSERT_EQ(score(), "240");
    EXPECT_EQ(form->Text1->focusPolicy(), Qt::NoFocus);   // covered boxes take no typing
    emit form->Image9->clicked();
    EXPECT_TRUE(form->Picture1->isHidden());
    EXPECT_EQ(form->Text1->focusPolicy(), Qt::StrongFocus);
    emit form->stellag[3][3]->clicked();   // affinity 1 -> 4
    EXPECT_EQ(red_stars(4), 4);
    EXPECT_EQ(score(), "360");
    emit form->stellar[1][0]->clicked();   // beauty 5 -> 0
    EXPECT_EQ(red_stars(2), 0);
    EXPECT_EQ(score(), "160");
    emit form->Image8->clicked();
    EXPECT_FALSE(form->Picture1->isHidden());
    EXPECT_EQ(form->Text2->focusPolicy(), Qt::NoFocus);
    emit form->Image14->clicked();
    EXPECT_TRUE(form->Picture1->isHidden());
    std::vector<std::string> sounds;
    for (const char* name : {"suoni.wav", "piu.wav", "meno.wav", "suoni.wav", "suoni.wav"})
        sounds.push_back(program + "/" + name);
    EXPECT_EQ(doubles->sound->played, sounds);
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(1, 0));
    const Contact anna = stored("Anna");
    EXPECT_EQ(anna.at("affinita"), "4");
    EXPECT_EQ(anna.at("bellezza"), "0");
    EXPECT_EQ(anna.at("punti"), "160");
}

// Each score is shown after the one above it: 480 and 720 keep whatever colour was shown,
// the design green at first. The card's score comes from the stars, whatever "punti" holds.
TEST_F(RatingsTest, TheScoreColourFollowsItsBandsAndKeepsItBetweenThem)
{
    const std::vector<std::tuple<std::vector<int>, std::string, QColor>> rows = {
        {{5, 5, 2}, "480", kDarkGreen},    {{5, 5, 1}, "440", kDarkBlue},     {{5, 5, 2}, "480", kDarkBlue},
        {{5, 5, 5, 3}, "720", kDarkBlue},  {{5, 5, 3}, "520", kDarkGreen},    {{5, 5, 5, 2}, "680", kDarkGreen},
        {{5, 5, 5, 3}, "720", kDarkGreen}, {{5, 5, 5, 4}, "760", kLightBlue}, {{5, 5, 5, 3}, "720", kLightBlue},
        {{5, 5, 2}, "480", kLightBlue},    {{}, "0", kDarkBlue},              {{5, 5, 5, 5, 5}, "1000", kLightBlue}};
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

// Without a nick a click changes nothing. A pending nick is committed before the rating is
// set; when the book refuses it, the click still rates the row.
TEST_F(RatingsTest, AStarClickNeedsANickAndCommitsItFirst)
{
    start({rated("Anna", {2})});
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(add_new_row(), 0));
    emit form->stellag[0][2]->clicked();
    form->stellar_Click(1, 0);
    ASSERT_EQ(doubles->messages->shown.size(), 2u);
    EXPECT_EQ(doubles->messages->shown[1].text, "The nick miss!");
    EXPECT_EQ(red_stars(1), 0);
    EXPECT_EQ(score(), "0");
    EXPECT_EQ(form->TDBGrid1->AddNewState(), 1);
    EXPECT_TRUE(doubles->sound->played.empty());

    form->TDBGrid1->userEditCell(0, "Carla");
    form->stellag_Click(3, 1);
    EXPECT_EQ(stored("Carla").at("intelligenza"), "");
    EXPECT_EQ(form->TDBGrid1->Columns("intelligenza"), "2");

    doubles->messages->shown.clear();
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(add_new_row(), 0));
    form->TDBGrid1->userEditCell(0, "anna");
    form->stellag_Click(1, 2);
    ASSERT_EQ(doubles->messages->shown.size(), 1u);
    EXPECT_EQ(doubles->messages->shown[0].text, "The nick is already existing in list!");
    EXPECT_EQ(red_stars(1), 3);
    EXPECT_EQ(form->TDBGrid1->Columns("simpatia"), "3");
    EXPECT_EQ(form->TDBGrid1->Columns("punti"), "120");
    EXPECT_EQ(doubles->sound->played.back(), program + "/piu.wav");
    EXPECT_EQ(stored_count(), 2);
}

} // namespace
