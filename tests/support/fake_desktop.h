#pragma once
// A desktop of its own for one test, for the real xdg-utils: temporary XDG folders with no
// system applications, a display name for xdg-open, and fake applications whose programs
// write each argument they get, one "[arg]" a line, into a file of their own.
#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
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
        for (const char* name : {"config", "data/applications", "none", "bin"})
            QDir(dir_.path()).mkpath(QString::fromLatin1(name));
        set("XDG_CONFIG_HOME", path("config"));
        set("XDG_DATA_HOME", path("data"));
        set("XDG_CONFIG_DIRS", path("none"));
        set("XDG_DATA_DIRS", path("none"));
        set("DISPLAY", ":99");
        set("XDG_CURRENT_DESKTOP", "");
        set("DESKTOP_SESSION", "");
    }
    ~FakeDesktop()
    {
        for (const auto& [name, value] : saved_) {
            if (value)
                qputenv(name.c_str(), *value);
            else
                qunsetenv(name.c_str());
        }
    }
    FakeDesktop(const FakeDesktop&) = delete;
    FakeDesktop& operator=(const FakeDesktop&) = delete;

    std::string path(const std::string& name) const { return dir_.path().toStdString() + "/" + name; }

    // A recording program "bin/<name>" and its entry "<name>.desktop", the default for the types.
    void add_application(const std::string& name, const std::string& types)
    {
        const std::string program = path("bin/" + name);
        write(program, "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done >> '" + record(name) + "'\n");
        QFile::setPermissions(QString::fromStdString(program), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        add_entry(name, program + " %u", types);   // xdg-mime reads no quoted Exec program
    }
    // An entry whose Exec line is given as it is, the default for the types.
    void add_entry(const std::string& name, const std::string& exec, const std::string& types)
    {
        write(path("data/applications/" + name + ".desktop"),
              "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=" + exec + "\n");
        std::string list = "[Default Applications]\n";
        defaults_[name] = types;
        for (const auto& [app, app_types] : defaults_) {
            std::size_t start = 0;
            while (start < app_types.size()) {
                const auto end = app_types.find(';', start);
                list += app_types.substr(start, end - start) + "=" + app + ".desktop\n";
                start = end == std::string::npos ? app_types.size() : end + 1;
            }
        }
        write(path("config/mimeapps.list"), list);
    }

    // What the application recorded, waiting up to 5 s for it to appear; "" when nothing came.
    std::string recorded(const std::string& name, int wait_ms = 5000) const
    {
        QElapsedTimer clock;
        clock.start();
        QFile file(QString::fromStdString(record(name)));
        while (!file.exists() && clock.elapsed() < wait_ms)
            QThread::msleep(20);
        QThread::msleep(50);   // the program may still be writing
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
    }

    static void write(const std::string& file, const std::string& bytes)
    {
        QFile f(QString::fromStdString(file));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes.data(), qint64(bytes.size()));
    }

private:
    std::string record(const std::string& name) const { return path(name + ".args"); }
    void set(const char* name, const std::string& value)
    {
        if (!saved_.count(name))
            saved_[name] = qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
        if (value.empty())
            qunsetenv(name);
        else
            qputenv(name, QByteArray::fromStdString(value));
    }

    QTemporaryDir dir_;
    std::map<std::string, std::optional<QByteArray>> saved_;
    std::map<std::string, std::string> defaults_;
};

} // namespace testing_support
