#pragma once
// What a Refresh opened: the source's columns, where its rows are written, its rows (a keyed
// source through its pager, any other read whole), the current record and the row AddNew is
// building. A Refresh makes a new state; the old one loses its owner, so that nothing it still
// does (an idle signpost step) raises the control's events.
#include "platform/connection.h"
#include "platform/data_control.h"
#include "platform/keyset_pager.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

class StepError;

struct RecordsetState : std::enable_shared_from_this<RecordsetState> {
    std::shared_ptr<Connection> connection;
    DataControl* owner = nullptr;  // whose events to raise; none once replaced
    std::string source;            // the record source in SQLite's words
    std::string key_field;         // the column that identifies a row
    std::string kept_count;        // a select of the rows of the whole table, or ""
    TextKeys text_keys;
    std::vector<std::string> columns;
    std::vector<std::string> origins;  // the table column each column writes; "" for none
    std::string table;                 // where rows are written; "" for a read-only source
    std::string key_column;            // the table's id column
    int id_column = -1;

    // Keyed when the id is the INTEGER PRIMARY KEY of a table and the rows come from that
    // table alone: then every row can be found again by its id, and the rows are read a
    // window at a time by the pager; otherwise they are read whole into `rows`.
    bool keyed = false;
    std::vector<std::vector<FieldValue>> rows;
    KeysetPager pager;
    // While the program waits for the user, a long order gets signposts at even steps, so that
    // even the first jump into it is a short walk.
    bool signposting = false;

    long current = -1;
    bool no_match = false;
    std::optional<FieldValues> added;  // AddNew's row until Update

    // Runs the source and reads its columns, its count and (keyed) its first window, so that a
    // book that cannot give them fails the Refresh.
    void load();
    long size() const { return keyed ? pager.count : static_cast<long>(rows.size()); }
    const std::vector<FieldValue>& row(long position);
    long long id_at(long position);
    // After a write: the pages read before are dropped and the idle signposting starts again.
    void fresh_pages();
    void keep_signposting();
    void reposition() const;
    void report(const StepError& error) const;
};

} // namespace platform
