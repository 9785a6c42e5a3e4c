#pragma once
// A desktop of its own for the real xdg-utils, with applications that record their arguments.
#include "tests/support/helpers.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <map>
#include <optional>
#include <string>

namespace testing_support {

class FakeDesktop {
public:
    FakeDesktop()
    {
        QDir(dir_.path()).mkpath(QStringLiteral("data/applications"));
        for (const auto& [name, value] : std::map<const char*, QString>{
                 {"XDG_CONFIG_HOME", dir_.path()}, {"XDG_DATA_HOME", dir_.path() + "/data"},
                 {"XDG_CONFIG_DIRS", dir_.path() + "/none"}, {"XDG_DATA_DIRS", dir_.path() + "/none"},
                 {"DISPLAY", ":99"}, {"XDG_CURRENT_DESKTOP", ""}, {"DESKTOP_SESSION", ""}}) {
            saved_[name] = qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
            value.isEmpty() ? qunsetenv(name) : qputenv(name, value.toUtf8());
        }
    }
    ~FakeDesktop()
    {
        for (const auto& [name, value] : saved_)
            value ? qputenv(name.c_str(), *value) : qunsetenv(name.c_str());
    }
    std::string path(const std::string& name) const { return dir_.path().toStdString() + "/" + name; }
    // A program recording "[arg]" lines in "<name>.args" (after "FOO=" and the variable FOO's
    // value when it is set), the default for the ";"-separated types; its entry's Exec line
    // is exec, or the program's path and %u.
    void add_application(const std::string& name, const std::string& types, std::string program = {},
                         std::string exec = {})
    {
        if (program.empty())
            program = "#!/bin/sh\n{ [ -n \"${FOO+x}\" ] && printf 'FOO=%s\\n' \"$FOO\"\n"
                      "for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done; } >> '" + path(name + ".args") + "'\n";
        if (exec.empty())
            exec = path(name) + " %u";
        const QString file = QString::fromStdString(path(name));
        write_file(file, program);
        QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        write_file(QString::fromStdString(path("data/applications/" + name + ".desktop")),
                   "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=" + exec + "\n");
        for (std::size_t start = 0, end = 0; start < types.size(); start = end + 1) {
            end = std::min(types.find(';', start), types.size());
            defaults_.insert(0, types.substr(start, end - start) + "=" + name + ".desktop\n");
        }
        write_file(dir_.path() + "/mimeapps.list", "[Default Applications]\n" + defaults_);
    }
    // What the application recorded, waiting up to wait_ms for it; "" when nothing came.
    std::string recorded(const std::string& name, int wait_ms = 5000) const
    {
        QFile file(QString::fromStdString(path(name + ".args")));
        QElapsedTimer clock;
        clock.start();
        while (!file.exists() && clock.elapsed() < wait_ms)
            QThread::msleep(20);
        QThread::msleep(50);   // the program may still be writing
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
    }

private:
    QTemporaryDir dir_;
    std::map<std::string, std::optional<QByteArray>> saved_;
    std::string defaults_;
};

} // namespace testing_support
