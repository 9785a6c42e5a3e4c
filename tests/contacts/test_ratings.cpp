// The ratings panel: star clicks change a rating and the score in the row and the book, the
// score label's colour follows its bands, and the panel shows and hides.
#include "tests/support/main_fixture.h"

#include <QFile>
#include <tuple>

using testing_support::Contact;
using testing_support::MainFixture;

namespace {

const QColor kDarkBlue(0, 0, 128), kDarkGreen(0, 128, 0), kLightBlue(0, 0, 255);

Contact rated(const std::string& nick, const std::vector<int>& ratings)
{
    Contact c{{"nick", nick}};
    for (size_t k = 0; k < ratings.size(); ++k)
        c[Main::colonne_voti[k]] = std::to_string(ratings[k]);
    return c;
}

class RatingsTest : public MainFixture {
protected:
    void SetUp() override
    {
        MainFixture::SetUp();
        for (const char* name : {"piu.wav", "meno.wav", "suoni.wav"})
            QFile(QString::fromStdString(program + "/" + name)).open(QIODevice::WriteOnly);
    }

    long add_new_row() const { return form->TDBGrid1->model()->rowCount() - 1; }
    int red_stars(int riga) const
    {
        int red = 0;
        for (int i = 0; i < 5; ++i)
            red += form->stellar[riga - 1][i]->isHidden() ? 0 : 1;
        return red;
    }
    std::string score() const { return form->tpunti->text().toStdString(); }
    QColor colour() const { return form->tpunti->palette().color(QPalette::WindowText); }
    std::vector<std::string> sounds(std::initializer_list<const char*> names) const
    {
        std::vector<std::string> paths;
        for (const char* name : names)
            paths.push_back(program + "/" + name);
        return paths;
    }
};

// Clicks through the star controls themselves, so each reaches its own row and position.
TEST_F(RatingsTest, StarClicksSetTheRatingAndTheStoredScore)
{
    start({rated("Anna", {0, 5, 0, 1, 0}), rated("Bruno", {})});
    ASSERT_EQ(score(), "240");
    emit form->stellag[3][3]->clicked();   // affinity 1 -> 4
    EXPECT_EQ(red_stars(4), 4);
    EXPECT_EQ(score(), "360");
    emit form->stellar[1][4]->clicked();   // beauty 5 -> 4
    emit form->stellar[1][0]->clicked();   // beauty 4 -> 0
    EXPECT_EQ(red_stars(2), 0);
    EXPECT_EQ(score(), "160");
    EXPECT_EQ(doubles->sound->played, sounds({"piu.wav", "meno.wav", "meno.wav"}));
    EXPECT_EQ(form->TDBGrid1->Columns("punti"), "160");
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(1, 0));
    const Contact anna = stored("Anna");
    EXPECT_EQ(anna.at("affinita"), "4");
    EXPECT_EQ(anna.at("bellezza"), "0");
    EXPECT_EQ(anna.at("punti"), "160");
}

TEST_F(RatingsTest, TheScoreColourFollowsItsBandsAndKeepsItBetweenThem)
{
    // Each score is shown after the one above it; 480 and 720 follow every band's colour.
    const std::vector<std::tuple<std::vector<int>, std::string, QColor>> rows = {
        {{5, 5, 5}, "600", kDarkGreen},    {{5, 5, 2}, "480", kDarkGreen},    {{5, 5, 1}, "440", kDarkBlue},
        {{5, 5, 2}, "480", kDarkBlue},     {{5, 5, 5, 3}, "720", kDarkBlue},  {{5, 5, 3}, "520", kDarkGreen},
        {{5, 5, 5, 2}, "680", kDarkGreen}, {{5, 5, 5, 3}, "720", kDarkGreen}, {{5, 5, 5, 4}, "760", kLightBlue},
        {{5, 5, 5, 3}, "720", kLightBlue}, {{5, 5, 2}, "480", kLightBlue},    {{}, "0", kDarkBlue},
        {{5, 5, 5, 5, 5}, "1000", kLightBlue}};
    std::vector<Contact> book;
    for (size_t n = 0; n < rows.size(); ++n)
        book.push_back(rated("c" + std::to_string(n + 10), std::get<0>(rows[n])));
    start(book);
    for (long row = 0; row < static_cast<long>(rows.size()); ++row) {
        SCOPED_TRACE(row);
        ASSERT_TRUE(form->TDBGrid1->userMoveTo(row, 0));
        EXPECT_EQ(score(), std::get<1>(rows[row]));
        EXPECT_EQ(colour(), std::get<2>(rows[row]));
    }
}

// The first score shown keeps the design colour between the bands, and the card's score comes
// from the stars, whatever "punti" holds.
TEST_F(RatingsTest, AFirstScoreBetweenTheBandsKeepsTheDesignGreen)
{
    Contact c = rated("Anna", {5, 5, 2});
    c["punti"] = "999";
    start({c});
    EXPECT_EQ(score(), "480");
    EXPECT_EQ(colour(), kDarkGreen);
}

TEST_F(RatingsTest, AStarClickOnARowWithoutNickChangesNothing)
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
}

// A pending nick is committed first; when the book refuses it, the click still rates the row.
TEST_F(RatingsTest, AStarClickCommitsThePendingNickAndRatesEvenWhenRefused)
{
    start({rated("Anna", {})});
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(add_new_row(), 0));
    form->TDBGrid1->userEditCell(0, "Carla");
    form->stellag_Click(3, 1);
    EXPECT_EQ(stored("Carla").at("intelligenza"), "");   // written before the stars changed
    EXPECT_EQ(form->TDBGrid1->Columns("intelligenza"), "2");

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

// The stars keep scoring while the panel is hidden and the notes are shown.
TEST_F(RatingsTest, ThePanelShowsAndHidesWithASoundEachTime)
{
    start({rated("Anna", {1}), rated("Bruno", {2, 2})});
    EXPECT_FALSE(form->Picture1->isHidden());
    const std::pair<platform::ImageControl*, bool> steps[] = {
        {form->Image9, false}, {form->Image9, false}, {form->Image8, true}, {form->Image8, true}, {form->Image14, false}};
    for (const auto& [area, shown_after] : steps) {
        emit area->clicked();
        EXPECT_EQ(!form->Picture1->isHidden(), shown_after);
    }
    EXPECT_EQ(doubles->sound->played, std::vector<std::string>(5, program + "/suoni.wav"));
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(1, 0));
    EXPECT_EQ(score(), "160");
    form->stellag_Click(5, 0);
    EXPECT_EQ(score(), "200");
}

} // namespace
