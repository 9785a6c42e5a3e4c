#include "platform/single_instance.h"
#include "tests/support/helpers.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <iostream>
#include <limits>

using namespace platform;

namespace {

constexpr const char* kChildLockVariable = "TAVOLY_TEST_INSTANCE_LOCK";

// This binary in child mode: answers "first" or "running", and holds the lock until its input closes.
struct OtherCopy {
    explicit OtherCopy(const QString& lock_file)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(kChildLockVariable, lock_file);
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QCoreApplication::applicationFilePath(), {});
        while (!process.canReadLine() && process.waitForReadyRead(30000)) {
        }
        answer = process.readLine().trimmed().toStdString();
    }
    ~OtherCopy() { end(); }
    void end() { process.closeWriteChannel(); process.waitForFinished(30000); }
    QProcess process;
    std::string answer;
};

bool age(const QString& path, int seconds)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite)
        && file.setFileTime(QDateTime::currentDateTime().addSecs(-seconds), QFileDevice::FileModificationTime);
}

class SingleInstanceTest : public ::testing::Test {
protected:
    void TearDown() override { set_instance_lock_file(""); }
    QString lock_path() const { return temp_.path() + "/tavoly.lock"; }
    // As a new run of this process would start.
    bool prev_instance_afresh() { set_instance_lock_file(lock_path().toStdString()); return PrevInstance(); }
    QTemporaryDir temp_;
};

} // namespace

// The child mode, entered from tests/main.cpp.
int single_instance_child_main()
{
    set_instance_lock_file(qEnvironmentVariable(kChildLockVariable).toStdString());
    std::cout << (PrevInstance() ? "running" : "first") << std::endl;
    std::cin.ignore(std::numeric_limits<std::streamsize>::max());
    return 0;
}

TEST_F(SingleInstanceTest, SecondCopyFindsTheFirstRunningAndAKilledCopysLockDoesNotBlock)
{
    {
        OtherCopy first(lock_path());
        ASSERT_EQ(first.answer, "first");
        ASSERT_TRUE(age(lock_path(), 3600));   // a copy that has run for an hour still counts
        EXPECT_TRUE(prev_instance_afresh());
        first.end();
        EXPECT_FALSE(prev_instance_afresh());
        OtherCopy second(lock_path());
        EXPECT_EQ(second.answer, "running");
    }
    set_instance_lock_file("");
    OtherCopy killed(lock_path());
    ASSERT_EQ(killed.answer, "first");
    killed.process.kill();   // no chance to remove the lock
    killed.process.waitForFinished(30000);
    ASSERT_TRUE(QFile::exists(lock_path()));
    EXPECT_FALSE(prev_instance_afresh());
    OtherCopy next(lock_path());
    EXPECT_EQ(next.answer, "running");
}

// An empty lock is normally one a starting copy is writing this moment.
TEST_F(SingleInstanceTest, UnreadableLockCountsOnlyWhileFreshAndOneThatCannotBeMadeNever)
{
    testing_support::write_file(lock_path(), "");
    EXPECT_TRUE(prev_instance_afresh());
    ASSERT_TRUE(age(lock_path(), 60));
    EXPECT_FALSE(prev_instance_afresh());
    testing_support::write_file(temp_.path() + "/plainfile", "");
    set_instance_lock_file((temp_.path() + "/plainfile/tavoly.lock").toStdString());
    EXPECT_FALSE(PrevInstance());
}
