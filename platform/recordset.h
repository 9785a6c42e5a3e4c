#pragma once
// The recordset of a data control: the rows of its record source in their order, a current
// record, the finds and moves the program calls, and the reads and writes the bound grid makes
// by position. A keyed source is read a window at a time (see keyset_pager.h); any other source
// is read whole at the Refresh.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// A field's value as the old runtime hands it over: std::nullopt is Null.
using FieldValue = std::optional<std::string>;
using FieldValues = std::map<std::string, FieldValue>;

struct RecordsetState;

class Recordset {
public:
    explicit Recordset(std::shared_ptr<RecordsetState> state);

    // The operations the program calls.
    long AbsolutePosition() const;              // -1 when there is no current record
    void FindFirst(const std::string& criterion);
    // As FindFirst with the first criterion that any row meets, asking the book once where
    // every criterion would read the whole table.
    void FindFirstOf(const std::vector<std::string>& criteria);
    bool NoMatch() const;
    void MoveLast();
    void MoveFirst();
    long RecordCount() const;
    void AddNew();
    void SetField(const std::string& name, const FieldValue& value); // Fields(name) = value
    FieldValue Fields(const std::string& name) const;  // current record; "" reads as Null
    void Update();

    // What the grid needs.
    long size() const;                                    // rows in the current order
    void Move(long position);                             // -1: no current record
    const std::vector<std::string>& columns() const;      // lower-case field names
    int column_index(const std::string& name) const;      // -1 when absent
    FieldValue value(long position, int column) const;    // rows fetched as they are needed
    long long bookmark(long position) const;              // the row's id
    long long insert_row(const FieldValues& values);      // appended at the end; returns the id
    void update_row(long position, const FieldValues& values);
    void delete_row(long position);
    // Writes take the lower-case names of columns(); id and computed columns cannot be
    // written. Text goes into text columns as it is; into a numeric column it goes as the
    // number it spells ("" stores Null, a text that is no number is a type mismatch).

private:
    friend class DataControl;
    std::shared_ptr<RecordsetState> state_;
};

} // namespace platform
