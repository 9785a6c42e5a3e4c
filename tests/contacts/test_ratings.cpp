// The ratings panel: star clicks change a rating and the score in the row and the book, the
// score label's colour follows its bands, and the panel shows and hides.
#include "tests/support/main_fixture.h"

#include "platform/runtime.h"

#include <QFile>
#include <tuple>

using testing_support::Contact;
using testing_support::MainFixture;

namespace {

class RatingsTest : public MainFixture {
protected:
    void SetUp() override
    {
        MainFixture::SetUp();
        for (const char* name : {"piu.wav", "meno.wav", "suoni.wav"}) {
            QFile f(QString::fromStdString(program + "/" + name));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
    }

    long add_new_row() const { return form->TDBGrid1->model()->rowCount() - 1; }

    std::vector<int> stars_shown() const
    {
        std::vector<int> rows;
        for (int riga = 0; riga < 5; ++riga) {
            int red = 0;
            for (int i = 0; i < 5; ++i) {
                EXPECT_NE(form->stellar[riga][i]->isHidden(), form->stellag[riga][i]->isHidden());
                red += form->stellar[riga][i]->isHidden() ? 0 : 1;
            }
            rows.push_back(red);
        }
        return rows;
    }

    std::string score() const { return form->tpunti->text().toStdString(); }
    QColor colour() const { return form->tpunti->palette().color(QPalette::WindowText); }
    std::vector<std::string> sounds() const { return doubles->sound->played; }
    std::string sound(const char* name) const { return program + "/" + name; }
};

Contact rated(const std::string& nick, const std::vector<int>& ratings)
{
    const char* fields[5] = {"simpatia", "bellezza", "intelligenza", "affinita", "cultura"};
    Contact c{{"nick", nick}};
    for (size_t k = 0; k < ratings.size(); ++k)
        c[fields[k]] = std::to_string(ratings[k]);
    return c;
}

const QColor kDarkBlue(0, 0, 128), kDarkGreen(0, 128, 0), kLightBlue(0, 0, 255);

TEST_F(RatingsTest, AGreyStarRaisesTheRatingAndTheStoredScore)
{
    start({rated("Anna", {0, 0, 0, 1, 0}), rated("Bruno", {})});
    ASSERT_EQ(score(), "40");
    emit form->stellag[3][3]->clicked();
    EXPECT_EQ(stars_shown(), (std::vector<int>{0, 0, 0, 4, 0}));
    EXPECT_EQ(score(), "160");
    EXPECT_EQ(form->TDBGrid1->Columns("affinita"), "4");
    EXPECT_EQ(form->TDBGrid1->Columns("punti"), "160");
    EXPECT_EQ(sounds(), std::vector<std::string>{sound("piu.wav")});
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(1, 0));
    const Contact anna = stored("Anna");
    EXPECT_EQ(anna.at("affinita"), "4");
    EXPECT_EQ(anna.at("punti"), "160");
}

struct RedCase {
    int index;
    int rating_after;
    std::string score_after;
};

class RatingsRedStarTest : public RatingsTest, public ::testing::WithParamInterface<RedCase> {};

TEST_P(RatingsRedStarTest, ARedStarLowersTheRatingToItsPosition)
{
    start({rated("Anna", {0, 5, 0, 0, 0}), rated("Bruno", {})});
    ASSERT_EQ(score(), "200");
    form->stellar_Click(2, static_cast<int16_t>(GetParam().index));
    EXPECT_EQ(stars_shown(), (std::vector<int>{0, GetParam().rating_after, 0, 0, 0}));
    EXPECT_EQ(score(), GetParam().score_after);
    EXPECT_EQ(sounds(), std::vector<std::string>{sound("meno.wav")});
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(1, 0));
    EXPECT_EQ(stored("Anna").at("bellezza"), std::to_string(GetParam().rating_after));
    EXPECT_EQ(stored("Anna").at("punti"), GetParam().score_after);
}

void PrintTo(const RedCase& c, std::ostream* os) { *os << "red star " << c.index; }

INSTANTIATE_TEST_SUITE_P(Positions, RatingsRedStarTest,
                         ::testing::Values(RedCase{0, 0, "0"}, RedCase{4, 4, "160"}, RedCase{2, 2, "80"}));

// Each of the fifty stars reaches its own row and position.
TEST_F(RatingsTest, EveryStarIsWiredToItsRowAndPosition)
{
    start({rated("Anna", {})});
    for (int riga = 0; riga < 5; ++riga)
        for (int i = 0; i < 5; ++i) {
            SCOPED_TRACE(riga * 5 + i);
            emit form->stellag[riga][i]->clicked();
            std::vector<int> expected(5, 0);
            expected[riga] = i + 1;
            EXPECT_EQ(stars_shown(), expected);
            emit form->stellar[riga][0]->clicked();
            EXPECT_EQ(stars_shown(), std::vector<int>(5, 0));
        }
}

TEST_F(RatingsTest, TheScoreColourFollowsItsBandsAndKeepsItBetweenThem)
{
    // Each score is shown after the one above it; 480 and 720 follow every band's colour.
    const std::vector<std::tuple<std::vector<int>, std::string, QColor>> rows = {
        {{5, 5, 5}, "600", kDarkGreen},      {{5, 5, 2}, "480", kDarkGreen},
        {{5, 5, 1}, "440", kDarkBlue},       {{5, 5, 2}, "480", kDarkBlue},
        {{5, 5, 5, 3}, "720", kDarkBlue},    {{5, 5, 3}, "520", kDarkGreen},
        {{5, 5, 5, 2}, "680", kDarkGreen},   {{5, 5, 5, 3}, "720", kDarkGreen},
        {{5, 5, 5, 4}, "760", kLightBlue},   {{5, 5, 5, 3}, "720", kLightBlue},
        {{5, 5, 2}, "480", kLightBlue},      {{}, "0", kDarkBlue},
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

TEST_F(RatingsTest, AFirstScoreBetweenTheBandsKeepsTheDesignGreen)
{
    start({rated("a480", {5, 5, 2})});
    EXPECT_EQ(score(), "480");
    EXPECT_EQ(colour(), kDarkGreen);
}

// The score on the card comes from the stars, whatever "punti" holds.
TEST_F(RatingsTest, TheCardScoreIgnoresTheStoredScore)
{
    Contact c = rated("Anna", {1, 1});
    c["punti"] = "999";
    start({c});
    EXPECT_EQ(score(), "80");
}

TEST_F(RatingsTest, AStarClickOnARowWithoutNickChangesNothing)
{
    start({rated("Anna", {2})});
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(add_new_row(), 0));
    emit form->stellag[0][2]->clicked();
    form->stellar_Click(1, 0);
    ASSERT_EQ(doubles->messages->shown.size(), 2u);
    EXPECT_EQ(doubles->messages->shown[0].text, "The nick miss!");
    EXPECT_EQ(stars_shown(), std::vector<int>(5, 0));
    EXPECT_EQ(score(), "0");
    EXPECT_EQ(form->TDBGrid1->Columns("simpatia"), "");
    EXPECT_TRUE(sounds().empty());
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(0, 0));
    EXPECT_EQ(stored_count(), 1);
}

// A pending nick is committed first; when the book refuses it, the click still rates the row.
TEST_F(RatingsTest, AStarClickCommitsThePendingNickAndRatesEvenWhenRefused)
{
    start({rated("Anna", {})});
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(add_new_row(), 0));
    form->TDBGrid1->userEditCell(0, "Carla");
    emit form->stellag[2][1]->clicked();
    EXPECT_EQ(stored("Carla").at("intelligenza"), "");   // written by the commit, before the stars
    EXPECT_EQ(form->TDBGrid1->Columns("intelligenza"), "2");

    ASSERT_TRUE(form->TDBGrid1->userMoveTo(add_new_row(), 0));
    form->TDBGrid1->userEditCell(0, "anna");
    emit form->stellag[0][2]->clicked();
    ASSERT_EQ(doubles->messages->shown.size(), 1u);
    EXPECT_EQ(doubles->messages->shown[0].text, "The nick is already existing in list!");
    EXPECT_EQ(stars_shown(), (std::vector<int>{3, 0, 0, 0, 0}));
    EXPECT_EQ(score(), "120");
    EXPECT_EQ(form->TDBGrid1->Columns("simpatia"), "3");
    EXPECT_EQ(form->TDBGrid1->Columns("punti"), "120");
    EXPECT_EQ(sounds().back(), sound("piu.wav"));
    EXPECT_EQ(stored_count(), 2);
}

TEST_F(RatingsTest, ThePanelShowsAndHidesWithASoundEachTime)
{
    start({rated("Anna", {})});
    EXPECT_FALSE(form->Picture1->isHidden());
    struct Step {
        platform::ImageControl* area;
        bool shown_after;
    };
    const Step steps[] = {{form->Image9, false}, {form->Image9, false}, {form->Image8, true},
                          {form->Image8, true},  {form->Image14, false}};
    for (const auto& step : steps) {
        emit step.area->clicked();
        EXPECT_EQ(!form->Picture1->isHidden(), step.shown_after);
    }
    EXPECT_EQ(sounds(), std::vector<std::string>(5, sound("suoni.wav")));
}

// The stars keep the rating while the panel is hidden: the notes are shown, the score stays.
TEST_F(RatingsTest, AHiddenPanelStillScoresAndRates)
{
    start({rated("Anna", {1}), rated("Bruno", {2, 2})});
    form->Image9_Click();
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(1, 0));
    EXPECT_EQ(score(), "160");
    form->stellag_Click(5, 0);
    EXPECT_EQ(score(), "200");
    EXPECT_EQ(form->TDBGrid1->Columns("cultura"), "1");
}

} // namespace
