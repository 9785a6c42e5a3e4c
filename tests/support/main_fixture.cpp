#include "tests/support/main_fixture.h"
#include "tests/support/helpers.h"

#include "platform/app.h"
#include "platform/data_control.h"
#include "platform/files.h"
#include "platform/jet_sql.h"
#include "platform/process.h"
#include "platform/settings.h"
#include "platform/single_instance.h"

#include <QDir>
#include <QProcess>

namespace testing_support {

void make_book(const std::string& folder, const std::vector<Contact>& contacts)
{
    const QString db = QString::fromStdString(folder) + "/contatti.mdb";
    QFile::remove(db);
    const QString empty = QString::fromStdString(folder) + "/empty.sql";
    write_file(empty, "");
    const int rc = QProcess::execute(QStringLiteral(TAVOLY_MAKEDB),
                                     {QStringLiteral(TAVOLY_SOURCE_DIR "/resources/schema.sql"), empty, db});
    ASSERT_EQ(rc, 0) << "makedb failed";
    if (contacts.empty())
        return;
    platform::DataControl data;
    data.DatabaseName = folder + "/contatti.mdb";
    use_book_keys(data);
    data.RecordSource = "select * from contatti";
    data.Refresh();
    for (const auto& contact : contacts) {
        data.recordset().AddNew();
        for (const auto& [field, value] : contact)
            data.recordset().SetField(field, value);
        data.recordset().Update();
    }
}

void MainFixture::SetUp()
{
    ASSERT_TRUE(dir.isValid());
    program = dir.path().toStdString() + "/program";
    QDir().mkpath(QString::fromStdString(program));
    QDir().mkpath(dir.path() + "/config");
    platform::set_program_folder(program);
    platform::set_settings_folder(dir.path().toStdString() + "/config");
    platform::set_instance_lock_file(dir.path().toStdString() + "/tavoly.lock");
    doubles = std::make_unique<ServiceDoubles>();
    platform::set_end_handler([this] { ended = true; });
}

void MainFixture::TearDown()
{
    form.reset();
    doubles.reset();
    platform::set_end_handler(nullptr);
    platform::set_instance_lock_file("");   // released before the folder goes
    platform::set_home_folder("");
    QDir::setCurrent(saved_folder_);
}

void MainFixture::start(const std::vector<Contact>& contacts, const std::string& command_line)
{
    make_book(program, contacts);
    load(command_line);
}

void MainFixture::load(const std::string& command_line)
{
    std::string arg0 = "tavoly";
    std::vector<char*> argv{arg0.data()};
    std::string arg = command_line;
    if (!arg.empty())
        argv.push_back(arg.data());
    platform::set_command_line(static_cast<int>(argv.size()), argv.data());
    form = std::make_unique<Main>();
    form->Form_Load();
}

void MainFixture::preset(const std::string& key, const std::string& value)
{
    platform::SaveSetting(platform::exe_name(), platform::kSettingsSection, key, value);
}

std::string MainFixture::setting(const std::string& key, const std::string& default_value) const
{
    return platform::GetSetting(platform::exe_name(), platform::kSettingsSection, key, default_value);
}

Contact MainFixture::stored(const std::string& nick) const
{
    platform::DataControl data;
    data.Connect = book::connect();
    data.KeyField = "id";
    data.DatabaseName = program + "/contatti.mdb";
    data.RecordSource = "select * from qcontatti where nick = " + platform::jet_quote(nick);
    data.Refresh();
    Contact contact;
    auto& rs = data.recordset();
    if (rs.size() > 0)
        for (const auto& column : rs.columns())
            contact[column] = rs.Fields(column).value_or("");
    return contact;
}

long MainFixture::stored_count() const
{
    platform::DataControl data;   // counted, not read from the book's count
    data.Connect = book::connect();
    data.DatabaseName = program + "/contatti.mdb";
    data.RecordSource = "select * from contatti";
    data.Refresh();
    return data.recordset().size();
}

void MainFixture::type_new_nick(const std::string& nick) const
{
    EXPECT_TRUE(form->TDBGrid1->userMoveTo(add_new_row(), 0));
    form->TDBGrid1->userEditCell(0, nick);
}

void MainFixture::add_sounds(std::initializer_list<const char*> names) const
{
    for (const char* name : names)
        write_file(QString::fromStdString(program + "/" + name), "");
}

std::vector<std::string> MainFixture::heard(std::initializer_list<const char*> names) const
{
    std::vector<std::string> paths;
    for (const char* name : names)
        paths.push_back(program + "/" + name);
    return paths;
}

std::vector<std::string> MainFixture::messages() const
{
    std::vector<std::string> texts;
    for (const auto& m : doubles->messages->shown)
        texts.push_back(m.text);
    return texts;
}

} // namespace testing_support
