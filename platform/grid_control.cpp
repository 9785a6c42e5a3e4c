#include "platform/grid_control.h"

#include "platform/controls.h"
#include "platform/failure.h"
#include "platform/runtime.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <algorithm>
#include <cctype>

namespace platform {

// The recordset's rows plus the add-new row. The row count is cached and changes only inside
// the model's notifications, so the view never sees a count that moved under it; every cell
// is asked of the grid, which reads only the rows the view paints.
class GridModel : public QAbstractTableModel {
public:
    explicit GridModel(DataGrid* grid) : QAbstractTableModel(grid), grid_(grid) {}

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(stored_ + 1);
    }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(captions_.size());
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        return grid_->cellData(index.row(), index.column(), role);
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
            section < static_cast<int>(captions_.size()))
            return captions_[static_cast<size_t>(section)];
        return {};
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (grid_->cellEditable(index.column()))
            f |= Qt::ItemIsEditable;
        return f;
    }

    long stored() const { return stored_; }
    void reset(long stored, std::vector<QString> captions)
    {
        beginResetModel();
        stored_ = stored;
        captions_ = std::move(captions);
        endResetModel();
    }
    void reset(long stored) { reset(stored, captions_); }
    // The pending new row became a stored row: a fresh add-new row appears below it.
    void addNewRowBelow()
    {
        beginInsertRows({}, static_cast<int>(stored_ + 1), static_cast<int>(stored_ + 1));
        ++stored_;
        endInsertRows();
    }
    // The stored row `row` went and the rows below it moved up a place. The view reads every
    // cell from the grid, so this is told as the last row gone and the rows from `row` on
    // changed: a removal inside the rows, or a reset, has the row header walk every row of
    // the book.
    void removeStored(long row)
    {
        beginRemoveRows({}, static_cast<int>(stored_), static_cast<int>(stored_));
        --stored_;
        endRemoveRows();
        rowsChanged(row, stored_);
    }
    void rowChanged(long row) { rowsChanged(row, row); }
    void rowsChanged(long first, long last)
    {
        if (captions_.empty() || first > last)
            return;
        emit dataChanged(index(static_cast<int>(first), 0),
                         index(static_cast<int>(last), static_cast<int>(captions_.size()) - 1));
    }

private:
    DataGrid* grid_;
    long stored_ = 0;
    std::vector<QString> captions_;
};

namespace {

// The two marquee looks (3: the whole current row highlighted; 6: a frame around the
// current cell, the floating editor's place) and the floating editor itself, a line edit
// whose every keystroke goes straight into the pending row edit.
class GridDelegate : public QStyledItemDelegate {
public:
    explicit GridDelegate(DataGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt(option);
        opt.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
        if (grid_->MarqueeStyle() == 3 && grid_->isCurrentRow(index.row()))
            opt.state |= QStyle::State_Selected;
        QStyledItemDelegate::paint(painter, opt, index);
        if (grid_->MarqueeStyle() == 6 && grid_->isCurrentCell(index.row(), index.column())) {
            painter->save();
            painter->setPen(QPen(option.palette.color(QPalette::Highlight), 2));
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(QRectF(option.rect).adjusted(1, 1, -1, -1));
            painter->restore();
        }
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex& index) const override
    {
        auto* line = new QLineEdit(parent);
        line->setFrame(false);
        grid_->editorOpened(line, index.column());
        return line;
    }

    // Each keystroke changes the row, and the view then hands the row's text back to the
    // open editor: setting the same text again would throw the cursor to the end, so that
    // the next key typed in the middle of a nick lands after it.
    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        auto* line = qobject_cast<QLineEdit*>(editor);
        const QString text = index.data(Qt::EditRole).toString();
        if (line && line->text() != text)
            line->setText(text);
    }

    // The text is already in the pending row edit, keystroke by keystroke.
    void setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const override {}

protected:
    // Enter (and Tab) end the cell edit keeping the text, Esc ends it restoring the row edit
    // as it was before; both at once, so the grid's state never waits for the event loop.
    bool eventFilter(QObject* object, QEvent* event) override
    {
        auto* editor = qobject_cast<QWidget*>(object);
        if (editor && event->type() == QEvent::KeyPress) {
            switch (static_cast<QKeyEvent*>(event)->key()) {
            case Qt::Key_Escape:
                emit closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
                return true;
            case Qt::Key_Enter:
            case Qt::Key_Return:
                emit closeEditor(editor, QAbstractItemDelegate::NoHint);
                return true;
            case Qt::Key_Tab:
            case Qt::Key_Backtab:
                emit closeEditor(editor, QAbstractItemDelegate::NoHint);
                grid_->tabMove(static_cast<QKeyEvent*>(event)->key() == Qt::Key_Tab);
                return true;
            default:
                break;
            }
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    DataGrid* grid_;
};

// The row header, hidden, that only keeps the row count and positions. Qt's own handling of
// a removed row walks every row of the book looking for hidden rows to renumber, a
// millisecond at a million contacts. The grid hides no row and moves none, and all rows have
// the same height, so a removal anywhere is the same as losing rows at the end: the header
// drops its last sections and leaves the others alone.
class GridRowHeader : public QHeaderView {
public:
    explicit GridRowHeader(QWidget* parent) : QHeaderView(Qt::Vertical, parent) {}

    void setModel(QAbstractItemModel* model) override
    {
        QHeaderView::setModel(model);
        if (!model)
            return;
        // Should a later Qt connect its handler otherwise, this finds nothing to undo: both
        // run, Qt's first, and this one has nothing left to drop, slower but never wrong.
        disconnect(model, SIGNAL(rowsRemoved(QModelIndex,int,int)), this,
                   SLOT(_q_sectionsRemoved(QModelIndex,int,int)));
        connect(model, &QAbstractItemModel::rowsRemoved, this,
                [this](const QModelIndex& parent) { dropRowsBeyondModel(parent); });
    }

private:
    void dropRowsBeyondModel(const QModelIndex& parent)
    {
        const int rows = model()->rowCount();
        if (parent.isValid() || rows >= count())
            return;
        if (rows == 0)
            initializeSections();   // emptied: nothing left to walk
        else
            initializeSections(rows - 1, rows - 1);
    }
};

} // namespace

DataGrid::DataGrid(QWidget* parent) : QTableView(parent)
{
    setVerticalHeader(new GridRowHeader(this));
    model_ = new GridModel(this);
    setModel(model_);
    setItemDelegate(new GridDelegate(this));

    // Every move and every edit goes through the grid's own rules, never Qt's defaults.
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(true);   // Tab walks the cells (navigate), never out of the grid
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setWordWrap(false);
    setCornerButtonEnabled(false);

    // No record selectors, no column sizing or moving, no row sizing; one fixed row height,
    // so a book of any size lays out without visiting its rows.
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setSectionsMovable(false);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
}

void DataGrid::setDataSource(DataControl* source)
{
    discardPending();
    data_ = source;
    QPointer<DataGrid> self(this);
    data_->Reposition = [self] {
        if (self)
            guard("TDBGrid1 Reposition", [&] { self->followReposition(); });
    };
    data_->Validate = [self] {
        if (self)
            guard("TDBGrid1 Validate", [&] { self->writeOrDiscardPending(); });
    };
    data_->Reloaded = [self] {
        if (!self)
            return;
        guard("TDBGrid1 Reloaded", [&] {
            const int lastColumn = self->current_column_;
            self->reloadView();
            self->raiseRowColChange(std::nullopt, lastColumn);
        });
    };
    reloadView();
}

void DataGrid::setColumns(const std::vector<GridColumn>& columns)
{
    discardPending();
    columns_ = columns;
    std::vector<QString> captions;
    for (GridColumn& c : columns_) {
        c.field = lower_ascii(c.field);
        captions.push_back(QString::fromStdString(c.caption));
    }
    remapColumns();
    model_->reset(model_->stored(), std::move(captions));
    applyColumnDesign();
    setCurrentCell(current_row_, visibleColumnFrom(0, 1));
}

void DataGrid::setValueItems(const std::string& field,
                               const std::map<std::string, QPixmap>& pictures,
                               const std::map<std::string, QString>& texts)
{
    value_items_[lower_ascii(field)] = ValueItems{pictures, texts};
    viewport()->update();
}

void DataGrid::applyColumnDesign()
{
    for (size_t i = 0; i < columns_.size(); ++i) {
        const int section = static_cast<int>(i);
        setColumnHidden(section, !columns_[i].visible);
        horizontalHeader()->resizeSection(section, px(columns_[i].width_twips));
    }
}

void DataGrid::remapColumns()
{
    const Recordset* rs = recordset();
    field_of_column_.clear();
    for (const GridColumn& c : columns_)
        field_of_column_.push_back(rs ? rs->column_index(c.field) : -1);
}

// ---- reading

Recordset* DataGrid::recordset() const
{
    if (!data_)
        return nullptr;
    try {
        return &data_->recordset();
    } catch (const StepError&) {
        return nullptr;
    }
}

Recordset& DataGrid::openRecordset() const
{
    if (!data_)
        throw StepError(errNoCurrentRecord, "No current record.");
    return data_->recordset();
}

long DataGrid::storedRows() const
{
    return model_->stored();
}

long DataGrid::currentRow() const
{
    return current_row_;
}

int DataGrid::currentColumn() const
{
    return current_column_;
}

bool DataGrid::isCurrentCell(long row, int column) const
{
    return row == current_row_ && column == current_column_;
}

int DataGrid::columnIndex(const std::string& field) const
{
    const std::string name = lower_ascii(field);
    for (size_t i = 0; i < columns_.size(); ++i)
        if (columns_[i].field == name)
            return static_cast<int>(i);
    throw StepError(errSubscript, "Subscript out of range");
}

std::string DataGrid::cellText(long row, int column) const
{
    if (pending_ && row == current_row_) {
        const auto typed = pending_->find(column);
        if (typed != pending_->end())
            return typed->second;
    }
    if (row >= storedRows())
        return "";
    const Recordset* rs = recordset();
    const int field = field_of_column_[static_cast<size_t>(column)];
    if (!rs || field < 0)
        return "";
    return rs->value(row, field).value_or("");
}

QVariant DataGrid::cellData(long row, int column, int role) const
{
    if (column < 0 || column >= static_cast<int>(columns_.size()))
        return {};
    try {
        const auto items = value_items_.find(columns_[static_cast<size_t>(column)].field);
        switch (role) {
        case Qt::EditRole:
            return QString::fromStdString(cellText(row, column));
        case Qt::DisplayRole: {
            const std::string text = cellText(row, column);
            if (items != value_items_.end()) {
                if (const auto shown = items->second.texts.find(text); shown != items->second.texts.end())
                    return shown->second;
                if (items->second.pictures.count(text))
                    return QString();
            }
            return QString::fromStdString(text);
        }
        case Qt::DecorationRole:
            if (items != value_items_.end()) {
                const auto picture = items->second.pictures.find(cellText(row, column));
                if (picture != items->second.pictures.end())
                    return picture->second;
            }
            return {};
        default:
            return {};
        }
    } catch (const std::exception&) {
        // A row that cannot be fetched paints empty; the view must never see an error.
        return {};
    }
}

bool DataGrid::cellEditable(int column) const
{
    return column >= 0 && column < static_cast<int>(columns_.size()) &&
           !columns_[static_cast<size_t>(column)].locked;
}

std::string DataGrid::Columns(int index) const
{
    if (index < 0 || index >= static_cast<int>(columns_.size()))
        throw StepError(errSubscript, "Subscript out of range");
    return cellText(current_row_, index);
}

std::string DataGrid::Columns(const std::string& field) const
{
    return cellText(current_row_, columnIndex(field));
}

std::optional<long long> DataGrid::RowBookmark() const
{
    if (current_row_ >= storedRows())
        return std::nullopt;
    return openRecordset().bookmark(current_row_);
}

int16_t DataGrid::AddNewState() const
{
    if (current_row_ < storedRows())
        return 0;
    return pending_ ? 2 : 1;
}

void DataGrid::setMarqueeStyle(int16_t style)
{
    marquee_style_ = style;
    viewport()->update();
}

void DataGrid::SetFocus()
{
    if (editor_)
        editor_->setFocus(Qt::OtherFocusReason);
    else
        setFocus(Qt::OtherFocusReason);
}

// ---- the pending row edit

// Writing back the value a row already holds (the card does so after every fill) leaves a
// clean row clean: otherwise every row change would rewrite the row it leaves.
void DataGrid::SetColumn(const std::string& field, const std::string& text)
{
    const int column = columnIndex(field);
    if (!pending_ && current_row_ < storedRows() && cellText(current_row_, column) == text)
        return;
    storeCellText(column, text);
}

void DataGrid::SetColumn(const std::string& field, int16_t value)
{
    SetColumn(field, std::to_string(value));
}

void DataGrid::SetColumn(const std::string& field, double value)
{
    SetColumn(field, CStr(value));
}

void DataGrid::storeCellText(int column, const std::string& text)
{
    if (!pending_)
        pending_.emplace();
    (*pending_)[column] = text;
    model_->rowChanged(current_row_);
}

void DataGrid::CommitRowEdit()
{
    writePending();
}

// The row is written after the before-write event; a refusal or a failure of the database
// keeps the edit pending (the program shows its own messages; the grid never does).
bool DataGrid::writePending()
{
    if (!pending_)
        return true;
    endCellEdit(true);
    int16_t cancel = 0;
    if (BeforeUpdate)
        BeforeUpdate(cancel);
    if (cancel != 0)
        return false;
    if (!pending_)
        return true;   // the handler abandoned the edit: nothing is left to write
    const long row = current_row_;
    const bool added = row >= storedRows();
    try {
        Recordset& rs = openRecordset();
        FieldValues values;
        for (const auto& [column, text] : *pending_) {
            const int field = field_of_column_[static_cast<size_t>(column)];
            // An emptied cell stores Null, as the old bound controls did: an empty field
            // then reads and compares the same whichever way it was cleared.
            if (field >= 0)
                values[rs.columns()[static_cast<size_t>(field)]] =
                    text.empty() ? FieldValue() : FieldValue(text);
        }
        if (added)
            rs.insert_row(values);
        else
            rs.update_row(row, values);
    } catch (const StepError& e) {
        raiseError(e.number());
        return false;
    }
    pending_.reset();
    if (added)
        model_->addNewRowBelow();
    model_->rowChanged(row);
    moveRecordset(row);
    if (AfterUpdate)
        AfterUpdate();
    return true;
}

void DataGrid::raiseError(int number)
{
    int16_t response = 1;
    if (Error)
        Error(static_cast<int16_t>(number), response);
}

void DataGrid::CancelUpdate()
{
    discardPending();
}

void DataGrid::discardPending()
{
    endCellEdit(false);
    if (!pending_)
        return;
    pending_.reset();
    model_->rowChanged(current_row_);
}

// The data control is leaving the row on its own (a find, a move, a refresh): the edit goes
// with the row as when the user leaves it, and one that cannot be written is not left behind
// on a row that is no longer current.
void DataGrid::writeOrDiscardPending()
{
    endCellEdit(true);
    if (!writePending())
        discardPending();
}

// ---- the cell edit

bool DataGrid::userBeginEdit(int column, int16_t key)
{
    if (!cellEditable(column))
        return false;
    if (cell_edit_ && cell_edit_->column == column)
        return true;
    if (column != current_column_ && !userMoveTo(current_row_, column))
        return false;
    endCellEdit(true);
    int16_t cancel = 0;
    if (BeforeColEdit)
        BeforeColEdit(static_cast<int16_t>(column), key, cancel);
    if (cancel != 0)
        return false;
    cell_edit_ = CellEdit{column, pending_};
    edit(model_->index(static_cast<int>(current_row_), column), QAbstractItemView::AllEditTriggers,
         nullptr);
    if (EditModeOn)
        EditModeOn();
    return true;
}

void DataGrid::userEditCell(int column, const std::string& text)
{
    if (!(cell_edit_ && cell_edit_->column == column) && !userBeginEdit(column, 0))
        return;
    storeCellText(column, text);
    const QString shown = QString::fromStdString(text);
    if (auto* line = qobject_cast<QLineEdit*>(editor_.data()); line && line->text() != shown)
        line->setText(shown);
}

void DataGrid::editorOpened(QWidget* editor, int column)
{
    editor_ = editor;
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        connect(line, &QLineEdit::textEdited, this, [this, column](const QString& text) {
            guard("TDBGrid1 Change", [&] { editorTextEdited(column, text); });
        });
    }
}

void DataGrid::editorTextEdited(int column, const QString& text)
{
    if (cell_edit_ && cell_edit_->column == column)
        storeCellText(column, text.toStdString());
}

void DataGrid::endCellEdit(bool keep)
{
    if (!cell_edit_)
        return;
    if (editor_)
        closeEditor(editor_, keep ? QAbstractItemDelegate::NoHint
                                  : QAbstractItemDelegate::RevertModelCache);
    else
        finishCellEdit(keep);
}

void DataGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    QTableView::closeEditor(editor, hint);
    if (editor == editor_)
        editor_ = nullptr;
    guard("TDBGrid1 edit end", [&] { finishCellEdit(hint != QAbstractItemDelegate::RevertModelCache); });
}

void DataGrid::finishCellEdit(bool keep)
{
    if (!cell_edit_)
        return;
    if (!keep) {
        pending_ = cell_edit_->before;
        model_->rowChanged(current_row_);
    }
    cell_edit_.reset();
    if (EditModeOff)
        EditModeOff();
}

// ---- moving

bool DataGrid::userMoveTo(long row, int column)
{
    const int columns = static_cast<int>(columns_.size());
    column = columns == 0 ? 0 : std::clamp(column, 0, columns - 1);
    // Below a pending new row lies the add-new row it will leave behind once written.
    const long last = storedRows() + (AddNewState() == 2 ? 1 : 0);
    row = std::clamp(row, 0L, last);
    if (row == current_row_ && column == current_column_)
        return true;
    endCellEdit(true);
    if (row != current_row_ && !writePending())
        return false;
    row = std::min(row, storedRows());
    const auto lastRow = RowBookmark();
    const int lastColumn = current_column_;
    const bool rowChanged = row != current_row_;
    setCurrentCell(row, column);
    if (rowChanged)
        moveRecordset(row);
    raiseRowColChange(lastRow, lastColumn);
    return true;
}

void DataGrid::setCurrentCell(long row, int column)
{
    current_row_ = row;
    current_column_ = column;
    const QModelIndex index = model_->index(static_cast<int>(row), column);
    if (index.isValid()) {
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        const int shown = isColumnHidden(column) ? visibleColumnFrom(0, 1) : column;
        scrollTo(model_->index(static_cast<int>(row), shown));
    }
    viewport()->update();
}

void DataGrid::moveRecordset(long row)
{
    Recordset* rs = recordset();
    if (!rs)
        return;
    rs->Move(row < storedRows() ? row : -1);
}

void DataGrid::raiseRowColChange(std::optional<long long> lastRow, int lastColumn)
{
    if (RowColChange)
        RowColChange(lastRow, static_cast<int16_t>(lastColumn));
}

void DataGrid::DeleteCurrentRow()
{
    const int column = current_column_;
    if (current_row_ >= storedRows()) {
        // A pending new row was never stored: deleting it is dropping it.
        if (!pending_)
            throw StepError(errNoCurrentRecord, "No current record.");
        discardPending();
        raiseRowColChange(std::nullopt, column);
        return;
    }
    const long row = current_row_;
    Recordset& rs = openRecordset();
    const long long lastRow = rs.bookmark(row);
    rs.delete_row(row);
    discardPending();
    model_->removeStored(row);
    setCurrentCell(row, column);
    moveRecordset(row);
    raiseRowColChange(lastRow, column);
}

// ---- following the data control

// The program moved the data control (a find, MoveFirst, MoveLast): the grid goes where it
// went, after the edit pending on the row being left.
void DataGrid::followReposition()
{
    const Recordset* rs = recordset();
    if (!rs)
        return;
    const long position = rs->AbsolutePosition();
    long row = position < 0 ? storedRows() : std::min(position, storedRows());
    if (row == current_row_)
        return;
    writeOrDiscardPending();
    const auto lastRow = RowBookmark();
    const int lastColumn = current_column_;
    setCurrentCell(row, current_column_);
    moveRecordset(row);
    raiseRowColChange(lastRow, lastColumn);
}

// A Refresh replaced the rows: the view starts over on the control's current record. An
// edit still pending (an Update after AddNew, or a refusal at the Validate) belongs to rows
// that are gone and is dropped.
void DataGrid::reloadView()
{
    discardPending();
    remapColumns();
    const Recordset* rs = recordset();
    const long size = rs ? rs->size() : 0;
    model_->reset(size);
    const long position = rs ? rs->AbsolutePosition() : -1;
    setCurrentCell(position < 0 ? size : position, current_column_);
}

// ---- the user's keys and clicks

void DataGrid::keyPressEvent(QKeyEvent* e)
{
    guard("TDBGrid1 KeyDown", [&] {
        // Enter and Esc end the editor's cell edit; without one, Enter does nothing and Esc
        // lets go of the row's pending edit, so a refused row never holds the user.
        const bool escape = e->key() == Qt::Key_Escape;
        if (escape && !cell_edit_ && pending_) {
            discardPending();
            if (RowEditUndone)
                RowEditUndone();
        }
        const bool ends = e->key() == Qt::Key_Enter || e->key() == Qt::Key_Return || escape;
        e->setAccepted(navigate(e) || ends || typeKey(e));
    });
}

bool DataGrid::navigate(const QKeyEvent* e)
{
    const bool ctrl = e->modifiers().testFlag(Qt::ControlModifier);
    const int rowHeight = std::max(1, verticalHeader()->defaultSectionSize());
    const long page = std::max(1, viewport()->height() / rowHeight - 1);
    long row = current_row_;
    int column = current_column_;
    switch (e->key()) {
    case Qt::Key_Up: row -= 1; break;
    case Qt::Key_Down: row += 1; break;
    case Qt::Key_PageUp: row -= page; break;
    case Qt::Key_PageDown: row += page; break;
    case Qt::Key_Left: column = visibleColumnFrom(column - 1, -1); break;
    case Qt::Key_Right: column = visibleColumnFrom(column + 1, 1); break;
    case Qt::Key_Home:
        if (ctrl)
            row = 0;
        else
            column = visibleColumnFrom(0, 1);
        break;
    case Qt::Key_End:
        if (ctrl)
            row = storedRows();
        else
            column = visibleColumnFrom(static_cast<int>(columns_.size()) - 1, -1);
        break;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        tabMove(e->key() == Qt::Key_Tab);
        return true;
    default:
        return false;
    }
    userMoveTo(row, column);
    return true;
}

// Tab walks the visible cells of the row and on into the next row, as in a spreadsheet: after
// typing a nick, Tab takes the user to the name, and the focus never slips to a box hidden
// behind the ratings panel.
void DataGrid::tabMove(bool forward)
{
    const int step = forward ? 1 : -1;
    long row = current_row_;
    int column = visibleColumnFrom(current_column_ + step, step);
    if (column == current_column_) {
        row += step;
        column = forward ? visibleColumnFrom(0, 1) : visibleColumnFrom(static_cast<int>(columns_.size()) - 1, -1);
    }
    if (row >= 0 && row <= storedRows())
        userMoveTo(row, column);
}

bool DataGrid::typeKey(const QKeyEvent* e)
{
    const QString text = e->text();
    const bool plain = !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (!plain || text.isEmpty() || !text.at(0).isPrint())
        return false;
    const auto key = static_cast<int16_t>(std::min<int>(text.at(0).unicode(), INT16_MAX));
    if (userBeginEdit(current_column_, key))
        userEditCell(current_column_, text.toStdString());
    return true;
}

// The first visible column from `column` on in the direction of `step`; the current one when
// there is none that way.
int DataGrid::visibleColumnFrom(int column, int step) const
{
    for (int c = column; c >= 0 && c < static_cast<int>(columns_.size()); c += step)
        if (!isColumnHidden(c))
            return c;
    return current_column_;
}

void DataGrid::mousePressEvent(QMouseEvent* e)
{
    guard("TDBGrid1 MouseDown", [&] {
        const QModelIndex index = indexAt(e->position().toPoint());
        if (e->button() == Qt::LeftButton && index.isValid())
            userMoveTo(index.row(), index.column());
    });
}

void DataGrid::mouseMoveEvent(QMouseEvent*) {}

void DataGrid::mouseReleaseEvent(QMouseEvent*) {}

void DataGrid::mouseDoubleClickEvent(QMouseEvent* e)
{
    guard("TDBGrid1 DblClick", [&] {
        const QModelIndex index = indexAt(e->position().toPoint());
        if (e->button() == Qt::LeftButton && index.isValid() && isCurrentCell(index.row(), index.column()))
            userBeginEdit(index.column(), 0);
    });
}

} // namespace platform
