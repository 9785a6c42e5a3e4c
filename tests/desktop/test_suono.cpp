#include "desktop/Suono.h"
#include "platform/settings.h"
#include "tests/support/helpers.h"
#include "tests/support/main_fixture.h"

#include <QAudioDevice>
#include <QDir>
#include <QEventLoop>
#include <QMediaDevices>
#include <QTimer>

using testing_support::windows_style;

namespace {

class SuonoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testing_support::write_file(dir.path() + "/piu.wav", "x");
        QDir(dir.path()).mkdir(QStringLiteral("cartella"));
    }
    std::string native(const std::string& name) const { return dir.path().toStdString() + "/" + name; }
    std::string windows(const std::string& name) const { return windows_style(native(name)); }
    QTemporaryDir dir;
    testing_support::ServiceDoubles doubles;
};

TEST_F(SuonoTest, PlaysOnlyAnExistingFileByItsNativePath)
{
    for (std::string path : {std::string(), windows("meno.wav"), windows("cartella"), windows("piu.wav")}) {
        const bool exists = path == windows("piu.wav");
        int16_t loop = 0;
        EXPECT_EQ(Suono::riproduci_suono(path, loop), exists) << path;
    }
    EXPECT_EQ(doubles.sound->played, std::vector<std::string>{native("piu.wav")});
}

TEST_F(SuonoTest, FileEsisteWithFolderBitDropsTheTrailingSeparator)
{
    const struct {
        const char* name;
        int16_t attributes;
        bool found;
        const char* name_after;
    } cases[] = {
        {"piu.wav", 0, true, "piu.wav"}, {"cartella\\", 16, true, "cartella"},
        {"altra\\", 16, false, "altra"}, {"cartella\\", 0, false, "cartella\\"},
    };
    for (const auto& c : cases) {
        std::string path = windows(c.name);
        EXPECT_EQ(Suono::file_esiste(path, c.attributes), c.found) << c.name << " with " << c.attributes;
        EXPECT_EQ(path, windows(c.name_after)) << c.name << " with " << c.attributes;
    }
}

// The real player, without the test double: where there is an audio device at all.
TEST(SuonoRealPlayer, PlaysAWholeWaveAndTheNextReplacesIt)
{
    if (QMediaDevices::audioOutputs().isEmpty())
        GTEST_SKIP() << "no audio output device";
    std::string path = windows_style(TAVOLY_SOURCE_DIR "/resources/program/piu.wav");
    int16_t loop = 0;
    EXPECT_TRUE(Suono::riproduci_suono(path, loop));
    EXPECT_TRUE(Suono::riproduci_suono(path, loop));
    QEventLoop wait;
    QTimer::singleShot(300, &wait, &QEventLoop::quit);
    wait.exec();
}

class SoundSwitch : public testing_support::MainFixture {
protected:
    void start_with(const std::string& suoni)
    {
        add_sounds({"suoni.wav", "piu.wav"});
        preset("suoni", suoni);
        start({});
        doubles->sound->played.clear();
    }
    const std::vector<std::string>& played() const { return doubles->sound->played; }
};

// A store that cannot be written does not stop the switch.
TEST_F(SoundSwitch, TheSwitchClicksOnceWhileSoundsAreOnAndIsStored)
{
    start_with("S");
    form->Suono("meno.wav");   // missing: silent
    form->Suono("piu.wav");
    emit form->suono_on->clicked();
    EXPECT_EQ(played(), heard({"piu.wav", "suoni.wav"}));
    EXPECT_TRUE(form->suono_on->isHidden());
    EXPECT_FALSE(form->suono_off->isHidden());
    EXPECT_EQ(setting("suoni"), "N");
    form->Suono("piu.wav");
    EXPECT_EQ(played().size(), 2u);
    doubles->sound->played.clear();
    emit form->suono_off->clicked();
    EXPECT_EQ(played(), heard({"suoni.wav"}));
    EXPECT_FALSE(form->suono_on->isHidden());
    EXPECT_TRUE(form->suono_off->isHidden());
    EXPECT_EQ(setting("suoni"), "S");
    platform::set_settings_folder(program + "/suoni.wav/config");
    ASSERT_THROW(preset("suoni", "S"), platform::StepError);
    emit form->suono_on->clicked();
    EXPECT_TRUE(form->suono_on->isHidden());
    emit form->suono_off->clicked();
    EXPECT_FALSE(form->suono_on->isHidden());
    EXPECT_EQ(played().size(), 3u);
}

} // namespace
