#include "platform/data_control.h"

#include "platform/connection.h"
#include "platform/failure.h"
#include "platform/recordset_state.h"
#include "platform/runtime.h"

namespace platform {

DataControl::DataControl()
    : recordset_(std::make_unique<Recordset>(std::make_shared<RecordsetState>()))
{
}

DataControl::~DataControl()
{
    recordset_->state_->owner = nullptr;
}

void DataControl::Refresh()
{
    if (open_ && Validate)
        Validate();
    auto fresh = std::make_shared<RecordsetState>();
    try {
        connect();
        fresh->connection = connection_;
        fresh->key_field = lower_ascii(KeyField);
        fresh->kept_count = RowCount;
        fresh->text_keys = TextKeyColumns;
        if (!RecordSource.empty()) {
            fresh->source = jet_to_sqlite(with_text_keys(RecordSource, TextKeyColumns));
            fresh->load();
        }
    } catch (const StepError& error) {
        // The old rows go: a lookup that failed must not answer with the last one's result.
        const bool was_open = open_;
        recordset_->state_->owner = nullptr;
        recordset_->state_ = std::make_shared<RecordsetState>();
        open_ = false;
        if (was_open && Reloaded)
            Reloaded();
        if (Error) {
            int response = 1;
            Error(error.number(), response);
        }
        throw;
    }
    recordset_->state_->owner = nullptr;
    fresh->owner = this;
    recordset_->state_ = std::move(fresh);
    open_ = !RecordSource.empty();
    if (Reloaded)
        Reloaded();
}

void DataControl::connect()
{
    // The same names as the last time: the same file (a file replaced under the program is
    // caught before each write), and a sort does not look the path up again.
    if (connection_ && DatabaseName == connected_name_ && Connect == connected_with_)
        return;
    if (!connection_ || !connection_->opens(DatabaseName, Connect))
        connection_ = Connection::open(DatabaseName, Connect);
    connected_name_ = DatabaseName;
    connected_with_ = Connect;
}

void DataControl::Execute(const std::string& sqlite_sql)
{
    connect();
    sqlite3* db = connection_->db;
    char* message = nullptr;
    if (sqlite3_exec(db, ("savepoint execute; " + sqlite_sql + "; release execute").c_str(),
                     nullptr, nullptr, &message)
        != SQLITE_OK) {
        const std::string text = message ? message : sqlite3_errmsg(db);
        sqlite3_free(message);
        sqlite3_exec(db, "rollback to execute; release execute", nullptr, nullptr, nullptr);
        throw StepError(errDatabase, text);
    }
    ++connection_->writes;
    connection_->forget_counts();
}

Recordset& DataControl::recordset()
{
    if (!open_)
        throw StepError(errObjectNotSet, "Object variable or With block variable not set.");
    return *recordset_;
}

} // namespace platform
