#include "platform/settings.h"
#include "tests/support/helpers.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace platform;

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { set_settings_folder(folder()); }
    void TearDown() override { set_settings_folder(""); }
    std::string folder() const { return temp_.path().toStdString(); }
    QTemporaryDir temp_;
};

} // namespace

// Read back from a copy: the process's shared memory would hide a value the file mangles.
TEST_F(SettingsTest, ValuesRoundTripExactlyThroughTheFile)
{
    const std::string values[] = {
        "s", "", " ", "  both  ", "a=b", ";x", "#x", "a, b", "C:\\TinMessenger", "\\\\server\\share",
        "\"quoted\"", "Nicol\xC3\xB2 \xF0\x9F\x98\x80", "@String(x)", "@", "line1\nline2", "x\r\ny",
        "\t", "true", "%41", "key=value\n[other]",
    };
    for (size_t n = 0; n < std::size(values); ++n)
        SaveSetting("tavoly", "Impostazioni", "k" + std::to_string(n), values[n]);
    ASSERT_TRUE(QFile::copy(QString::fromStdString(settings_file("tavoly")),
                            QString::fromStdString(settings_file("copy"))));
    for (size_t n = 0; n < std::size(values); ++n) {
        EXPECT_EQ(GetSetting("copy", "Impostazioni", "k" + std::to_string(n), "-"), values[n])
            << testing::PrintToString(values[n]);
    }
}

// A folder that cannot be written gives the defaults.
TEST_F(SettingsTest, OneIniFilePerApplicationMadeWhereMissingAndAnUnwritableFolderFails)
{
    set_settings_folder(folder() + "/config/deeper");
    SaveSetting("tavoly", "Impostazioni", "suoni", "N");
    EXPECT_EQ(GetSetting("tavoly", "Impostazioni", "suoni", "S"), "N");
    EXPECT_EQ(GetSetting("tavoly", "Impostazioni", "avvio", "S"), "S");
    EXPECT_EQ(GetSetting("tavoly", "Altro", "suoni", "x"), "x");
    EXPECT_EQ(GetSetting("other", "Impostazioni", "suoni", "S"), "S");
    QFile file(QString::fromStdString(folder() + "/config/deeper/tavoly.ini"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().simplified(), "[Impostazioni] suoni=N");

    testing_support::write_file(QString::fromStdString(folder() + "/plainfile"), "");
    set_settings_folder(folder() + "/plainfile/config");
    EXPECT_EQ(testing_support::error_number([] { SaveSetting("tavoly", "Impostazioni", "avvio", "N"); }),
              errPathFileAccess);
    EXPECT_EQ(GetSetting("tavoly", "Impostazioni", "avvio", "S"), "S");
}
