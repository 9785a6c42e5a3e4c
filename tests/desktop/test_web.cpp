#include "desktop/AprePaginaWeb.h"
#include "desktop/Info.h"
#include "platform/files.h"
#include "platform/shell_open.h"
#include "tests/support/fake_desktop.h"
#include "tests/support/main_fixture.h"

#include <QApplication>
#include <QTimer>
#include <functional>

namespace {

// The opener over the real desktop layer and a desktop of the test's own.
class WebPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::set_home_folder(home.path().toStdString());
        platform::services().shell = std::make_unique<platform::XdgShellOpen>();
    }
    void TearDown() override { platform::set_home_folder(""); }
    // The message shown, as "text / title" ("" for none); the probe must be gone afterwards.
    std::string opened(const std::string& address)
    {
        doubles.messages->shown.clear();
        AprePaginaWeb::apre_pagina_web(address);
        EXPECT_FALSE(QFile::exists(home.path() + "/brenvale.htm")) << address;
        if (doubles.messages->shown.empty())
            return "";
        const auto& m = doubles.messages->shown.back();
        EXPECT_EQ(m.style, platform::vbOKOnly | platform::vbExclamation);
        return m.text + " / " + m.title;
    }
    QTemporaryDir home;
    testing_support::ServiceDoubles doubles;
    testing_support::FakeDesktop desktop;
};

// An address may come from the banner file over plain HTTP: none may become a browser option.
TEST_F(WebPageTest, TheDefaultApplicationsGetTheAddressWholeAndNeverAsAnOption)
{
    EXPECT_EQ(opened("http://www.example.com/"), "Could not find your Browser / Browser Not Found");
    desktop.add_application("browser", "text/html");
    EXPECT_EQ(opened("   "), "Enter a URL / No URL");
    for (const char* option : {"--remote-debugging-port=9222", "  -new-instance"})
        EXPECT_EQ(opened(option), "Web Page Not Opened / URL Failed") << option;
    EXPECT_EQ(opened("  http://www.example.com/a b?x=1&y=2  "), "");
    EXPECT_EQ(desktop.recorded("browser"), "[  http://www.example.com/a b?x=1&y=2  ]\n");
    desktop.add_application("broken", "text/html", "not a program");
    EXPECT_EQ(opened("http://www.example.com/"), "Web Page Not Opened / URL Failed");
    desktop.add_application("mail", "x-scheme-handler/mailto");
    AprePaginaWeb::apre_email("anna@example.com", "", "", "Ciao a tutti", "", "");
    EXPECT_EQ(desktop.recorded("mail"), "[mailto:anna@example.com?Subject=Ciao%20a%20tutti]\n");
}

// The whole Exec line runs, wrappers and all, with the address as one argument where the
// line asks for it; nothing goes through a shell.
TEST_F(WebPageTest, TheBrowsersWholeExecLineRunsByTheDesktopEntryRules)
{
    const std::string page = "http://www.example.com/a b?x=1&y=$HOME;`id`";
    const auto opens = [&](const std::string& name, const std::string& exec) {
        desktop.add_application(name, "text/html", {}, exec);
        EXPECT_EQ(opened(page), "") << exec;
        return desktop.recorded(name);
    };
    const std::string in = "[" + page + "]\n";
    EXPECT_EQ(opens("snap", "env FOO=1 " + desktop.path("snap") + " %u"), "FOO=1\n" + in);
    EXPECT_EQ(opens("flatpak", desktop.path("flatpak") + " run --branch=stable org.example.Browser @@u %u @@"),
              "[run]\n[--branch=stable]\n[org.example.Browser]\n[@@u]\n" + in + "[@@]\n");
    EXPECT_EQ(opens("quoted", desktop.path("quoted") + " \"a \\\\\"b\\\\\" \\\\\\\\ c\" x\\sy %F"),
              "[a \"b\" \\ c]\n[x]\n[y]\n" + in);
    EXPECT_EQ(opens("codes", desktop.path("codes") + " %i %c %k --url=%f 100%% %U"),
              "[--url=" + page + "]\n[100%]\n" + in);
    EXPECT_EQ(opens("bare", desktop.path("bare") + " --new-window"), "[--new-window]\n" + in);
    // A browser that has gone: the wrapper alone would start and fail where nobody sees it.
    desktop.add_application("gone", "text/html", {}, "env FOO=1 " + desktop.path("nothing-here") + " %u");
    EXPECT_EQ(opened(page), "Web Page Not Opened / URL Failed");
    EXPECT_EQ(desktop.recorded("gone", 500), "");
}

TEST(ExecLine, QuotingEscapesAndFieldCodes)
{
    using platform::exec_arguments;
    using Argv = std::vector<std::string>;
    EXPECT_EQ(exec_arguments("browser %u", "http://a b"), (Argv{"browser", "http://a b"}));
    EXPECT_EQ(exec_arguments("browser %u", ""), (Argv{"browser"}));
    EXPECT_EQ(exec_arguments("browser", "http://x"), (Argv{"browser", "http://x"}));
    EXPECT_EQ(exec_arguments("  b\t %%u  %d%D%n%N%v%m%i%c%k  %", "x"), (Argv{"b", "%u", "%", "x"}));
    EXPECT_EQ(exec_arguments(R"("/my apps/b" "" "q\"\`\$\\" pre"fix"%f)", "x"),
              (Argv{"/my apps/b", "", "q\"`$\\", "prefixx"}));
    EXPECT_EQ(exec_arguments("", "x"), (Argv{"x"}));
}

// The opener's own steps and the main window's buttons, over the recording layer.
class WebButtonsTest : public testing_support::MainFixture {
protected:
    std::string last_address() const { return doubles->shell->executed.back().parameters; }
    // Opens the about box with its button and hands the open box to the check.
    void with_about_box(const std::function<void(Info&)>& check)
    {
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<Info*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            check(*box);
            box->Command1_Click();
        });
        form->Image4_Click();
    }
};

TEST_F(WebButtonsTest, TheProbeHoldsItsEighteenBytesOnlyWhileTheBrowserIsLookedUpAndMailPartsAreEncoded)
{
    platform::set_home_folder(dir.path().toStdString());
    AprePaginaWeb::apre_pagina_web(" http://x.example/ ");
    EXPECT_EQ(doubles->shell->looked_up, std::vector<std::string>{"C:\\brenvale.htm"});
    EXPECT_EQ(doubles->shell->looked_up_bytes, std::vector<std::string>{"\"<HTML> <\\HTML>\"\r\n"});
    const auto& e = doubles->shell->executed.at(0);
    EXPECT_EQ(e.verb + "|" + e.file + "|" + e.parameters + "|" + e.directory,
              "open|C:\\Browser\\browser.exe| http://x.example/ |");
    EXPECT_EQ(e.show_command, platform::SW_SHOWMAXIMIZED);
    EXPECT_FALSE(QFile::exists(dir.path() + "/brenvale.htm"));
    // The mailto address carries the non-empty parts in order; none can add header fields or end it.
    AprePaginaWeb::apre_email("anna@example.com", "", "", "", "", "");
    AprePaginaWeb::apre_email("anna@example.com", "", "", "Hi", "See you", "");
    AprePaginaWeb::apre_email("", "", "", "", "", "C:\\x.txt");
    AprePaginaWeb::apre_email("a@b.c", "c@d.e", "f@g.h", "a&b=c 100%", "x?y#z", "");
    EXPECT_EQ(doubles->shell->opened(), (std::vector<std::string>{
                            " http://x.example/ ", "mailto:anna@example.com", "mailto:anna@example.com?Subject=Hi&Body=See%20you",
                            "mailto:?Attach=%22C:%5Cx.txt%22",
                            "mailto:a@b.c?CC=c@d.e&BCC=f@g.h&Subject=a%26b%3Dc%20100%25&Body=x%3Fy%23z"}));
}

TEST_F(WebButtonsTest, HomeHelpAndTheAboutBoxFollowTheLanguageAndTheSite)
{
    start({});
    platform::set_home_folder(dir.path().toStdString());
    testing_support::write_file(QString::fromStdString(program + "/info.wav"), "x");
    form->Image16_Click();
    EXPECT_EQ(last_address(), form->sito_home);
    form->ImgHelp_Click();   // before the banner has chosen a site
    EXPECT_EQ(last_address(), form->sito_primario + "Guide/index.htm");
    with_about_box([&](Info& box) {
        EXPECT_EQ(box.LabOu->text().toStdString() + "|" + box.LabC6->text().toStdString(),
                  "Outlook is a mark of Microsoft Corp.|C6 is a mark of  Telecom Italia");
        testing_support::send_mouse(box.Image1, QEvent::MouseButtonRelease);
        EXPECT_EQ(last_address(), form->sito_home);
        testing_support::send_mouse(box.Labelemail, QEvent::MouseButtonRelease);
        EXPECT_EQ(doubles->shell->executed.back().file, "mailto:tavoly@example.com");
    });
    EXPECT_EQ(doubles->sound->played, std::vector<std::string>{program + "/info.wav"});

    form->sito_base = "http://mirror.example.org/tavoly/";
    form->lingua = 1;
    form->ImgHelp_Click();
    EXPECT_EQ(last_address(), "http://mirror.example.org/tavoly/Guida/index.htm");
    with_about_box([&](Info& box) {
        EXPECT_EQ(box.LabOu->text().toStdString() + "|" + box.LabC6->text().toStdString(),
                  "Outlook è un marchio di Microsoft Corp.|C6 è un marchio di Telecom Italia");
        testing_support::send_mouse(box.LabelSito, QEvent::MouseButtonRelease);
        EXPECT_EQ(last_address(), "http://mirror.example.org/tavoly/Guida/index.htm");
    });

    // No probe can be made: help ends silently.
    platform::set_home_folder(dir.path().toStdString() + "/missing");
    const auto opened = doubles->shell->executed.size();
    form->ImgHelp_Click();
    EXPECT_EQ(doubles->shell->executed.size(), opened);
    platform::set_home_folder("");
}

} // namespace
