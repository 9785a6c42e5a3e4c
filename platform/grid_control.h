#pragma once
// The contact grid: a table view bound to a data control, showing the recordset's rows in
// its order plus an add-new row at the bottom. Edits collect in one pending row edit that is
// written when the user leaves the row or the program commits it, after a before-write event
// that may refuse it. Built for large books: the view asks only for the rows it shows, and
// every row has the same height.
#include "platform/data_control.h"

#include <QPixmap>
#include <QPointer>
#include <QTableView>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct GridColumn {
    std::string caption;
    std::string field;
    int width_twips;
    bool visible;
    bool locked = false;   // never edited: an identity or a computed column
};

class GridModel;

class DataGrid : public QTableView {
    Q_OBJECT
public:
    explicit DataGrid(QWidget* parent = nullptr);

    // Binds the grid, which takes the control's Reposition, Validate and Reloaded callbacks:
    // the current cell goes to the control's current record (the add-new row when it has
    // none) and RowColChange is raised. At a Reposition an edit pending on the row being left
    // is written first, and dropped when the write is refused or fails (the control has moved
    // already); the same at a Validate, before a Refresh replaces the rows. At a Reloaded
    // whatever is still pending is dropped, and the previous row passed is nullopt, the old
    // rows being gone. The control may be destroyed before the grid (the main window's
    // members go before its child widgets); the grid never touches it then.
    void setDataSource(DataControl* source);
    // The design: order, captions, widths in twips, visibility, and which columns are locked.
    void setColumns(const std::vector<GridColumn>& columns);
    // A column that shows pictures or texts in place of some values ("-1" -> picture).
    void setValueItems(const std::string& field, const std::map<std::string, QPixmap>& pictures,
                       const std::map<std::string, QString>& texts);

    // The current row's value as text, the pending edit's over the stored one; "" for Null
    // and on the add-new row. An unknown index or field throws Subscript out of range.
    std::string Columns(int index) const;
    std::string Columns(const std::string& field) const;   // without regard to case
    // Into the current row's pending edit (on the add-new row it starts a pending new row);
    // numbers as the old runtime writes them ("4", "600", "12.5"). An emptied cell is
    // written as Null.
    void SetColumn(const std::string& field, const std::string& text);
    void SetColumn(const std::string& field, int16_t value);
    void SetColumn(const std::string& field, double value);
    std::optional<long long> RowBookmark() const;   // the row's id; nullopt on the add-new row
    void setMarqueeStyle(int16_t style);            // 3 whole row, 6 frame on the current cell
    int16_t MarqueeStyle() const { return marquee_style_; }
    int16_t AddNewState() const;   // 0 a stored row, 1 the add-new row, 2 a pending new row
    // Writes the pending edit after BeforeUpdate; nothing without one. A refusal or a
    // database error (raised as Error) keeps the edit pending; AfterUpdate follows a write.
    // A BeforeUpdate handler that calls CancelUpdate without refusing lets the row go unwritten.
    void CommitRowEdit();
    // Abandons the current row's pending edit: a pending new row disappears, a stored row
    // shows its stored values again.
    void CancelUpdate();
    bool DataChanged() const { return pending_.has_value(); }   // an edit is pending
    // Deletes the current stored row, or drops a pending new row; the row now at that
    // position (or the add-new row) becomes current and RowColChange is raised. On the
    // add-new row with nothing typed it throws No current record.
    void DeleteCurrentRow();
    void SetFocus();
    long currentRow() const;   // 0-based; == the number of stored rows on the add-new row
    int currentColumn() const;

    // What the user does. A move to another row writes the pending edit first and returns
    // false, staying, when the write is refused; any move raises RowColChange. Beginning an
    // edit raises BeforeColEdit (false when cancelled or the column cannot be edited), then
    // opens the floating editor and raises EditModeOn; the editor's closing (Enter, Esc,
    // another cell, the focus leaving) raises EditModeOff, Esc restoring the row edit as it
    // was before the cell edit began. Typing goes into the pending edit at each keystroke.
    // Esc with no cell being edited abandons the row's pending edit and raises RowEditUndone.
    bool userMoveTo(long row, int column);
    bool userBeginEdit(int column, int16_t key);
    void userEditCell(int column, const std::string& text);
    void tabMove(bool forward);   // Tab / Shift+Tab: the next cell of the row, then the next row

    std::function<void(int16_t column, int16_t key, int16_t& cancel)> BeforeColEdit;
    std::function<void(int16_t& cancel)> BeforeUpdate;
    std::function<void()> AfterUpdate;
    std::function<void()> RowEditUndone;
    std::function<void(std::optional<long long> lastRow, int16_t lastColumn)> RowColChange;
    std::function<void(int16_t dataError, int16_t& response)> Error;   // never a message box
    std::function<void()> EditModeOn;
    std::function<void()> EditModeOff;

    // For the model and the delegate.
    QVariant cellData(long row, int column, int role) const;
    bool cellEditable(int column) const;
    bool isCurrentRow(long row) const { return row == currentRow(); }
    bool isCurrentCell(long row, int column) const;
    void editorOpened(QWidget* editor, int column);
    void editorTextEdited(int column, const QString& text);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    // The pending row edit always belongs to the current row: leaving a row writes it or
    // refuses the move. On the add-new row it is the pending new row.
    using PendingEdit = std::map<int, std::string>;   // grid column -> text
    struct CellEdit {
        int column;
        std::optional<PendingEdit> before;   // what Esc restores
    };

    Recordset* recordset() const;       // nullptr while nothing is open
    Recordset& openRecordset() const;   // throws StepError while nothing is open
    long storedRows() const;
    int columnIndex(const std::string& field) const;   // throws Subscript out of range
    std::string cellText(long row, int column) const;
    void remapColumns();
    void applyColumnDesign();

    void storeCellText(int column, const std::string& text);
    void endCellEdit(bool keep);
    void finishCellEdit(bool keep);
    bool writePending();
    void discardPending();
    void writeOrDiscardPending();
    void raiseError(int number);

    void setCurrentCell(long row, int column);
    void moveRecordset(long row);
    void raiseRowColChange(std::optional<long long> lastRow, int lastColumn);
    void followReposition();
    void reloadView();
    bool navigate(const QKeyEvent* e);
    bool typeKey(const QKeyEvent* e);
    int visibleColumnFrom(int column, int step) const;

    DataControl* data_ = nullptr;
    GridModel* model_ = nullptr;
    std::vector<GridColumn> columns_;    // fields kept in lower case
    std::vector<int> field_of_column_;   // recordset column of each grid column, -1 when absent
    struct ValueItems {
        std::map<std::string, QPixmap> pictures;
        std::map<std::string, QString> texts;
    };
    std::map<std::string, ValueItems> value_items_;   // by lower-case field name
    std::optional<PendingEdit> pending_;
    std::optional<CellEdit> cell_edit_;
    QPointer<QWidget> editor_;
    long current_row_ = 0;
    int current_column_ = 0;
    int16_t marquee_style_ = 3;
};

} // namespace platform
