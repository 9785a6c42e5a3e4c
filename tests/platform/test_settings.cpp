#include "platform/failure.h"
#include "platform/files.h"
#include "platform/settings.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace platform;

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp_.isValid());
        set_settings_folder(folder());
    }
    void TearDown() override { set_settings_folder(""); }

    std::string folder() const { return temp_.path().toStdString(); }

    QTemporaryDir temp_;
};

} // namespace

TEST_F(SettingsTest, MissingEntriesGiveTheDefault)
{
    EXPECT_EQ(GetSetting("tavoly", "Impostazioni", "suoni", "S"), "S");
    SaveSetting("tavoly", "Impostazioni", "suoni", "N");
    EXPECT_EQ(GetSetting("tavoly", "Impostazioni", "avvio", "S"), "S");
    EXPECT_EQ(GetSetting("tavoly", "Altro", "suoni", "x"), "x");
    EXPECT_EQ(GetSetting("other", "Impostazioni", "suoni", "S"), "S");
    EXPECT_EQ(GetSetting("tavoly", "Impostazioni", "suoni", "S"), "N");
}

TEST_F(SettingsTest, ValuesRoundTripExactly)
{
    const std::string values[] = {
        "S", "s", "N", "", " ", " lead", "trail ", "  both  ", "a=b", "=", "a;b", ";x", "#x",
        "a, b", ",", "C:\\", "C:\\TinMessenger", "\\\\server\\share", "\"quoted\"", "'q'",
        "Nicol\xC3\xB2 \xE2\x98\x83 \xF0\x9F\x98\x80", "@String(x)", "@@", "@", "line1\nline2",
        "x\r\ny", "\t", "true", "0", "%41", "[Impostazioni]", "key=value\n[other]",
    };
    for (const std::string& value : values) {
        SaveSetting("tavoly", "Impostazioni", "PathFoto", value);
        EXPECT_EQ(GetSetting("tavoly", "Impostazioni", "PathFoto", "default"), value)
            << testing::PrintToString(value);
    }

    // What the file itself holds, parsed afresh (an instance in this process would share
    // the parsed copy that the writes left behind).
    int n = 0;
    for (const std::string& value : values)
        SaveSetting("tavoly", "Impostazioni", "k" + std::to_string(n++), value);
    const QString copy = QString::fromStdString(folder() + "/copy.ini");
    ASSERT_TRUE(QFile::copy(QString::fromStdString(settings_file("tavoly")), copy));
    QSettings fresh(copy, QSettings::IniFormat);
    n = 0;
    for (const std::string& value : values) {
        const QVariant read = fresh.value("Impostazioni/k" + QString::number(n++));
        EXPECT_EQ(read.toString().toStdString(), value) << testing::PrintToString(value);
    }
}

TEST_F(SettingsTest, OneIniFilePerApplicationWithTheSectionAsGroup)
{
    SaveSetting("tavoly", "Impostazioni", "lingua", "1");
    SaveSetting("other", "Impostazioni", "lingua", "0");
    EXPECT_EQ(settings_file("tavoly"), folder() + "/tavoly.ini");
    QFile file(QString::fromStdString(settings_file("tavoly")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("[Impostazioni]")) << text.constData();
    EXPECT_TRUE(text.contains("lingua=1")) << text.constData();
    EXPECT_EQ(GetSetting("other", "Impostazioni", "lingua", ""), "0");
}

TEST_F(SettingsTest, MissingFolderIsMadeAndAnUnwritableOneFails)
{
    set_settings_folder(folder() + "/config/deeper");
    SaveSetting("tavoly", "Impostazioni", "avvio", "N");
    EXPECT_EQ(GetSetting("tavoly", "Impostazioni", "avvio", "S"), "N");

    QFile blocker(QString::fromStdString(folder() + "/plainfile"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    set_settings_folder(folder() + "/plainfile/config");
    try {
        SaveSetting("tavoly", "Impostazioni", "avvio", "N");
        ADD_FAILURE() << "a store under a plain file was written";
    } catch (const StepError& e) {
        EXPECT_EQ(e.number(), errPathFileAccess);
    }
    EXPECT_EQ(GetSetting("tavoly", "Impostazioni", "avvio", "S"), "S");
}

TEST_F(SettingsTest, DefaultFolderIsTheUsersConfigFolder)
{
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    const bool had = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", temp_.path().toUtf8() + "/xdg");
    set_settings_folder("");
    const std::string file = settings_file("tavoly");
    if (had)
        qputenv("XDG_CONFIG_HOME", saved);
    else
        qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(file, folder() + "/xdg/tavoly.ini");
}
