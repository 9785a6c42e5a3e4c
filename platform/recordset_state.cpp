#include "platform/recordset_state.h"

#include "platform/failure.h"
#include "platform/runtime.h"

#include <QTimer>

namespace platform {

void RecordsetState::load()
{
    sqlite3* db = connection->db;
    const ReadTransaction reading(*connection);
    const long long version = connection->data_version();
    Statement query(db, source, &connection->statements);
    sqlite3_stmt* stmt = query.get();
    if (!sqlite3_stmt_readonly(stmt) || sqlite3_column_count(stmt) == 0)
        throw StepError(errDatabase, "Invalid SQL statement; expected a select.");
    const int n = sqlite3_column_count(stmt);
    for (int i = 0; i < n; ++i) {
        columns.push_back(lower_ascii(sqlite3_column_name(stmt, i)));
        if (!key_field.empty() && columns.back() == key_field && id_column < 0)
            id_column = i;
    }
    if (id_column >= 0 && is_single_table_select(source)) {
        const char* table_name = sqlite3_column_table_name(stmt, id_column);
        const char* origin = sqlite3_column_origin_name(stmt, id_column);
        const char* declared = nullptr;
        int primary = 0;
        if (table_name && origin
            && sqlite3_table_column_metadata(db, nullptr, table_name, origin, &declared, nullptr,
                                             nullptr, &primary, nullptr)
                   == SQLITE_OK
            && primary && lower_ascii(declared ? declared : "") == "integer") {
            keyed = true;
            table = table_name;
            key_column = origin;
            for (int i = 0; i < n; ++i) {
                const char* t = sqlite3_column_table_name(stmt, i);
                const char* o = sqlite3_column_origin_name(stmt, i);
                origins.push_back(t && o && table == t && i != id_column ? o : "");
            }
        }
    }
    if (keyed) {
        pager.connection = connection;
        pager.unordered = without_order_by(source);
        pager.id_name = columns[static_cast<size_t>(id_column)];
        pager.id_column = id_column;
        pager.width = columns.size();
        pager.order = order_by_terms(source);
        pager.order.push_back({quote_name(pager.id_name), false});
        pager.data_version = version;
        if (has_where(pager.unordered)) {
            Statement rows_of(db, "select count(*) from (" + pager.unordered + ")", &connection->statements);
            pager.count = rows_of.step() ? static_cast<long>(sqlite3_column_int64(rows_of.get(), 0)) : 0;
        } else {
            pager.count = connection->table_rows(table, kept_count, version);
        }
        pager.pages_written = connection->writes;
        if (pager.count > 0)
            pager.pages.emplace(0, pager.fetch_page(0));
        keep_signposting();
    } else {
        while (query.step())
            rows.push_back(row_values(stmt));
    }
    current = size() > 0 ? 0 : -1;
}

const std::vector<FieldValue>& RecordsetState::row(long position)
{
    if (!keyed)
        return rows[static_cast<size_t>(position)];
    fresh_pages();
    return pager.row(position);
}

long long RecordsetState::id_at(long position)
{
    fresh_pages();
    return pager.id_at(position);
}

void RecordsetState::fresh_pages()
{
    if (!pager.stale())
        return;
    pager.forget_pages();
    keep_signposting();
}

void RecordsetState::keep_signposting()
{
    if (!keyed || signposting || pager.count < kSignpostedFrom)
        return;
    signposting = true;
    QTimer::singleShot(0, [weak = weak_from_this()] {
        const auto state = weak.lock();
        if (!state)
            return;
        bool more = false;
        try {
            // Rows replaced by a Refresh are not worth it.
            more = state->owner && state->pager.signpost_step();
        } catch (const StepError&) {
            // A read that failed now fails again, and is reported, when the user gets there.
        }
        state->signposting = false;
        if (more)
            state->keep_signposting();
    });
}

void RecordsetState::reposition() const
{
    if (owner && owner->Reposition)
        owner->Reposition();
}

void RecordsetState::report(const StepError& error) const
{
    if (owner && owner->Error) {
        int response = 1;
        owner->Error(error.number(), response);
    }
}

} // namespace platform
