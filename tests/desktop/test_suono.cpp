#include "desktop/Suono.h"
#include "contacts/layout.h"
#include "platform/controls.h"
#include "platform/app.h"
#include "platform/failure.h"
#include "platform/settings.h"
#include "tests/support/doubles.h"
#include "tests/support/main_fixture.h"

#include <QAudioDevice>
#include <QCursor>
#include <QDir>
#include <QEventLoop>
#include <QMediaDevices>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <string>

namespace {

std::string windows_style(std::string path)
{
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

void put_le(std::ofstream& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.put(char((value >> (8 * i)) & 0xFF));
}

// A tenth of a second of a quiet 440 Hz square wave, 16-bit PCM mono.
void write_wave(const std::string& path)
{
    constexpr uint32_t rate = 22050, samples = rate / 10, data = samples * 2;
    std::ofstream out(path, std::ios::binary);
    out << "RIFF";
    put_le(out, 36 + data, 4);
    out << "WAVEfmt ";
    put_le(out, 16, 4);
    put_le(out, 1, 2);          // PCM
    put_le(out, 1, 2);          // mono
    put_le(out, rate, 4);
    put_le(out, rate * 2, 4);
    put_le(out, 2, 2);
    put_le(out, 16, 2);
    out << "data";
    put_le(out, data, 4);
    for (uint32_t i = 0; i < samples; ++i)
        put_le(out, uint16_t((i / 25) % 2 ? 2000 : -2000), 2);
}

class SoundFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        write_wave(native("piu.wav"));
        write_wave(native(".nascosto.wav"));
        ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("cartella")));
    }
    std::string native(const std::string& name) const { return dir.path().toStdString() + "/" + name; }
    std::string windows(const std::string& name) const { return windows_style(native(name)); }

    QTemporaryDir dir;
};

struct ExistsCase {
    const char* what;
    std::string name;      // in the folder, written the Windows way
    int16_t attributes;
    bool found;
    std::string name_after;
    friend void PrintTo(const ExistsCase& c, std::ostream* os) { *os << c.what; }
};

class FileEsiste : public SoundFolder, public ::testing::WithParamInterface<ExistsCase> {};

TEST_P(FileEsiste, SearchesLikeTheOldDirectorySearch)
{
    const ExistsCase& c = GetParam();
    std::string path = windows(c.name);
    EXPECT_EQ(Suono::file_esiste(path, c.attributes), c.found) << c.what;
    EXPECT_EQ(path, windows(c.name_after)) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FileEsiste,
    ::testing::Values(
        ExistsCase{"ordinary file", "piu.wav", 0, true, "piu.wav"},
        ExistsCase{"missing file", "meno.wav", 0, false, "meno.wav"},
        ExistsCase{"hidden file, ordinary search", ".nascosto.wav", 0, false, ".nascosto.wav"},
        ExistsCase{"hidden file, hidden search", ".nascosto.wav", 2, true, ".nascosto.wav"},
        ExistsCase{"folder, ordinary search", "cartella", 0, false, "cartella"},
        ExistsCase{"folder, folder search", "cartella", 16, true, "cartella"},
        ExistsCase{"folder with trailing \\", "cartella\\", 16, true, "cartella"},
        ExistsCase{"missing folder with trailing \\", "altra\\", 16, false, "altra"},
        ExistsCase{"trailing \\ kept without 16", "cartella\\", 0, false, "cartella\\"}),
    [](const ::testing::TestParamInfo<ExistsCase>& info) {
        std::string name = info.param.what;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return name;
    });

class RiproduciSuono : public SoundFolder {
protected:
    testing_support::ServiceDoubles doubles;
};

TEST_F(RiproduciSuono, PlaysAnExistingFileByItsNativePath)
{
    std::string path = windows("piu.wav");
    int16_t loop = 0;
    EXPECT_TRUE(Suono::riproduci_suono(path, loop));
    ASSERT_EQ(doubles.sound->played.size(), 1u);
    EXPECT_EQ(doubles.sound->played[0], native("piu.wav"));
}

TEST_F(RiproduciSuono, PlaysNothingForAnEmptyNameOrAMissingFile)
{
    int16_t loop = 0;
    std::string empty;
    EXPECT_FALSE(Suono::riproduci_suono(empty, loop));
    std::string missing = windows("meno.wav");
    EXPECT_FALSE(Suono::riproduci_suono(missing, loop));
    std::string folder = windows("cartella");
    EXPECT_FALSE(Suono::riproduci_suono(folder, loop));
    EXPECT_TRUE(doubles.sound->played.empty());
}

// Records the loop flag and answers as scripted.
class ScriptedSound : public platform::SoundService {
public:
    enum Answer { Started, Refused, Throws };
    explicit ScriptedSound(Answer answer) : answer_(answer) {}
    std::vector<bool> loops;
    bool play(const std::string&, bool loop) override
    {
        loops.push_back(loop);
        if (answer_ == Throws)
            throw std::runtime_error("no audio");
        return answer_ == Started;
    }

private:
    Answer answer_;
};

TEST_F(RiproduciSuono, LoopsForAnyNonZeroFlag)
{
    auto* sound = new ScriptedSound(ScriptedSound::Started);
    platform::services().sound.reset(sound);
    std::string path = windows("piu.wav");
    for (int16_t flag : {int16_t(0), int16_t(1), int16_t(-1), int16_t(9)}) {
        int16_t loop = flag;
        EXPECT_TRUE(Suono::riproduci_suono(path, loop));
    }
    EXPECT_EQ(sound->loops, (std::vector<bool>{false, true, true, true}));
}

TEST_F(RiproduciSuono, ReportsASoundThePlayerCouldNotStart)
{
    std::string path = windows("piu.wav");
    int16_t loop = 0;
    platform::services().sound = std::make_unique<ScriptedSound>(ScriptedSound::Refused);
    EXPECT_FALSE(Suono::riproduci_suono(path, loop));
    platform::services().sound = std::make_unique<ScriptedSound>(ScriptedSound::Throws);
    EXPECT_FALSE(Suono::riproduci_suono(path, loop));
}

TEST_F(SoundFolder, PlaysARealWaveThroughTheRealPlayer)
{
    if (QMediaDevices::audioOutputs().isEmpty())
        GTEST_SKIP() << "no audio output device";
    std::string path = windows("piu.wav");
    int16_t loop = 0;
    EXPECT_TRUE(Suono::riproduci_suono(path, loop));
    std::string again = windows("piu.wav");
    EXPECT_TRUE(Suono::riproduci_suono(again, loop));   // takes the place of the first
    QEventLoop wait;
    QTimer::singleShot(300, &wait, &QEventLoop::quit);
    wait.exec();
}

// ---- the main window's sound routine and switch

class SoundSwitch : public testing_support::MainFixture {
protected:
    void start_with(const std::string& suoni)
    {
        preset("suoni", suoni);
        start({}, "x");
        doubles->sound->played.clear();
    }
    void put(const std::string& name) { write_wave(program + "/" + name); }
    const std::vector<std::string>& played() const { return doubles->sound->played; }
};

TEST_F(SoundSwitch, SoundsOnPlayTheProgramFoldersFile)
{
    put("piu.wav");
    start_with("S");
    form->Suono("piu.wav");
    EXPECT_EQ(played(), std::vector<std::string>{program + "/piu.wav"});
}

TEST_F(SoundSwitch, SoundsOffOrAMissingFilePlayNothing)
{
    put("piu.wav");
    start_with("N");
    form->Suono("piu.wav");
    EXPECT_TRUE(played().empty());
    form->suono_off_Click();   // on again, but "suoni.wav" is missing
    form->Suono("meno.wav");
    EXPECT_TRUE(played().empty());
}

TEST_F(SoundSwitch, TurningSoundsOffClicksOnceBeforeTheSwitch)
{
    put("suoni.wav");
    put("piu.wav");
    start_with("S");
    emit form->suono_on->clicked();
    EXPECT_EQ(played(), std::vector<std::string>{program + "/suoni.wav"});
    EXPECT_TRUE(form->suono_on->isHidden());
    EXPECT_FALSE(form->suono_off->isHidden());
    EXPECT_EQ(setting("suoni"), "N");
    form->Suono("piu.wav");
    EXPECT_EQ(played().size(), 1u);
}

TEST_F(SoundSwitch, TurningSoundsOnClicksOnceAfterTheSwitch)
{
    put("suoni.wav");
    start_with("s");
    EXPECT_TRUE(form->suono_on->isHidden());
    emit form->suono_off->clicked();
    EXPECT_EQ(played(), std::vector<std::string>{program + "/suoni.wav"});
    EXPECT_FALSE(form->suono_on->isHidden());
    EXPECT_TRUE(form->suono_off->isHidden());
    EXPECT_EQ(setting("suoni"), "S");
}

TEST_F(SoundSwitch, AStoreThatCannotBeWrittenStillSwitches)
{
    put("suoni.wav");
    start_with("S");
    const std::string blocked = program + "/suoni.wav/config";
    platform::set_settings_folder(blocked);
    ASSERT_THROW(platform::SaveSetting(platform::exe_name(), "Impostazioni", "suoni", "S"), platform::StepError);
    emit form->suono_on->clicked();
    EXPECT_TRUE(form->suono_on->isHidden());
    emit form->suono_off->clicked();
    EXPECT_FALSE(form->suono_on->isHidden());
    EXPECT_EQ(played().size(), 2u);
}

TEST_F(SoundSwitch, BothImagesLieOnTheSwitchWithAHandCursor)
{
    start_with("S");
    for (auto* image : {form->suono_on, form->suono_off}) {
        EXPECT_EQ(image->geometry(),
                  QRect(platform::px(layout::kSoundSwitch.left), platform::px(layout::kSoundSwitch.top),
                        platform::px(layout::kSoundSwitch.width), platform::px(layout::kSoundSwitch.height)));
        EXPECT_EQ(image->cursor().shape(), Qt::PointingHandCursor);
        EXPECT_FALSE(image->picture().isNull());
    }
}

} // namespace
