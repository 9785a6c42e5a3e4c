#include "platform/app.h"
#include "platform/single_instance.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <string>

#include <unistd.h>

using namespace platform;

namespace {

constexpr const char* kChildLockVariable = "TAVOLY_TEST_INSTANCE_LOCK";

// Another copy of the program: this test binary started again in child mode.
class OtherCopy {
public:
    explicit OtherCopy(const QString& lock_file)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(kChildLockVariable, lock_file);
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QCoreApplication::applicationFilePath(), {});
    }
    ~OtherCopy()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(30000);
        }
    }

    // "first" when it took the lock, "running" when it found this program running.
    std::string answer()
    {
        while (!process_.canReadLine()) {
            if (!process_.waitForReadyRead(30000))
                return "no answer";
        }
        return process_.readLine().trimmed().toStdString();
    }
    void end()
    {
        process_.closeWriteChannel();
        process_.waitForFinished(30000);
    }
    void crash()
    {
        process_.kill();   // SIGKILL: no chance to remove the lock
        process_.waitForFinished(30000);
    }

private:
    QProcess process_;
};

class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp_.isValid());
        set_instance_lock_file(lock_path().toStdString());
    }
    void TearDown() override { set_instance_lock_file(""); }

    QString lock_path() const { return temp_.path() + "/tavoly.lock"; }

    // Starting afresh, as a new run of this process would.
    bool prev_instance_afresh()
    {
        set_instance_lock_file(lock_path().toStdString());
        return PrevInstance();
    }

    QTemporaryDir temp_;
};

} // namespace

// The child mode, entered from tests/main.cpp: take the lock, say what was found, and hold
// it until the parent closes the input.
int single_instance_child_main()
{
    set_instance_lock_file(qEnvironmentVariable(kChildLockVariable).toStdString());
    std::cout << (PrevInstance() ? "running" : "first") << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
    }
    return 0;
}

TEST_F(SingleInstanceTest, SecondCopyFindsTheFirstRunning)
{
    OtherCopy first(lock_path());
    ASSERT_EQ(first.answer(), "first");
    // A copy that has run for an hour still counts: the lock's age says nothing.
    QFile lock(lock_path());
    ASSERT_TRUE(lock.open(QIODevice::ReadWrite));
    ASSERT_TRUE(lock.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                 QFileDevice::FileModificationTime));
    lock.close();
    EXPECT_TRUE(PrevInstance());
    EXPECT_TRUE(PrevInstance());   // the answer of the start stays

    first.end();
    EXPECT_FALSE(QFile::exists(lock_path()));
    EXPECT_FALSE(prev_instance_afresh());

    OtherCopy second(lock_path());
    EXPECT_EQ(second.answer(), "running");
    second.end();
    EXPECT_TRUE(QFile::exists(lock_path()));   // still held by this process
}

TEST_F(SingleInstanceTest, CrashedCopyDoesNotBlockTheNextStart)
{
    OtherCopy first(lock_path());
    ASSERT_EQ(first.answer(), "first");
    first.crash();
    ASSERT_TRUE(QFile::exists(lock_path()));

    EXPECT_FALSE(PrevInstance());
    qint64 pid = 0;
    QString host, app;
    ASSERT_TRUE(QLockFile(lock_path()).getLockInfo(&pid, &host, &app));
    EXPECT_EQ(pid, QCoreApplication::applicationPid());

    OtherCopy next(lock_path());
    EXPECT_EQ(next.answer(), "running");
}

TEST_F(SingleInstanceTest, UnreadableLockCountsOnlyWhileFresh)
{
    QFile empty(lock_path());
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    EXPECT_TRUE(PrevInstance());   // a copy may be writing it this moment

    ASSERT_TRUE(empty.setFileTime(QDateTime::currentDateTime().addSecs(-60),
                                  QFileDevice::FileModificationTime));
    empty.close();
    EXPECT_FALSE(prev_instance_afresh());
}

TEST_F(SingleInstanceTest, LockIsReleasedWhenTheRunEnds)
{
    EXPECT_FALSE(PrevInstance());
    EXPECT_TRUE(QFile::exists(lock_path()));
    set_instance_lock_file("");
    EXPECT_FALSE(QFile::exists(lock_path()));
}

TEST_F(SingleInstanceTest, LockThatCannotBeMadeLetsTheProgramRun)
{
    QFile blocker(temp_.path() + "/plainfile");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    set_instance_lock_file((temp_.path() + "/plainfile/tavoly.lock").toStdString());
    EXPECT_FALSE(PrevInstance());
}

TEST(SingleInstanceDefault, OneLockPerUserAndExecutable)
{
    set_instance_lock_file("");
    const QFileInfo lock(QString::fromStdString(instance_lock_file()));
    EXPECT_EQ(lock.fileName().toStdString(),
              exe_name() + "-" + std::to_string(::getuid()) + ".lock");
    EXPECT_TRUE(lock.isAbsolute());
}
