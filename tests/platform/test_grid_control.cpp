#include "platform/data_control.h"
#include "platform/failure.h"
#include "platform/grid_control.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

using namespace platform;

namespace {

// A fresh encrypted book with the shipped schema, holding one contact per nick (name Null).
void make_book(const std::string& path, const std::vector<std::string>& nicks)
{
    std::ifstream in(TAVOLY_SOURCE_DIR "/resources/schema.sql");
    std::stringstream schema;
    schema << in.rdbuf();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    sqlite3_key(db, "quorvent", 8);
    ASSERT_EQ(sqlite3_exec(db, schema.str().c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db);
    sqlite3_exec(db, "begin", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "insert into contatti (nick) values (?)", -1, &insert, nullptr);
    for (const std::string& nick : nicks) {
        sqlite3_bind_text(insert, 1, nick.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "commit", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

std::vector<GridColumn> design()
{
    const std::vector<std::pair<std::string, int>> columns{
        {"Nick", 2302}, {"Nome", 1826}, {"Note", 609}, {"Email", 2725}, {"Foto1", 503},
        {"Foto2", 609}, {"Foto3", 635}, {"Foto4", 556}, {"Foto5", 609}, {"Simpatia", 741},
        {"Bellezza", 661}, {"Intelligenza", 503}, {"Affinita", 503}, {"Cultura", 1535},
        {"Punti", 1535}, {"id", 1535}, {"Espr1", 423}};
    std::vector<GridColumn> design;
    for (const auto& [caption, width] : columns)
        design.push_back({caption, caption, width, caption == "Nick" || caption == "Nome" || caption == "Espr1"});
    return design;
}

void press(QWidget* target, int key, const QString& text = {}, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QKeyEvent event(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(target, &event);
}

// The floating editor now open (a closed one lingers hidden until deleted).
QLineEdit* open_editor(const QWidget& grid)
{
    for (QLineEdit* editor : grid.findChildren<QLineEdit*>())
        if (!editor->isHidden())
            return editor;
    return nullptr;
}

class GridTest : public ::testing::Test {
protected:
    void open(const std::vector<std::string>& nicks)
    {
        ASSERT_TRUE(dir.isValid());
        make_book(book(), nicks);
        data.DatabaseName = book();
        data.RecordSource = "select * from qcontatti order by nick";
        grid.setColumns(design());
        grid.setDataSource(&data);
        grid.RowColChange = [this](std::optional<long long> row, int16_t column) {
            changes.push_back({row, column});
        };
        grid.BeforeUpdate = [this](int16_t& cancel) {
            ++before_update;
            if (refuse)
                cancel = -1;
        };
        grid.Error = [this](int16_t number, int16_t& response) {
            errors.push_back(number);
            response = 0;
        };
        data.Refresh();
        changes.clear();
    }
    std::string book() const { return dir.path().toStdString() + "/contatti.mdb"; }

    // What the file holds now, read through a control of its own.
    std::vector<std::string> stored(const std::string& field = "nick")
    {
        DataControl reader;
        reader.DatabaseName = book();
        reader.RecordSource = "select * from qcontatti order by nick";
        reader.Refresh();
        Recordset& rs = reader.recordset();
        std::vector<std::string> values;
        for (long i = 0; i < rs.size(); ++i)
            values.push_back(rs.value(i, rs.column_index(field)).value_or("<null>"));
        return values;
    }

    QTemporaryDir dir;
    DataControl data;
    TrueDBGrid grid;
    std::vector<std::pair<std::optional<long long>, int16_t>> changes;
    int before_update = 0;
    bool refuse = false;
    std::vector<int16_t> errors;
};

} // namespace

TEST_F(GridTest, TypingIntoTheAddNewRowAddsAContactOnCommit)
{
    open({"anna", "bruno"});
    EXPECT_EQ(grid.AddNewState(), 0);
    ASSERT_TRUE(grid.userMoveTo(2, 0));
    EXPECT_EQ(grid.AddNewState(), 1);
    EXPECT_EQ(grid.RowBookmark(), std::nullopt);
    EXPECT_EQ(data.recordset().AbsolutePosition(), -1);
    grid.userEditCell(0, "carla");
    EXPECT_EQ(grid.AddNewState(), 2);
    EXPECT_EQ(grid.Columns(0), "carla");
    EXPECT_EQ(grid.Columns("nome"), "");
    grid.CommitRowEdit();
    EXPECT_EQ(before_update, 1);
    EXPECT_EQ(grid.AddNewState(), 0);
    EXPECT_EQ(grid.currentRow(), 2);
    EXPECT_EQ(grid.RowBookmark(), data.recordset().bookmark(2));
    EXPECT_EQ(grid.model()->rowCount(), 4);
    EXPECT_EQ(stored(), (std::vector<std::string>{"anna", "bruno", "carla"}));
    grid.CommitRowEdit();   // nothing pending: no write, no event
    EXPECT_EQ(before_update, 1);
}

TEST_F(GridTest, ARefusedWriteKeepsTheUserOnTheRowWithTheEdit)
{
    open({"anna", "bruno"});
    // Refused by the before-write event, by a click and by a key.
    grid.userEditCell(0, "anna2");
    refuse = true;
    EXPECT_FALSE(grid.userMoveTo(1, 0));
    press(&grid, Qt::Key_Down);
    grid.resize(300, 200);
    const QPoint bruno = grid.visualRect(grid.model()->index(1, 1)).center();
    QMouseEvent click(QEvent::MouseButtonPress, bruno, grid.viewport()->mapToGlobal(bruno),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grid.viewport(), &click);
    EXPECT_EQ(grid.currentRow(), 0);
    EXPECT_EQ(grid.Columns(0), "anna2");
    EXPECT_EQ(stored(), (std::vector<std::string>{"anna", "bruno"}));
    EXPECT_TRUE(changes.empty());
    refuse = false;
    QApplication::sendEvent(grid.viewport(), &click);
    EXPECT_EQ(grid.currentRow(), 1);
    EXPECT_EQ(grid.currentColumn(), 1);
    EXPECT_EQ(stored(), (std::vector<std::string>{"anna2", "bruno"}));

    // Refused by the database: a nick that differs only in letter case.
    ASSERT_TRUE(grid.userMoveTo(2, 0));
    grid.userEditCell(0, "BRUNO");
    EXPECT_FALSE(grid.userMoveTo(0, 0));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], errDatabase);
    EXPECT_EQ(grid.AddNewState(), 2);
    EXPECT_EQ(grid.Columns(0), "BRUNO");
    EXPECT_EQ(stored().size(), 2u);
}

TEST_F(GridTest, ColumnsReadThePendingEditOverTheStoredRow)
{
    open({"anna"});
    EXPECT_EQ(grid.Columns("nome"), "");   // Null
    EXPECT_EQ(grid.Columns("Espr1"), "0");
    EXPECT_EQ(grid.Columns("id"), std::to_string(*grid.RowBookmark()));
    grid.SetColumn("note", "amica");
    grid.SetColumn("simpatia", int16_t{4});
    grid.SetColumn("punti", 600.0);
    EXPECT_EQ(grid.Columns(2), "amica");
    EXPECT_EQ(grid.Columns("simpatia"), "4");
    EXPECT_EQ(grid.Columns("punti"), "600");
    grid.SetColumn("punti", 12.5);
    EXPECT_EQ(grid.Columns("punti"), "12.5");
    EXPECT_EQ(grid.AddNewState(), 0);
    grid.CommitRowEdit();
    EXPECT_EQ(stored("note"), std::vector<std::string>{"amica"});
    EXPECT_EQ(stored("simpatia"), std::vector<std::string>{"4"});
    EXPECT_EQ(stored("punti"), std::vector<std::string>{"12.5"});
    // An emptied cell stores Null.
    grid.SetColumn("note", "");
    grid.CommitRowEdit();
    EXPECT_EQ(stored("note"), std::vector<std::string>{"<null>"});
    EXPECT_THROW(grid.Columns("nickname"), StepError);
    EXPECT_THROW(grid.Columns(17), StepError);
    EXPECT_THROW(grid.SetColumn("nickname", "x"), StepError);
}

TEST_F(GridTest, Espr1ShowsItsValueItems)
{
    open({"anna", "bruno"});
    QPixmap picture(12, 14);
    picture.fill(Qt::red);
    grid.setValueItems("Espr1", {{"-1", picture}}, {{"0", "  "}});
    grid.SetColumn("foto1", "demo1.jpg");
    grid.CommitRowEdit();
    const QAbstractItemModel& model = *grid.model();
    EXPECT_EQ(model.data(model.index(0, 16)).toString(), "");
    EXPECT_EQ(model.data(model.index(0, 16), Qt::DecorationRole).value<QPixmap>().size(), QSize(12, 14));
    EXPECT_EQ(model.data(model.index(1, 16)).toString(), "  ");
    EXPECT_FALSE(model.data(model.index(1, 16), Qt::DecorationRole).isValid());
    EXPECT_EQ(model.data(model.index(1, 0)).toString(), "bruno");
}

TEST_F(GridTest, RowBookmarkNamesTheRow)
{
    open({"anna", "bruno"});
    const auto first = grid.RowBookmark();
    ASSERT_TRUE(first);
    grid.userMoveTo(0, 1);
    EXPECT_EQ(grid.RowBookmark(), first);
    grid.userMoveTo(1, 1);
    EXPECT_NE(grid.RowBookmark(), first);
    grid.userMoveTo(2, 1);
    EXPECT_EQ(grid.RowBookmark(), std::nullopt);
}

TEST_F(GridTest, TheGridFollowsTheDataControl)
{
    open({"anna", "bruno", "carla"});
    data.recordset().FindFirst("nick like \"BR*\"");
    EXPECT_EQ(grid.currentRow(), 1);
    EXPECT_EQ(grid.Columns(0), "bruno");
    data.recordset().MoveLast();
    EXPECT_EQ(grid.currentRow(), 2);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[1].first, data.recordset().bookmark(1));

    // An edit pending on the row left is written first.
    grid.userEditCell(1, "Rossi");
    data.recordset().MoveFirst();
    EXPECT_EQ(grid.currentRow(), 0);
    EXPECT_EQ(before_update, 1);
    EXPECT_EQ(stored("nome"), (std::vector<std::string>{"<null>", "<null>", "Rossi"}));

    // A write refused there drops the edit: the control has moved already.
    grid.userEditCell(1, "Verdi");
    refuse = true;
    data.recordset().MoveLast();
    refuse = false;
    EXPECT_EQ(grid.currentRow(), 2);
    grid.userMoveTo(0, 1);
    EXPECT_EQ(grid.Columns(1), "");
    EXPECT_EQ(before_update, 2);

    // Refresh starts over on the first row, dropping an edit in progress.
    grid.userMoveTo(2, 0);
    grid.userEditCell(1, "Bianchi");
    changes.clear();
    data.Refresh();
    EXPECT_EQ(grid.currentRow(), 0);
    EXPECT_EQ(changes.size(), 1u);
    EXPECT_EQ(grid.AddNewState(), 0);
    grid.userMoveTo(2, 0);
    EXPECT_EQ(grid.Columns(1), "Rossi");
}

TEST_F(GridTest, DeleteCurrentRowDeletesStoredRowsAndDropsAPendingOne)
{
    open({"anna", "bruno"});
    const auto anna = grid.RowBookmark();
    grid.DeleteCurrentRow();
    EXPECT_EQ(stored(), std::vector<std::string>{"bruno"});
    EXPECT_EQ(grid.currentRow(), 0);
    EXPECT_EQ(grid.Columns(0), "bruno");
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].first, anna);

    grid.DeleteCurrentRow();   // the last row: the add-new row becomes current
    EXPECT_TRUE(stored().empty());
    EXPECT_EQ(grid.AddNewState(), 1);

    grid.userEditCell(0, "carla");
    grid.DeleteCurrentRow();
    EXPECT_EQ(grid.AddNewState(), 1);
    EXPECT_EQ(grid.Columns(0), "");
    EXPECT_TRUE(stored().empty());
    EXPECT_THROW(grid.DeleteCurrentRow(), StepError);
}

TEST_F(GridTest, MovingWithinARowRaisesRowColChangeWithoutWriting)
{
    open({"anna"});
    grid.userEditCell(0, "anna2");
    EXPECT_TRUE(grid.userMoveTo(0, 1));
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0], std::make_pair(grid.RowBookmark(), int16_t{0}));
    EXPECT_EQ(grid.currentColumn(), 1);
    EXPECT_EQ(before_update, 0);
    EXPECT_EQ(grid.Columns(0), "anna2");
    EXPECT_EQ(stored(), std::vector<std::string>{"anna"});
}

TEST_F(GridTest, KeysStartEndAndCancelCellEdits)
{
    open({"anna"});
    int on = 0, off = 0;
    std::vector<std::pair<int16_t, int16_t>> asked;
    grid.EditModeOn = [&] { ++on; };
    grid.EditModeOff = [&] { ++off; };
    grid.BeforeColEdit = [&](int16_t column, int16_t key, int16_t& cancel) {
        asked.push_back({column, key});
        if (column != 0 && grid.Columns(0).empty())
            cancel = 1;
    };
    grid.userMoveTo(1, 1);
    press(&grid, Qt::Key_Y, "y");   // no nick yet: refused
    EXPECT_EQ(on, 0);
    EXPECT_EQ(grid.AddNewState(), 1);

    press(&grid, Qt::Key_Left);
    press(&grid, Qt::Key_X, "x");
    EXPECT_EQ(asked.back(), std::make_pair(int16_t{0}, int16_t{'x'}));
    EXPECT_EQ(on, 1);
    EXPECT_EQ(grid.AddNewState(), 2);
    QLineEdit* editor = open_editor(grid);
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->text(), "x");
    press(editor, Qt::Key_Escape);
    EXPECT_EQ(off, 1);
    EXPECT_EQ(grid.AddNewState(), 1);
    EXPECT_EQ(grid.Columns(0), "");

    press(&grid, Qt::Key_Z, "z");
    editor = open_editor(grid);
    ASSERT_TRUE(editor);
    editor->setText("zoe");   // what the user types arrives through textEdited
    emit editor->textEdited("zoe");
    press(editor, Qt::Key_Return);
    EXPECT_EQ(off, 2);
    EXPECT_EQ(grid.Columns(0), "zoe");
    EXPECT_EQ(grid.AddNewState(), 2);
    press(&grid, Qt::Key_Up);
    EXPECT_EQ(grid.currentRow(), 0);
    EXPECT_EQ(stored(), (std::vector<std::string>{"anna", "zoe"}));

    EXPECT_FALSE(grid.userBeginEdit(16, 0));   // Espr1 is computed
    EXPECT_FALSE(grid.userBeginEdit(15, 0));   // id is the database's
}

TEST_F(GridTest, MarqueeStylesLookDifferent)
{
    open({"anna", "bruno"});
    grid.resize(300, 200);
    const QColor highlight = grid.palette().color(QPalette::Active, QPalette::Highlight);
    const QRect name = grid.visualRect(grid.model()->index(0, 1));
    const QRect nick = grid.visualRect(grid.model()->index(0, 0));
    const QPoint offset = grid.viewport()->pos();
    grid.setMarqueeStyle(3);
    QImage row = grid.grab().toImage();
    grid.setMarqueeStyle(6);
    QImage cell = grid.grab().toImage();
    EXPECT_EQ(grid.MarqueeStyle(), 6);
    // 3: the whole row is highlighted; 6: only a frame around the current cell.
    EXPECT_NE(row.pixelColor(name.center() + offset), cell.pixelColor(name.center() + offset));
    EXPECT_EQ(cell.pixelColor(nick.topLeft() + offset + QPoint(1, nick.height() / 2)), highlight);
}

namespace {

// Records every row the view asks to paint or to measure.
class CountingDelegate : public QStyledItemDelegate {
public:
    mutable std::set<int> rows;
    mutable long asked = 0;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        rows.insert(index.row());
        ++asked;
        QStyledItemDelegate::paint(painter, option, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        rows.insert(index.row());
        ++asked;
        return QStyledItemDelegate::sizeHint(option, index);
    }
};

} // namespace

TEST_F(GridTest, ABookOfAHundredThousandShowsOnlyTheRowsInView)
{
    std::vector<std::string> nicks;
    for (int i = 0; i < 100000; ++i) {
        char nick[16];
        std::snprintf(nick, sizeof nick, "nick%06d", i);
        nicks.emplace_back(nick);
    }
    open(nicks);
    CountingDelegate counter;
    QAbstractItemDelegate* own = grid.itemDelegate();
    grid.setItemDelegate(&counter);
    grid.resize(187, 133);   // the design's 2795 x 1995 twips
    const int visible = grid.viewport()->height() / grid.verticalHeader()->defaultSectionSize() + 1;

    QElapsedTimer clock;
    clock.start();
    grid.grab();
    EXPECT_LE(*counter.rows.rbegin(), visible);
    counter.rows.clear();
    press(&grid, Qt::Key_End, {}, Qt::ControlModifier);
    EXPECT_EQ(grid.currentRow(), 100000);
    grid.grab();
    press(&grid, Qt::Key_PageUp);
    grid.grab();
    const qint64 elapsed = clock.elapsed();
    EXPECT_GE(*counter.rows.begin(), 100000 - 2 * visible);
    EXPECT_LE(counter.rows.size(), static_cast<size_t>(2 * visible));
    std::printf("[ grid     ] 100,000 rows: %lld ms for three screens, %ld cells asked for\n",
                static_cast<long long>(elapsed), counter.asked);
    EXPECT_LT(elapsed, 1500);
    clock.restart();
    data.Refresh();   // a sort reloads the whole view
    grid.grab();
    std::printf("[ grid     ] 100,000 rows: Refresh and first screen %lld ms\n",
                static_cast<long long>(clock.elapsed()));
    grid.setItemDelegate(own);
}
