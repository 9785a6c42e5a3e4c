#include "desktop/AprePaginaWeb.h"
#include "desktop/Info.h"
#include "platform/files.h"
#include "tests/support/fake_desktop.h"
#include "tests/support/helpers.h"
#include "tests/support/main_fixture.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

using testing_support::ShownMessage;

namespace {

// The opener over the real desktop layer and a desktop of the test's own.
class WebPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        platform::set_home_folder(home.path().toStdString());
        platform::services().shell = std::make_unique<platform::XdgShellOpen>();
    }
    void TearDown() override { platform::set_home_folder(""); }

    // The message the call showed ("" for none) and whether the probe file was left behind.
    std::string opened_with_message(const std::string& address)
    {
        doubles.messages->shown.clear();
        AprePaginaWeb::apre_pagina_web(address);
        EXPECT_FALSE(QFile::exists(home.path() + "/brenvale.htm")) << address;
        if (doubles.messages->shown.empty())
            return "";
        const ShownMessage& m = doubles.messages->shown.back();
        EXPECT_EQ(m.style, platform::vbOKOnly | platform::vbExclamation);
        return m.text + " / " + m.title;
    }

    QTemporaryDir home;
    testing_support::ServiceDoubles doubles;
    testing_support::FakeDesktop desktop;
};

TEST_F(WebPageTest, TheDefaultBrowserGetsTheAddressAsOneUntrimmedArgument)
{
    desktop.add_application("browser", "text/html");
    EXPECT_EQ(opened_with_message("   "), "Enter a URL / No URL");
    EXPECT_EQ(opened_with_message(""), "Enter a URL / No URL");
    EXPECT_EQ(opened_with_message("  http://www.example.com/a b?x=1&y=2  "), "");
    EXPECT_EQ(desktop.recorded("browser"), "[  http://www.example.com/a b?x=1&y=2  ]\n");
}

// An address may come from the banner file, fetched over plain HTTP: none may become an
// option of the browser's own.
TEST_F(WebPageTest, AnAddressThatReadsAsAnOptionIsNotOpened)
{
    desktop.add_application("browser", "text/html");
    for (const char* address : {"--remote-debugging-port=9222", "  -new-instance", "-"})
        EXPECT_EQ(opened_with_message(address), "Web Page Not Opened / URL Failed") << address;
    EXPECT_EQ(desktop.recorded("browser", 300), "");
}

TEST_F(WebPageTest, NoBrowserOrOneThatCannotStartIsReported)
{
    EXPECT_EQ(opened_with_message("http://www.example.com/"), "Could not find your Browser / Browser Not Found");
    // Executable, so the desktop lists it, but no program the system can start.
    const std::string not_a_program = desktop.path("bin/readme");
    testing_support::FakeDesktop::write(not_a_program, "not a program");
    QFile::setPermissions(QString::fromStdString(not_a_program), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    desktop.add_entry("broken", not_a_program + " %u", "text/html");
    EXPECT_EQ(opened_with_message("http://www.example.com/"), "Web Page Not Opened / URL Failed");
}

TEST_F(WebPageTest, MailAddressesReachTheMailHandlerWhole)
{
    desktop.add_application("mail", "x-scheme-handler/mailto");
    AprePaginaWeb::apre_email("anna@example.com", "", "", "Ciao a tutti", "", "");
    EXPECT_EQ(desktop.recorded("mail"), "[mailto:anna@example.com?Subject=Ciao%20a%20tutti]\n");
}

TEST(ExecProgram, TheFirstFieldOfTheExecLineUnquoted)
{
    EXPECT_EQ(platform::exec_program("firefox-esr %u"), "firefox-esr");
    EXPECT_EQ(platform::exec_program("  \"/opt/My Browser/run\" --new %U"), "/opt/My Browser/run");
    EXPECT_EQ(platform::exec_program("\"/opt/a \\\"b\\\"/run\""), "/opt/a \"b\"/run");
    EXPECT_EQ(platform::exec_program("   "), "");
}

// The opener's own steps, over the recording layer.
class WebPageStepsTest : public ::testing::Test {
protected:
    void SetUp() override { platform::set_home_folder(home.path().toStdString()); }
    void TearDown() override { platform::set_home_folder(""); }
    std::vector<std::string> mailed() const
    {
        std::vector<std::string> files;
        for (const auto& e : doubles.shell->executed) {
            EXPECT_EQ(e.show_command, platform::SW_SHOWNORMAL);
            files.push_back(e.file);
        }
        return files;
    }
    QTemporaryDir home;
    testing_support::ServiceDoubles doubles;
};

TEST_F(WebPageStepsTest, TheProbeHoldsItsEighteenBytesOnlyDuringTheLookup)
{
    AprePaginaWeb::apre_pagina_web(" http://x.example/ ");
    ASSERT_EQ(doubles.shell->looked_up, std::vector<std::string>{"C:\\brenvale.htm"});
    EXPECT_EQ(doubles.shell->looked_up_bytes[0], "\"<HTML> <\\HTML>\"\r\n");
    EXPECT_EQ(doubles.shell->looked_up_bytes[0].size(), 18u);
    ASSERT_EQ(doubles.shell->executed.size(), 1u);
    const auto& e = doubles.shell->executed[0];
    EXPECT_EQ(e.verb + "|" + e.file + "|" + e.parameters + "|" + e.directory, "open|C:\\Browser\\browser.exe| http://x.example/ |");
    EXPECT_EQ(e.show_command, platform::SW_SHOWMAXIMIZED);
    EXPECT_FALSE(QFile::exists(home.path() + "/brenvale.htm"));

    // A home folder that cannot take the probe: the opener fails, and nothing is looked up.
    platform::set_home_folder(home.path().toStdString() + "/missing");
    EXPECT_NE(testing_support::error_number([] { AprePaginaWeb::apre_pagina_web("http://x.example/"); }), 0);
    EXPECT_EQ(doubles.shell->looked_up.size(), 1u);
}

// No value can add header fields of its own or end the address.
TEST_F(WebPageStepsTest, TheMailtoAddressCarriesTheNonEmptyPartsInOrderEncoded)
{
    AprePaginaWeb::apre_email("anna@example.com", "", "", "", "", "");
    AprePaginaWeb::apre_email("anna@example.com", "", "", "Hi", "See you", "");
    AprePaginaWeb::apre_email("", "", "", "", "", "C:\\x.txt");
    AprePaginaWeb::apre_email("a@b.c", "c@d.e", "f@g.h", "a&b=c 100%", "x?y#z", "");
    EXPECT_EQ(mailed(), (std::vector<std::string>{"mailto:anna@example.com",
                                                  "mailto:anna@example.com?Subject=Hi&Body=See%20you",
                                                  "mailto:?Attach=%22C:%5Cx.txt%22",
                                                  "mailto:a@b.c?CC=c@d.e&BCC=f@g.h&Subject=a%26b%3Dc%20100%25"
                                                  "&Body=x%3Fy%23z"}));
}

class WebButtonsTest : public testing_support::MainFixture {
protected:
    std::string last_address() const
    {
        return doubles->shell->executed.empty() ? "" : doubles->shell->executed.back().parameters;
    }
    // Opens the about box through its button and hands the open box to the check.
    void with_about_box(const std::function<void(Info&)>& check)
    {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<Info*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            seen = true;
            check(*box);
            box->Command1_Click();
        });
        form->Image4_Click();
        EXPECT_TRUE(seen);
    }
};

TEST_F(WebButtonsTest, HomeAndHelpOpenWholeAddressesInTheLanguage)
{
    start({});
    platform::set_home_folder(dir.path().toStdString());
    form->Image16_Click();
    EXPECT_EQ(last_address(), form->sito_home);
    form->ImgHelp_Click();   // before the banner has chosen a base
    EXPECT_EQ(last_address(), form->sito_primario + "Guide/index.htm");
    form->sito_base = "http://mirror.example.org/tavoly/";
    form->lingua = 1;
    form->ImgHelp_Click();
    EXPECT_EQ(last_address(), "http://mirror.example.org/tavoly/Guida/index.htm");

    // The probe cannot be made: the help button ends silently.
    platform::set_home_folder(dir.path().toStdString() + "/missing");
    const auto opened = doubles->shell->executed.size();
    form->ImgHelp_Click();
    EXPECT_EQ(doubles->shell->executed.size(), opened);
    platform::set_home_folder("");
}

TEST_F(WebButtonsTest, TheAboutBoxFollowsTheLanguageAndOpensItsLinks)
{
    start({});
    platform::set_home_folder(dir.path().toStdString());
    testing_support::write_file(QString::fromStdString(program + "/info.wav"), "x");
    with_about_box([&](Info& box) {
        EXPECT_EQ(box.windowTitle().toStdString(), "About Tavoly?");
        EXPECT_EQ(box.Label2->text().toStdString(), "Tavoly 1.0");
        EXPECT_EQ(box.LabelSito->text().toStdString(), "Help On line");
        EXPECT_EQ(box.Labelemail->text().toStdString(), "email: tavoly@example.com");
        EXPECT_EQ(box.Command1->text().toStdString(), "OK");
        EXPECT_EQ(box.LabOu->text().toStdString(), "Outlook is a mark of Microsoft Corp.");
        EXPECT_EQ(box.LabC6->text().toStdString(), "C6 is a mark of  Telecom Italia");
        testing_support::send_mouse(box.Image1, QEvent::MouseButtonRelease);
        EXPECT_EQ(last_address(), form->sito_home);
        testing_support::send_mouse(box.LabelSito, QEvent::MouseButtonRelease);
        EXPECT_EQ(last_address(), form->sito_primario + "Guide/index.htm");
        testing_support::send_mouse(box.Labelemail, QEvent::MouseButtonRelease);
        EXPECT_EQ(doubles->shell->executed.back().file, "mailto:tavoly@example.com");
    });
    EXPECT_EQ(doubles->sound->played, std::vector<std::string>{program + "/info.wav"});
    form->lingua = 1;
    with_about_box([](Info& box) {
        EXPECT_EQ(box.LabOu->text().toStdString(), "Outlook è un marchio di Microsoft Corp.");
        EXPECT_EQ(box.LabC6->text().toStdString(), "C6 è un marchio di Telecom Italia");
        EXPECT_EQ(box.LabelSito->text().toStdString(), "Help On line");
    });
    platform::set_home_folder("");
}

} // namespace
