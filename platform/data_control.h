#pragma once
// Data controls over an encrypted SQLite (SQLCipher) book, speaking the Jet dialect that
// the contact book's SQL texts are written in. Both controls on one file share one open
// connection; Refresh re-runs the query without reopening the file.
#include "platform/jet_sql.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// A field's value as the old runtime hands it over: std::nullopt is Null.
using FieldValue = std::optional<std::string>;
using FieldValues = std::map<std::string, FieldValue>;

class Connection;
struct RecordsetState;

class Recordset {
public:
    explicit Recordset(std::shared_ptr<RecordsetState> state);

    // The operations the program calls.
    long AbsolutePosition() const;              // -1 when there is no current record
    void FindFirst(const std::string& criterion);
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

class DataControl {
public:
    DataControl();
    ~DataControl();
    DataControl(const DataControl&) = delete;
    DataControl& operator=(const DataControl&) = delete;

    std::string DatabaseName;
    std::string Connect = ";PWD=quorvent";
    std::string RecordSource;
    // Text columns compared, searched and sorted through key columns (see jet_sql.h); a write
    // of such a column writes its key too. Handed over by the owner of the database.
    TextKeys TextKeyColumns;
    // The column that identifies a row (an INTEGER PRIMARY KEY); a source that holds it is read
    // a window at a time and can be written. Handed over by the owner of the database.
    std::string KeyField;
    // A select of the number of rows of the key's table that the database keeps, so that a
    // large table is not counted; empty: counted once per connection.
    std::string RowCount;

    // Runs SQLite statements on the open file, for its owner's upgrades; the function
    // text_key(text) is at hand. Throws StepError when something fails; nothing is then kept.
    void Execute(const std::string& sqlite_sql);

    // Opens the file on first use (or when DatabaseName/Connect changed) and (re)runs
    // RecordSource. Throws StepError on a wrong password, a file that is not a book, or an
    // invalid query; the file is never modified by a failed open.
    void Refresh();
    Recordset& recordset();   // throws StepError when nothing is open

    // Events. Error: a database error the control reports on its own (response 0 silences
    // it). Reposition: the current record moved. Validate: Refresh is about to replace the
    // rows, so a bound grid can write the edit pending on the row on screen while that row is
    // still there. Reloaded: Refresh replaced the rows.
    // Error is raised by the grid's operations (value, insert_row, update_row, delete_row)
    // just before they throw. Reposition follows FindFirst (on a match), MoveLast and
    // MoveFirst, never Move, which only the grid calls. Reloaded also follows an Update after
    // AddNew (a row was appended) and a failed Refresh (the rows are gone).
    // A Refresh that fails raises Error too, before it throws.
    std::function<void(int number, int& response)> Error;
    std::function<void()> Reposition;
    std::function<void()> Validate;
    std::function<void()> Reloaded;

private:
    void connect();   // to DatabaseName under Connect, the open connection when it is that

    std::shared_ptr<Connection> connection_;
    std::string connected_name_;   // DatabaseName and Connect of connection_
    std::string connected_with_;
    std::unique_ptr<Recordset> recordset_;  // one object for the control's life: the grid keeps it
    bool open_ = false;
};

// Makes a new book from an SQL script, under the password of a connect string. Throws
// StepError when it cannot be made; a file already there is left as it is.
void CreateDatabase(const std::string& database_name, const std::string& connect,
                    const std::string& schema);

// How long a statement waits for a lock another program holds before it fails (milliseconds).
void set_lock_wait(int milliseconds);

} // namespace platform
