// The grid's rules: a nick first, no two rows with one nick, the card following the row.
#include "tests/support/main_fixture.h"

using testing_support::MainFixture;

namespace {

const std::vector<testing_support::Contact> kBook = {
    {{"nick", "Anna"}, {"nome", "Anna Rossi"}, {"email", "anna@example.com"}},
    {{"nick", "Bruno"}, {"nome", "Bruno Verdi"}, {"email", "bruno@example.org"}},
    {{"nick", "Mario"}, {"nome", "Mario Neri"}},
};

class GridRulesTest : public MainFixture {
protected:
    long add_new_row() const { return form->TDBGrid1->model()->rowCount() - 1; }
    std::vector<std::string> messages() const
    {
        std::vector<std::string> texts;
        for (const auto& m : doubles->messages->shown)
            texts.push_back(m.text);
        return texts;
    }
};

TEST_F(GridRulesTest, TheNameCannotBeTypedOnTheAddNewRowBeforeANick)
{
    start(kBook);
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(add_new_row(), 0));
    EXPECT_FALSE(form->TDBGrid1->userBeginEdit(1, 'a'));
    EXPECT_EQ(messages(), std::vector<std::string>{"The nick miss!"});
    EXPECT_EQ(doubles->messages->shown[0].style, platform::vbOKOnly | platform::vbCritical);
    EXPECT_TRUE(form->TDBGrid1->userBeginEdit(0, 'a'));
    EXPECT_EQ(messages().size(), 1u);
}

// A row keeps its own nick; another row may not take it in any letter case, and the user
// stays on the refused row with nothing written. The message follows the language.
TEST_F(GridRulesTest, ANickBelongsToOneRowWhateverItsLetterCase)
{
    start(kBook);
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(0, 1));
    form->TDBGrid1->userEditCell(1, "Anna Gialli");
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(1, 0));
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(stored("Anna")["nome"], "Anna Gialli");

    const long row = add_new_row();
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(row, 0));
    form->TDBGrid1->userEditCell(0, "MARIO");
    EXPECT_FALSE(form->TDBGrid1->userMoveTo(0, 0));
    EXPECT_EQ(messages(), std::vector<std::string>{"The nick is already existing in list!"});
    EXPECT_EQ(form->TDBGrid1->currentRow(), row);
    form->lingua = 1;
    form->TDBGrid1->CommitRowEdit();
    EXPECT_EQ(messages().back(), "Il nick è già esistente in lista!");
    EXPECT_EQ(stored_count(), 3);
}

// The nick reaches the lookup as a quoted literal, whatever it holds.
TEST_F(GridRulesTest, NicksThatLookLikeSqlAreComparedAsText)
{
    start(kBook);
    for (const std::string nick : {"nick", "id", "x\" or \"1\"=\"1", "Ma\"rio", "Anna\" --"}) {
        SCOPED_TRACE(nick);
        ASSERT_TRUE(form->TDBGrid1->userMoveTo(add_new_row(), 0));
        form->TDBGrid1->userEditCell(0, nick);
        form->TDBGrid1->CommitRowEdit();
        EXPECT_TRUE(messages().empty());
        EXPECT_EQ(stored(nick)["nick"], nick);
    }
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(add_new_row(), 0));
    form->TDBGrid1->userEditCell(0, "MA\"RIO");
    form->TDBGrid1->CommitRowEdit();
    EXPECT_EQ(messages(), std::vector<std::string>{"The nick is already existing in list!"});
}

// The first row change loads the card; a move within the row refreshes the labels only.
TEST_F(GridRulesTest, MovingWithinARowRefreshesTheLabelsButDoesNotReloadTheCard)
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

TEST_F(GridRulesTest, TheAddNewRowClearsTheCardAndComingBackReloadsItOnce)
{
    start(kBook);
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(add_new_row(), 0));
    EXPECT_TRUE(form->era_su_nuova_riga);
    EXPECT_EQ(form->lnick->text().toStdString(), "");
    EXPECT_EQ(form->Text2->text().toStdString(), "");
    EXPECT_EQ(form->tpunti->text().toStdString(), "0");
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(0, 0));   // the row it came from
    EXPECT_FALSE(form->era_su_nuova_riga);
    EXPECT_EQ(form->Text2->text().toStdString(), "anna@example.com");
    EXPECT_EQ(form->lnick->text().toStdString(), "Anna");
}

TEST_F(GridRulesTest, WhileAnImportRunsTheCardStaysAsItWas)
{
    start(kBook);
    form->importazione_in_corso = true;
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(1, 0));
    EXPECT_EQ(form->lnick->text().toStdString(), "Anna");
    form->importazione_in_corso = false;
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(2, 0));
    EXPECT_EQ(form->lnick->text().toStdString(), "Mario");
}

} // namespace
