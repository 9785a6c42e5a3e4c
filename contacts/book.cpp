#include "contacts/book.h"
#include "platform/failure.h"

#include <QFile>

namespace book {

namespace {

// Each text column compared and sorted through the key beside it.
const char* const kKeyed[][2] = {{"nick", "chiave_nick"}, {"nome", "chiave_nome"}, {"email", "chiave_email"}};

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
    std::string sql = "drop view if exists qcontatti;";
    for (const char* index : {"nick", "nome", "email", "punti", "simpatia", "bellezza",
                              "affinita", "cultura", "foto", "foto_desc"})
        sql += std::string(" drop index if exists contatti_") + index + ";";
    return sql + " alter table contatti rename to contatti_prima; " + text
        + "; insert into contatti (" + columns + ", chiave_nick, chiave_nome, chiave_email)"
        + " select " + columns + ", text_key(nick), text_key(nome), text_key(email)"
        + " from contatti_prima; update sqlite_sequence set seq = (select max(seq) from"
        + " sqlite_sequence where name in ('contatti', 'contatti_prima')) where name = 'contatti';"
        + " drop table contatti_prima";
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
    platform::resume_next([&] { data.Execute(fill_keys(true)); });
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
