#include "platform/single_instance.h"

#include "platform/app.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

#include <memory>
#include <optional>

#include <unistd.h>

namespace platform {

namespace {

// A lock file whose content names no process is normally one a starting copy is writing
// this very moment; one that stays unreadable for this long was cut short by a crash.
constexpr qint64 kUnreadableLockAgeMs = 10'000;

struct InstanceLock {
    std::string path;
    std::unique_ptr<QLockFile> lock;
    std::optional<bool> previous;
};

InstanceLock& instance()
{
    static InstanceLock state;
    return state;
}

std::string default_lock_file()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return (folder + QLatin1Char('/') + QString::fromStdString(exe_name()) + QLatin1Char('-')
            + QString::number(::getuid()) + QStringLiteral(".lock"))
        .toStdString();
}

bool is_abandoned_unreadable(QLockFile& lock, const QString& path)
{
    qint64 pid = 0;
    QString host, app;
    if (lock.getLockInfo(&pid, &host, &app))
        return false;
    const QDateTime written = QFileInfo(path).lastModified();
    return written.isValid() && written.msecsTo(QDateTime::currentDateTime()) > kUnreadableLockAgeMs;
}

// Whether no other copy runs: only a lock that another live copy holds says otherwise; a
// lock file that cannot be made at all must not keep the program from starting.
bool no_other_copy(InstanceLock& state)
{
    const QString path = QString::fromStdString(instance_lock_file());
    QDir().mkpath(QFileInfo(path).absolutePath());
    state.lock = std::make_unique<QLockFile>(path);
    // The lock is held for the whole run, so its age says nothing: only a dead owner
    // (checked by process id and name) makes it stale.
    state.lock->setStaleLockTime(0);
    if (state.lock->tryLock(0))
        return true;
    if (state.lock->error() != QLockFile::LockFailedError)
        return true;
    if (is_abandoned_unreadable(*state.lock, path) && state.lock->removeStaleLockFile())
        return state.lock->tryLock(0);
    return false;
}

} // namespace

bool PrevInstance()
{
    InstanceLock& state = instance();
    if (!state.previous)
        state.previous = !no_other_copy(state);
    return *state.previous;
}

std::string instance_lock_file()
{
    const InstanceLock& state = instance();
    return state.path.empty() ? default_lock_file() : state.path;
}

void set_instance_lock_file(const std::string& path)
{
    InstanceLock& state = instance();
    state.lock.reset();
    state.previous.reset();
    state.path = path;
}

} // namespace platform
