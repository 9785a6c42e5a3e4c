#pragma once
// A main window over a fresh book in a temporary program folder, with the recording doubles.
#include "contacts/Main.h"
#include "tests/support/doubles.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace testing_support {

using Contact = std::map<std::string, std::string>;   // field -> value

// Makes <folder>/contatti.mdb from the shipped schema and adds the contacts.
void make_book(const std::string& folder, const std::vector<Contact>& contacts);

class MainFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Creates the window over a book holding these contacts and runs the start-up.
    void start(const std::vector<Contact>& contacts, const std::string& command_line = "x");
    // Creates the window and runs the start-up over whatever the program folder holds.
    void load(const std::string& command_line = "x");
    // The settings the next start reads (before start()).
    void preset(const std::string& key, const std::string& value);
    std::string setting(const std::string& key, const std::string& default_value = "<none>") const;
    // A contact as stored in the book now, by nick ("" for a missing field; empty when none).
    Contact stored(const std::string& nick) const;
    long stored_count() const;
    // Empty sound files: the window plays a sound only when its file is in the program folder.
    void add_sounds(std::initializer_list<const char*> names) const;
    std::vector<std::string> heard(std::initializer_list<const char*> names) const;   // as the player gets them
    std::vector<std::string> messages() const;   // the texts shown so far
    long add_new_row() const { return form->TDBGrid1->model()->rowCount() - 1; }
    void type_new_nick(const std::string& nick) const;   // on the add-new row
    QTemporaryDir dir;
    std::string program;
    std::unique_ptr<ServiceDoubles> doubles;
    std::unique_ptr<Main> form;
    bool ended = false;

private:
    const QString saved_folder_ = QDir::currentPath();   // the open-file dialog moves it
};

} // namespace testing_support
