#include "platform/recordset.h"

#include "platform/failure.h"
#include "platform/recordset_state.h"
#include "platform/runtime.h"
#include "platform/text_order.h"

#include <algorithm>

namespace platform {

Recordset::Recordset(std::shared_ptr<RecordsetState> state) : state_(std::move(state)) {}

long Recordset::AbsolutePosition() const
{
    return state_->current;
}

void Recordset::FindFirst(const std::string& criterion)
{
    FindFirstOf({criterion});
}

void Recordset::FindFirstOf(const std::vector<std::string>& criteria)
{
    RecordsetState& s = *state_;
    if (!s.connection)
        throw StepError(errObjectNotSet, "Object variable or With block variable not set.");
    // A criterion that fails leaves no match behind, never the answer of an earlier find.
    s.no_match = true;
    // Searched through the keys the source's rows carry.
    TextKeys keys;
    for (const auto& [column, key_column] : s.text_keys)
        if (column_index(key_column) >= 0)
            keys.emplace(column, key_column);
    std::vector<std::string> conditions;
    for (const std::string& criterion : criteria)
        conditions.push_back(jet_to_sqlite(with_text_keys(criterion, keys)));
    long found = -1;
    if (s.keyed) {
        s.fresh_pages();
        if (const auto match = s.pager.first_match(conditions))
            found = std::min(match->at, s.size() - 1);
    } else {
        for (size_t c = 0; found < 0 && c < conditions.size(); ++c) {
            Statement query(s.connection->db, "select (" + conditions[c] + ") from (" + s.source + ")");
            for (long i = 0; found < 0 && i < s.size() && query.step(); ++i)
                if (sqlite3_column_int64(query.get(), 0) != 0)
                    found = i;
        }
    }
    if (found < 0)
        return;
    s.no_match = false;
    s.current = found;
    s.reposition();
}

bool Recordset::NoMatch() const
{
    return state_->no_match;
}

void Recordset::MoveLast()
{
    if (size() == 0)
        throw StepError(errNoCurrentRecord, "No current record.");
    state_->current = size() - 1;
    state_->reposition();
}

void Recordset::MoveFirst()
{
    if (size() == 0)
        throw StepError(errNoCurrentRecord, "No current record.");
    state_->current = 0;
    state_->reposition();
}

long Recordset::RecordCount() const
{
    return size();
}

void Recordset::AddNew()
{
    if (state_->table.empty())
        throw StepError(errReadOnlyDatabase, "Cannot update. Database or object is read-only.");
    state_->added = FieldValues{};
}

void Recordset::SetField(const std::string& name, const FieldValue& value)
{
    if (column_index(name) < 0)
        throw StepError(errItemNotFound, "Item not found in this collection.");
    if (!state_->added)
        throw StepError(errNoAddNew, "Update or CancelUpdate without AddNew or Edit.");
    (*state_->added)[lower_ascii(name)] = value;
}

FieldValue Recordset::Fields(const std::string& name) const
{
    const int column = column_index(name);
    if (column < 0)
        throw StepError(errItemNotFound, "Item not found in this collection.");
    if (state_->current < 0)
        throw StepError(errNoCurrentRecord, "No current record.");
    FieldValue field = value(state_->current, column);
    if (field && field->empty())
        return std::nullopt;
    return field;
}

void Recordset::Update()
{
    if (!state_->added)
        throw StepError(errNoAddNew, "Update or CancelUpdate without AddNew or Edit.");
    const FieldValues values = std::move(*state_->added);
    state_->added.reset();
    insert_row(values);
    if (state_->owner && state_->owner->Reloaded)
        state_->owner->Reloaded();
}

long Recordset::size() const
{
    return state_->size();
}

void Recordset::Move(long position)
{
    if (position < -1 || position >= size())
        throw StepError(errNoCurrentRecord, "No current record.");
    state_->current = position;
}

const std::vector<std::string>& Recordset::columns() const
{
    return state_->columns;
}

int Recordset::column_index(const std::string& name) const
{
    const auto& columns = state_->columns;
    const auto found = std::find(columns.begin(), columns.end(), lower_ascii(name));
    return found == columns.end() ? -1 : static_cast<int>(found - columns.begin());
}

FieldValue Recordset::value(long position, int column) const
{
    if (position < 0 || position >= size() || column < 0
        || column >= static_cast<int>(state_->columns.size()))
        throw StepError(errSubscript, "Subscript out of range.");
    try {
        return state_->row(position)[static_cast<size_t>(column)];
    } catch (const StepError& error) {
        state_->report(error);
        throw;
    }
}

long long Recordset::bookmark(long position) const
{
    if (position < 0 || position >= size())
        throw StepError(errSubscript, "Subscript out of range.");
    if (state_->keyed)
        return state_->id_at(position);
    return position + 1;
}

namespace {

// The writable columns of `values` as "name = ?" pieces, checked before anything is written.
// The values with the keys of the keyed text columns among them.
FieldValues with_keys(const RecordsetState& s, FieldValues values)
{
    for (const auto& [column, key_column] : s.text_keys)
        if (const auto found = values.find(column); found != values.end())
            values[key_column] = found->second ? FieldValue(text_key(*found->second)) : std::nullopt;
    return values;
}

std::vector<std::pair<std::string, const FieldValue*>> writable(const RecordsetState& s,
                                                               const Recordset& rs,
                                                               const FieldValues& values)
{
    if (s.table.empty())
        throw StepError(errReadOnlyDatabase, "Cannot update. Database or object is read-only.");
    std::vector<std::pair<std::string, const FieldValue*>> fields;
    for (const auto& [name, value] : values) {
        const int column = rs.column_index(name);
        if (column < 0)
            throw StepError(errItemNotFound, "Item not found in this collection.");
        const std::string& origin = s.origins[static_cast<size_t>(column)];
        if (origin.empty())
            throw StepError(errFieldNotUpdatable, "Field cannot be updated.");
        fields.emplace_back(origin, &value);
    }
    return fields;
}

void bind_fields(RecordsetState& s, sqlite3_stmt* stmt,
                 const std::vector<std::pair<std::string, const FieldValue*>>& fields)
{
    int index = 1;
    for (const auto& [origin, value] : fields)
        bind_value(stmt, index++, *value, s.connection->affinity(s.table, origin));
}

} // namespace

long long Recordset::insert_row(const FieldValues& given)
{
    RecordsetState& s = *state_;
    try {
        const FieldValues values = with_keys(s, given);
        s.connection->before_write();
        const auto fields = writable(s, *this, values);
        std::string names, marks;
        for (const auto& field : fields) {
            names += (names.empty() ? "" : ", ") + quote_name(field.first);
            marks += marks.empty() ? "?" : ", ?";
        }
        const std::string sql = fields.empty()
            ? "insert into " + quote_name(s.table) + " default values"
            : "insert into " + quote_name(s.table) + " (" + names + ") values (" + marks + ")";
        Statement insert(s.connection->db, sql);
        bind_fields(s, insert.get(), fields);
        insert.step();
        ++s.connection->writes;
        const long long id = sqlite3_last_insert_rowid(s.connection->db);
        s.connection->rows_changed(s.table, 1);
        s.pager.pin(s.pager.count++, id);
        return id;
    } catch (const StepError& error) {
        s.report(error);
        throw;
    }
}

void Recordset::update_row(long position, const FieldValues& given)
{
    RecordsetState& s = *state_;
    try {
        const long long id = bookmark(position);
        const FieldValues values = with_keys(s, given);
        s.connection->before_write();
        const auto fields = writable(s, *this, values);
        if (fields.empty())
            return;
        std::string sets;
        for (const auto& field : fields)
            sets += (sets.empty() ? "" : ", ") + quote_name(field.first) + " = ?";
        Statement update(s.connection->db, "update " + quote_name(s.table) + " set " + sets
                                               + " where " + quote_name(s.key_column) + " = ?");
        bind_fields(s, update.get(), fields);
        sqlite3_bind_int64(update.get(), static_cast<int>(fields.size() + 1), id);
        update.step();
        ++s.connection->writes;
        if (sqlite3_changes(s.connection->db) == 0)
            throw StepError(errRecordDeleted, "Record is deleted.");
        s.pager.pin(position, id);
    } catch (const StepError& error) {
        s.report(error);
        throw;
    }
}

void Recordset::delete_row(long position)
{
    RecordsetState& s = *state_;
    try {
        const long long id = bookmark(position);
        if (s.table.empty())
            throw StepError(errReadOnlyDatabase, "Cannot update. Database or object is read-only.");
        s.connection->before_write();
        Statement remove(s.connection->db, "delete from " + quote_name(s.table) + " where "
                                               + quote_name(s.key_column) + " = ?");
        sqlite3_bind_int64(remove.get(), 1, id);
        remove.step();
        // Gone from the file already (another control deleted it): it leaves the order too.
        s.connection->rows_changed(s.table, -sqlite3_changes(s.connection->db));
        s.pager.unpin(position);
        --s.pager.count;
        if (s.current > position || s.current >= s.size())
            --s.current;
    } catch (const StepError& error) {
        s.report(error);
        throw;
    }
}

} // namespace platform
