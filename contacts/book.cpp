#include "contacts/book.h"
#include "platform/failure.h"

#include <QFile>

#include <utility>
#include <vector>

namespace book {

namespace {

// Each text column compared and sorted through the key beside it.
const char* const kKeyed[][2] = {{"nick", "chiave_nick"}, {"nome", "chiave_nome"}, {"email", "chiave_email"}};

// The schema's index statements apart from the rest, so that they can run after the rows are
// in: one sort each instead of a random insert per row into each index.
std::pair<std::string, std::string> without_indexes(std::string text)
{
    std::string indexes;
    for (const char* start : {"create unique index", "create index"}) {
        for (size_t at = text.find(start); at != std::string::npos; at = text.find(start, at)) {
            const size_t end = text.find(';', at);
            const size_t past = end == std::string::npos ? text.size() : end + 1;
            indexes += text.substr(at, past - at) + "\n";
            text.erase(at, past - at);
        }
    }
    return {text, indexes};
}

// The contacts of a book of an earlier shape move into a table of the current one, keeping
// their ids; the old indexes and view go first, as their names are taken again. Books made
// when only the ASCII letters' case counted may hold nicks that differ only in the case of an
// accented letter: then the nick's index cannot be unique, and no contact is dropped for it.
std::string upgrade_text(bool unique_nick)
{
    const char* const columns = "nick, nome, note, email, foto1, foto2, foto3, foto4, foto5, "
                                "simpatia, bellezza, intelligenza, affinita, cultura, punti, id";
    std::string text = schema();
    if (!unique_nick) {
        const std::string unique = "create unique index contatti_nick";
        const size_t at = text.find(unique);
        if (at != std::string::npos)
            text.replace(at, unique.size(), "create index contatti_nick");
    }
    const auto [tables, indexes] = without_indexes(text);
    std::string sql = "drop view if exists qcontatti;";
    for (const char* index : {"nick", "nome", "email", "punti", "simpatia", "bellezza",
                              "affinita", "cultura", "foto", "foto_desc"})
        sql += std::string(" drop index if exists contatti_") + index + ";";
    return sql + " alter table contatti rename to contatti_prima; " + tables
        + "; insert into contatti (" + columns + ", chiave_nick, chiave_nome, chiave_email)"
        + " select " + columns + ", text_key(nick), text_key(nome), text_key(email)"
        + " from contatti_prima; update sqlite_sequence set seq = (select max(seq) from"
        + " sqlite_sequence where name in ('contatti', 'contatti_prima')) where name = 'contatti';"
        + " drop table contatti_prima; " + indexes;
}

// A control of its own on the same file (the same connection), closed before the file is
// written: a table with a statement open on it cannot lose an index.
platform::Recordset& look(platform::DataControl& reader, const platform::DataControl& data,
                          const std::string& query)
{
    reader.DatabaseName = data.DatabaseName;
    reader.Connect = data.Connect;
    reader.RecordSource = query;
    reader.Refresh();
    return reader.recordset();
}

long number(const platform::Recordset& rows, const char* column)
{
    return std::stol(rows.value(0, rows.column_index(column)).value_or("0"));
}

// Whether the keys to fill are many: a few rows another program added are filled in place,
// a book of empty keys with its indexes dropped and made again after the fill.
bool many_keys_missing(const platform::DataControl& data)
{
    std::string missing;
    for (const auto& [text, key] : kKeyed)
        missing += std::string(missing.empty() ? "" : " + ") + "(select count(*) from contatti where " + key
            + " is null and " + text + " is not null)";
    platform::DataControl reader;
    const platform::Recordset& rows
        = look(reader, data, "select " + missing + " as mancanti, (select righe from conteggio) as righe");
    const long keys = number(rows, "mancanti");
    return keys > 1000 && keys * 10 > number(rows, "righe");
}

// The indexes that hold a key column, each by its statement.
std::vector<std::pair<std::string, std::string>> key_indexes(const platform::DataControl& data)
{
    platform::DataControl reader;
    const platform::Recordset& rows
        = look(reader, data, "select name, sql from sqlite_master where type = 'index' and tbl_name = 'contatti'");
    std::vector<std::pair<std::string, std::string>> indexes;
    for (long i = 0; i < rows.size(); ++i) {
        const std::string sql = rows.value(i, rows.column_index("sql")).value_or("");
        if (sql.find("chiave_") != std::string::npos)
            indexes.emplace_back(rows.value(i, rows.column_index("name")).value_or(""), sql);
    }
    return indexes;
}

// The empty keys of every row in one pass, each row written once.
std::string fill_empty_keys_at_once()
{
    std::string set;
    std::string where;
    for (const auto& [text, key] : kKeyed) {
        set += std::string(set.empty() ? "" : ", ") + key + " = coalesce(" + key + ", text_key(" + text + "))";
        where += std::string(where.empty() ? "" : " or ") + key + " is null and " + text + " is not null";
    }
    return "update contatti set " + set + " where " + where;
}

std::string cache_size(const platform::DataControl& data)
{
    platform::DataControl reader;
    return std::to_string(std::stol(look(reader, data, "pragma cache_size").value(0, 0).value_or("")));
}

void fill_missing_keys(platform::DataControl& data)
{
    if (!many_keys_missing(data)) {
        data.Execute(fill_keys(true));
        return;
    }
    const auto indexes = key_indexes(data);
    // A larger cache for the while: each index is sorted in memory, not through temporary files.
    const std::string restore = "pragma cache_size = " + cache_size(data);
    std::string sql = "pragma cache_size = -262144; ";
    for (const auto& [name, statement] : indexes)
        sql += "drop index \"" + name + "\"; ";
    sql += fill_empty_keys_at_once();
    for (const auto& [name, statement] : indexes)
        sql += "; " + statement;
    try {
        data.Execute(sql);
    } catch (const platform::StepError&) {
        data.Execute(restore);
        throw;
    }
    data.Execute(restore);
}

} // namespace

std::string connect()
{
    return std::string(";PWD=") + kPassword;
}

void describe(platform::DataControl& control)
{
    control.Connect = connect();
    control.TextKeyColumns.clear();
    for (const auto& [text, key] : kKeyed)
        control.TextKeyColumns[text] = key;
    control.KeyField = "id";
    control.RowCount = "select righe from conteggio";
}

std::string fill_keys(bool only_empty)
{
    std::string sql;
    for (const auto& [text, key] : kKeyed) {
        sql += sql.empty() ? "" : "; ";
        sql += std::string("update contatti set ") + key + " = text_key(" + text + ")";
        if (only_empty)
            sql += std::string(" where ") + key + " is null and " + text + " is not null";
    }
    return sql;
}

std::string schema()
{
    QFile file(QStringLiteral(":/book/schema.sql"));
    if (!file.open(QIODevice::ReadOnly))
        throw platform::StepError(platform::errFileNotFound, "The book's schema is missing.");
    return file.readAll().toStdString();
}

void upgrade(platform::DataControl& data)
{
    try {
        data.Execute("select chiave_nick from contatti limit 0");
    } catch (const platform::StepError&) {
        try {
            data.Execute(upgrade_text(true));
        } catch (const platform::StepError&) {
            data.Execute(upgrade_text(false));
        }
    }
    // A book that cannot be written now gets them at a later start.
    platform::resume_next([&] { fill_missing_keys(data); });
}

// A book that exists but cannot be used is never shown as an empty one: whatever the user
// typed into it would go nowhere. A missing one is made anew, as the build makes it.
void open(platform::DataControl& data)
{
    try {
        upgrade(data);
        data.Refresh();
    } catch (const platform::StepError& e) {
        if (e.number() != platform::errFileNotFound)
            throw;
        platform::CreateDatabase(data.DatabaseName, data.Connect, schema());
        data.Refresh();
    }
}

std::string reason(int error, bool opening, bool english)
{
    const bool en = english;
    switch (error) {
    case platform::errReadOnlyDatabase: return en ? "the file is read-only" : "il file è di sola lettura";
    case platform::errPathFileAccess:
        if (opening)
            return en ? "permission denied" : "permesso negato";
        return en ? "its folder cannot be written" : "la sua cartella non è scrivibile";
    case platform::errLocked:
    case platform::errFileInUse: return en ? "another program is using it" : "un altro programma la sta usando";
    case platform::errDiskFull: return en ? "the disk is full" : "il disco è pieno";
    case platform::errDamaged: return en ? "it is damaged" : "è danneggiata";
    case platform::errFileNotFound:
        return en ? "the file was removed or replaced" : "il file è stato rimosso o sostituito";
    default: break;
    }
    if (!opening)
        return "";
    if (error == platform::errBadPassword)
        return en ? "it does not open with the program's password (a book under another password, or its "
                    "first page is damaged)"
                  : "non si apre con la password del programma (una rubrica con un'altra password, o la sua "
                    "prima pagina è danneggiata)";
    if (error == platform::errUnrecognizedFormat || error == platform::errDatabase)
        return en ? "it is not a contact book" : "non è una rubrica";
    return (en ? "error " : "errore ") + std::to_string(error);
}

std::string unusable_text(const std::string& path, int error, bool english)
{
    const std::string why = reason(error, true, english);
    return english ? "The contact book\n" + path + "\ncannot be opened: " + why
                         + ".\n\nThe program ends and leaves the file as it is."
                   : "La rubrica\n" + path + "\nnon può essere aperta: " + why
                         + ".\n\nIl programma termina e lascia il file com'è.";
}

std::string failed_text(const std::string& path, int error, bool pending, bool english)
{
    const std::string why = reason(error, false, english);
    if (pending)
        return english ? "The change could not be written to the contact book\n" + path + ":\n" + why
                             + ".\n\nIt stays on the row; leaving the row tries again."
                       : "La modifica non può essere scritta nella rubrica\n" + path + ":\n" + why
                             + ".\n\nResta sulla riga; lasciando la riga si riprova.";
    return english ? "The contact book\n" + path + "\ncould not be read: " + why + "."
                   : "La rubrica\n" + path + "\nnon può essere letta: " + why + ".";
}

} // namespace book
