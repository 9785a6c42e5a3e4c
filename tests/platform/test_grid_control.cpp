#include "platform/data_control.h"
#include "platform/failure.h"
#include "platform/grid_control.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTemporaryDir>
#include "tests/support/helpers.h"
#include "tests/support/main_fixture.h"
#include <gtest/gtest.h>
#include <set>
#include <sqlite3.h>

using namespace platform;
using Strings = std::vector<std::string>;
using testing_support::press;

namespace {

class GridTest : public ::testing::Test {
protected:
    // The grid in nick order over a book with the shipped schema holding these nicks.
    void open(const Strings& nicks, const std::string& insert = {})
    {
        std::vector<testing_support::Contact> contacts;
        for (const std::string& nick : nicks)
            contacts.push_back({{"nick", nick}});
        testing_support::make_book(dir.path().toStdString(), contacts);
        ASSERT_EQ(testing_support::RawBook(book).exec(insert), SQLITE_OK);
        std::vector<GridColumn> design;   // the contact grid's: id and espr1 cannot be edited
        for (const std::string field : {"Nick", "Nome", "Note", "Email", "Foto1", "Foto2", "Foto3", "Foto4", "Foto5",
                                        "Simpatia", "Bellezza", "Intelligenza", "Affinita", "Cultura", "Punti", "id",
                                        "Espr1"})
            design.push_back({field, field, 1000, field == "Nick" || field == "Nome" || field == "Espr1",
                              field == "id" || field == "Espr1"});
        grid.setColumns(design);
        data.DatabaseName = book;
        testing_support::use_book_keys(data);
        data.RecordSource = "select * from qcontatti order by nick";
        grid.setDataSource(&data);
        grid.RowColChange = [this](std::optional<long long> row, int16_t column) { changes.push_back({row, column}); };
        grid.BeforeUpdate = [this](int16_t& cancel) {
            ++before_update;
            cancel = refuse ? -1 : 0;
        };
        data.Refresh();
        changes.clear();
    }
    // What the file holds now, in nick order.
    Strings stored(const std::string& field = "nick")
    {
        DataControl reader;
        reader.Connect = data.Connect;
        reader.KeyField = "id";
        reader.DatabaseName = book;
        reader.TextKeyColumns = data.TextKeyColumns;
        reader.RecordSource = "select * from qcontatti order by nick";
        reader.Refresh();
        Strings values;
        for (long i = 0; i < reader.recordset().size(); ++i)
            values.push_back(reader.recordset().value(i, reader.recordset().column_index(field)).value_or("<null>"));
        return values;
    }
    QTemporaryDir dir;
    const std::string book = dir.filePath("contatti.mdb").toStdString();
    DataControl data;
    DataGrid grid;
    std::vector<std::pair<std::optional<long long>, int16_t>> changes;   // RowColChange's
    int before_update = 0;
    bool refuse = false;
};

TEST_F(GridTest, TheAddNewRowStoresANewContactOnCommitAndDeleteDropsItOrAStoredRow)
{
    open({"anna", "bruno"});
    const auto anna = grid.RowBookmark();
    grid.DeleteCurrentRow();   // the row now at that position becomes current
    EXPECT_EQ(grid.Columns(0), "bruno");
    EXPECT_EQ(changes, (decltype(changes){{anna, 0}}));
    ASSERT_TRUE(grid.userMoveTo(1, 0));
    EXPECT_EQ(grid.AddNewState(), 1);
    EXPECT_EQ(grid.RowBookmark(), std::nullopt);
    EXPECT_EQ(data.recordset().AbsolutePosition(), -1);
    EXPECT_THROW(grid.DeleteCurrentRow(), StepError);   // nothing typed: nothing to delete
    grid.userEditCell(0, "carla");
    EXPECT_EQ(grid.AddNewState(), 2);
    EXPECT_EQ(grid.Columns(0), "carla");
    grid.CommitRowEdit();
    EXPECT_EQ(grid.AddNewState(), 0);
    EXPECT_EQ(grid.RowBookmark(), data.recordset().bookmark(1));
    EXPECT_EQ(grid.model()->rowCount(), 3);   // a fresh add-new row below
    EXPECT_EQ(stored(), (Strings{"bruno", "carla"}));
    grid.CommitRowEdit();   // nothing pending: no write, no event
    EXPECT_EQ(before_update, 1);
    ASSERT_TRUE(grid.userMoveTo(2, 0));
    grid.userEditCell(0, "dario");
    grid.DeleteCurrentRow();   // never stored: dropped
    EXPECT_EQ(grid.AddNewState(), 1);
    EXPECT_EQ(grid.Columns(0), "");
    ASSERT_TRUE(grid.userMoveTo(1, 0));
    grid.DeleteCurrentRow();   // the last row: the add-new row becomes current
    EXPECT_EQ(grid.AddNewState(), 1);
    EXPECT_EQ(stored(), Strings{"bruno"});
}

// The row header drops deleted rows its own way; every row must still be where the model has
// it, for the keys, the mouse and the scroll bar.
TEST_F(GridTest, DeletedRowsLeaveEveryRowInItsPlace)
{
    Strings nicks;
    for (int i = 10; i < 50; ++i)
        nicks.push_back("nick" + std::to_string(i));
    open(nicks);
    grid.resize(400, 200);
    const QHeaderView& rows = *grid.verticalHeader();
    const int height = rows.defaultSectionSize();
    ASSERT_TRUE(grid.userMoveTo(5, 0));
    grid.DeleteCurrentRow();   // inside the rows
    ASSERT_TRUE(grid.userMoveTo(38, 0));
    grid.DeleteCurrentRow();   // the last stored row: the add-new row is current
    EXPECT_EQ(grid.AddNewState(), 1);
    ASSERT_EQ(grid.model()->rowCount(), 39);
    EXPECT_EQ(rows.count(), 39);
    EXPECT_EQ(rows.length(), 39 * height);
    EXPECT_EQ(rows.sectionPosition(38), 38 * height);

    QApplication::processEvents();   // the view lays itself out again
    grid.scrollToBottom();
    const int bottom = grid.viewport()->height() - 1;
    EXPECT_EQ(grid.rowAt(bottom), 38);   // the add-new row closes the grid, nothing below
    EXPECT_EQ(grid.verticalScrollBar()->maximum() + grid.verticalScrollBar()->pageStep(),
              39);   // it scrolls a row at a time
    press(&grid, Qt::Key_Up);
    EXPECT_EQ(grid.Columns(0), "nick48");
    press(&grid, Qt::Key_Down);
    EXPECT_EQ(grid.AddNewState(), 1);
    press(&grid, Qt::Key_Down);   // no row below the add-new row
    EXPECT_EQ(grid.currentRow(), 38);

    grid.userEditCell(0, "zeno");
    grid.CommitRowEdit();   // a fresh add-new row after the drops
    EXPECT_EQ(rows.count(), 40);
    EXPECT_EQ(rows.sectionPosition(39), 39 * height);
}

TEST_F(GridTest, ColumnsReadThePendingEditOverTheStoredRow)
{
    open({"anna"});
    EXPECT_EQ(grid.Columns("nome"), "");   // Null
    EXPECT_EQ(grid.Columns("Espr1"), "0");
    grid.SetColumn("note", "amica");
    grid.SetColumn("punti", 12.5);
    EXPECT_EQ(grid.Columns(2), "amica");
    EXPECT_EQ(grid.Columns("PUNTI"), "12.5");
    EXPECT_TRUE(grid.userMoveTo(0, 1));   // within the row: RowColChange, no write
    EXPECT_EQ(changes, (decltype(changes){{grid.RowBookmark(), 0}}));
    EXPECT_EQ(stored("note"), Strings{"<null>"});
    grid.CommitRowEdit();
    EXPECT_EQ(stored("note"), Strings{"amica"});
    EXPECT_EQ(stored("punti"), Strings{"12.5"});
    grid.SetColumn("note", "");   // an emptied cell stores Null
    grid.CommitRowEdit();
    EXPECT_EQ(stored("note"), Strings{"<null>"});
    EXPECT_THROW(grid.Columns("nickname"), StepError);
    EXPECT_THROW(grid.Columns(17), StepError);
}

TEST_F(GridTest, ARefusedWriteKeepsTheUserOnTheRowWithTheEdit)
{
    open({"anna", "bruno"});
    grid.userEditCell(0, "anna2");
    refuse = true;   // by the before-write event: a move, a key and a click all stay
    EXPECT_FALSE(grid.userMoveTo(1, 0));
    press(&grid, Qt::Key_Down);
    grid.resize(300, 200);
    const QPoint bruno = grid.visualRect(grid.model()->index(1, 1)).center();
    QMouseEvent click(QEvent::MouseButtonPress, bruno, grid.viewport()->mapToGlobal(bruno), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grid.viewport(), &click);
    EXPECT_EQ(grid.currentRow(), 0);
    EXPECT_EQ(grid.Columns(0), "anna2");
    EXPECT_EQ(stored(), (Strings{"anna", "bruno"}));
    EXPECT_TRUE(changes.empty());
    refuse = false;
    QApplication::sendEvent(grid.viewport(), &click);
    EXPECT_EQ(std::make_pair(grid.currentRow(), grid.currentColumn()), std::make_pair(1L, 1));
    EXPECT_EQ(stored(), (Strings{"anna2", "bruno"}));
}

TEST_F(GridTest, TheGridFollowsTheDataControl)
{
    open({"anna", "bruno", "carla"});
    data.recordset().FindFirst("nick like \"BR*\"");
    EXPECT_EQ(grid.Columns(0), "bruno");
    data.recordset().MoveLast();
    EXPECT_EQ(grid.currentRow(), 2);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[1].first, data.recordset().bookmark(1));
    grid.userEditCell(1, "Rossi");   // an edit pending on the row left is written first
    data.recordset().MoveFirst();
    EXPECT_EQ(grid.currentRow(), 0);
    EXPECT_EQ(stored("nome"), (Strings{"<null>", "<null>", "Rossi"}));
    grid.userEditCell(1, "Verdi");   // one refused there is dropped: the control has moved already
    refuse = true;
    data.recordset().MoveLast();
    refuse = false;
    EXPECT_EQ(grid.currentRow(), 2);
    grid.userMoveTo(0, 1);
    EXPECT_EQ(grid.Columns(1), "");
    EXPECT_EQ(before_update, 2);
    grid.userMoveTo(2, 0);   // Refresh (a sort) starts over on the first row, the edit written
    grid.userEditCell(1, "Bianchi");
    changes.clear();
    data.Refresh();
    EXPECT_EQ(grid.currentRow(), 0);
    EXPECT_EQ(changes.size(), 1u);
    EXPECT_EQ(grid.AddNewState(), 0);
    EXPECT_EQ(grid.Columns(1), "");
    EXPECT_EQ(stored("nome"), (Strings{"<null>", "<null>", "Bianchi"}));
    grid.userEditCell(0, "bruno");   // one refused there is dropped with the old rows
    refuse = true;
    data.Refresh();
    EXPECT_EQ(grid.AddNewState(), 0);
    EXPECT_EQ(grid.Columns(0), "anna");
    EXPECT_EQ(stored(), (Strings{"anna", "bruno", "carla"}));
}

TEST_F(GridTest, KeysStartEndAndCancelCellEdits)
{
    open({"anna"});
    int on = 0, off = 0;
    grid.EditModeOn = [&] { ++on; };
    grid.EditModeOff = [&] { ++off; };
    grid.BeforeColEdit = [&](int16_t column, int16_t, int16_t& cancel) {
        cancel = column != 0 && grid.Columns(0).empty();
    };
    const auto editor = [&] { return grid.findChild<QLineEdit*>(); };
    grid.userMoveTo(1, 1);
    press(&grid, Qt::Key_Y, "y");   // refused: no nick yet
    EXPECT_EQ(on, 0);
    press(&grid, Qt::Key_Left);
    press(&grid, Qt::Key_X, "x");
    EXPECT_EQ(on, 1);
    ASSERT_TRUE(editor());
    EXPECT_EQ(editor()->text(), "x");
    EXPECT_EQ(grid.AddNewState(), 2);
    press(editor(), Qt::Key_Escape);   // the row as it was before: nothing pending
    EXPECT_EQ(off, 1);
    EXPECT_EQ(grid.AddNewState(), 1);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);   // the closed editor goes
    EXPECT_FALSE(editor());

    press(&grid, Qt::Key_Z, "z");
    ASSERT_TRUE(editor());
    EXPECT_EQ(editor()->text(), "z");
    editor()->setText("zoe");   // what the user types arrives through textEdited
    emit editor()->textEdited("zoe");
    press(editor(), Qt::Key_Return);
    EXPECT_EQ(off, 2);
    press(&grid, Qt::Key_Up);
    EXPECT_EQ(stored(), (Strings{"anna", "zoe"}));
    EXPECT_FALSE(grid.userBeginEdit(15, 0));   // id
    EXPECT_FALSE(grid.userBeginEdit(16, 0));   // espr1

    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(grid.userBeginEdit(0, 0));   // keys typed in the middle stay in the middle
    editor()->setCursorPosition(2);
    press(editor(), Qt::Key_X, "x");
    press(editor(), Qt::Key_Y, "y");
    EXPECT_EQ(grid.Columns(0), "anxyna");

    // Tab ends the edit and walks on to the next cell of the row, then into the next row.
    press(editor(), Qt::Key_Tab);
    EXPECT_EQ(grid.Columns(0), "anxyna");
    EXPECT_EQ(std::make_pair(grid.currentRow(), grid.currentColumn()), std::make_pair(0L, 1));
    grid.userMoveTo(0, 16);
    press(&grid, Qt::Key_Tab);
    EXPECT_EQ(std::make_pair(grid.currentRow(), grid.currentColumn()), std::make_pair(1L, 0));
    press(&grid, Qt::Key_Backtab, {}, Qt::ShiftModifier);
    EXPECT_EQ(std::make_pair(grid.currentRow(), grid.currentColumn()), std::make_pair(0L, 16));
}

// Records every row the view asks to paint or to measure.
class CountingDelegate : public QStyledItemDelegate {
public:
    mutable std::set<int> rows;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        rows.insert(index.row());
        QStyledItemDelegate::paint(painter, option, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        rows.insert(index.row());
        return QStyledItemDelegate::sizeHint(option, index);
    }
};

TEST_F(GridTest, ABookOfAHundredThousandShowsOnlyTheRowsInView)
{
    open({}, "with recursive n(i) as (select 0 union all select i + 1 from n where i < 99999) "
             "insert into contatti (nick) select printf('nick%06d', i) from n;");
    CountingDelegate counter;
    QAbstractItemDelegate* own = grid.itemDelegate();
    grid.setItemDelegate(&counter);
    grid.resize(187, 133);   // the design's 2795 x 1995 twips
    const int visible = grid.viewport()->height() / grid.verticalHeader()->defaultSectionSize() + 1;
    grid.grab();
    EXPECT_LE(*counter.rows.rbegin(), visible);
    counter.rows.clear();
    press(&grid, Qt::Key_End, {}, Qt::ControlModifier);
    EXPECT_EQ(grid.currentRow(), 100000);
    grid.grab();
    press(&grid, Qt::Key_PageUp);
    grid.grab();
    EXPECT_GE(*counter.rows.begin(), 100000 - 2 * visible);
    EXPECT_LE(counter.rows.size(), static_cast<size_t>(2 * visible));
    counter.rows.clear();
    data.Refresh();   // as a sort does: the view starts over on the first screen
    grid.grab();
    EXPECT_LE(*counter.rows.rbegin(), visible);
    grid.setItemDelegate(own);
}

TEST_F(GridTest, Espr1ShowsItsValueItemsAndTheMarqueeItsStyle)
{
    open({"anna", "bruno"});
    QPixmap picture(12, 14);
    grid.setValueItems("Espr1", {{"-1", picture}}, {{"0", "  "}});
    grid.SetColumn("foto1", "demo1.jpg");
    grid.CommitRowEdit();
    const QAbstractItemModel& model = *grid.model();
    EXPECT_EQ(model.data(model.index(0, 16)).toString(), "");
    EXPECT_EQ(model.data(model.index(0, 16), Qt::DecorationRole).value<QPixmap>().size(), QSize(12, 14));
    EXPECT_EQ(model.data(model.index(1, 16)).toString(), "  ");
    EXPECT_FALSE(model.data(model.index(1, 16), Qt::DecorationRole).isValid());

    // 3: the whole row is highlighted; 6: only a frame around the current cell.
    grid.resize(300, 200);
    const QRect name = grid.visualRect(model.index(0, 1)).translated(grid.viewport()->pos());
    const QRect nick = grid.visualRect(model.index(0, 0)).translated(grid.viewport()->pos());
    grid.setMarqueeStyle(3);
    const QImage row = grid.grab().toImage();
    grid.setMarqueeStyle(6);
    const QImage cell = grid.grab().toImage();
    EXPECT_NE(row.pixelColor(name.center()), cell.pixelColor(name.center()));
    EXPECT_EQ(cell.pixelColor(nick.left() + 1, nick.center().y()),
              grid.palette().color(QPalette::Active, QPalette::Highlight));
}

} // namespace
