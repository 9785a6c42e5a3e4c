#pragma once
// Small helpers shared by the test files.
#include "contacts/book.h"
#include "platform/data_control.h"
#include "platform/failure.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <QString>
#include <sqlite3.h>
#include <string>

namespace testing_support {

// The error number a failing step throws; 0 when it does not fail.
template <class Step>
int error_number(Step&& step)
{
    try {
        step();
    } catch (const platform::StepError& e) {
        return e.number();
    }
    return 0;
}

// A native path written the Windows way, as the program's texts write paths.
inline std::string windows_style(std::string path)
{
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

// A left-button mouse event of this type at a point inside the widget.
inline void send_mouse(QWidget* target, QEvent::Type type)
{
    const QPointF at(2, 2);
    QMouseEvent e(type, at, target->mapToGlobal(at), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &e);
}

inline void press(QWidget* target, int key, const QString& text = {}, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QKeyEvent e(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(target, &e);
}

inline std::string read_file(const std::string& path)
{
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
}

inline void write_file(const QString& path, const std::string& bytes)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(bytes.data(), qint64(bytes.size()));
}

// A book file opened straight through SQLite under the program's key, as another program would.
struct RawBook {
    explicit RawBook(const std::string& path) { sqlite3_open(path.c_str(), &db); sqlite3_key(db, book::kPassword, int(std::char_traits<char>::length(book::kPassword))); }
    ~RawBook() { sqlite3_close(db); }
    int exec(const std::string& sql) const { return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr); }
    sqlite3* db = nullptr;
};

// The control described as the program describes it; rows a test wrote straight into the
// file get their keys.
inline void use_book_keys(platform::DataControl& control)
{
    book::describe(control);
    control.Execute(book::fill_keys(false));
}

} // namespace testing_support
