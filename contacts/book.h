#pragma once
// The contact book's own knowledge, without widgets: its password, the key columns its texts
// are compared and sorted through, its shape and how an earlier one is brought up to date,
// how it is opened or made, and the texts that tell why it failed. The program, the tools,
// the tests and the benchmarks all take it from here.
#include "platform/data_control.h"

#include <string>

namespace book {

inline constexpr const char* kPassword = "quorvent";

// The connect string the data controls open the book with.
std::string connect();

// Hands a data control on the book what it must know of it: the password, the key columns,
// the column that identifies a row, and where the number of contacts is kept.
void describe(platform::DataControl& control);

// The statements that fill the key columns of the rows, on a data control's connection
// (text_key is at hand there); `only_empty` leaves the keys already written alone.
std::string fill_keys(bool only_empty);

// The shape of a new book. Throws StepError when it is missing from the program.
std::string schema();

// Brings a book of an earlier shape up to date; rows that another program added get their
// keys. Throws StepError when the book cannot be upgraded.
void upgrade(platform::DataControl& data);

// Opens the book at data's DatabaseName, brought up to date, or makes it anew from the schema
// when it is missing, and runs data's RecordSource. Throws StepError.
void open(platform::DataControl& data);

// Why the book failed, in English or Italian; "" for errors that are not the book's. On
// opening, every error has a reason.
std::string reason(int error, bool opening, bool english);

// What the user is told: a book that cannot be opened, and a book that failed while in use
// (`pending`: an edit waits on the row). `path` is the file's native path.
std::string unusable_text(const std::string& path, int error, bool english);
std::string failed_text(const std::string& path, int error, bool pending, bool english);

} // namespace book
