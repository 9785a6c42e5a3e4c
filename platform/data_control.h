#pragma once
// Data controls over an encrypted SQLite (SQLCipher) book, speaking the Jet dialect that
// the contact book's SQL texts are written in. Both controls on one file share one open
// connection; Refresh re-runs the query without reopening the file.
#include "platform/jet_sql.h"
#include "platform/recordset.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

class Connection;

class DataControl {
public:
    DataControl();
    ~DataControl();
    DataControl(const DataControl&) = delete;
    DataControl& operator=(const DataControl&) = delete;

    std::string DatabaseName;
    std::string Connect;   // the book hands its key in
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
