#include "banner/CNetGet.h"
#include "platform/services.h"
#include "tests/support/doubles.h"
#include "tests/support/helpers.h"
#include "tests/support/loopback_http.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using testing_support::LoopbackHttp;

namespace {

// A status window that keeps every text it was given, repeats included.
class StatusWindow : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)
public:
    QString text() const { return shown.empty() ? QString() : QString::fromStdString(shown.back()); }
    void setText(const QString& t) { shown.push_back(t.toStdString()); }
    std::vector<std::string> shown;
};

std::string file_bytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : "<missing>";
}

// The real transfer layer against the loopback server, with a short idle time-out.
class NetGetTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server = new LoopbackHttp; }
    static void TearDownTestSuite() { delete server; }
    void SetUp() override
    {
        saved = std::move(platform::services().internet);
        platform::services().internet = std::make_unique<platform::QtInternet>(std::chrono::milliseconds(500));
        net.Init();
    }
    void TearDown() override { platform::services().internet = std::move(saved); }
    std::string in_dir(const char* name) const { return windows_style(dir.filePath(name)); }
    static std::string windows_style(const QString& path) { return testing_support::windows_style(path.toStdString()); }
    // The status texts of the next downloads, as a status window shows them.
    std::vector<std::string>& watch_status()
    {
        net.SetStatusWindow(&status_window);
        return status_window.shown;
    }

    static inline LoopbackHttp* server = nullptr;
    std::unique_ptr<platform::InternetService> saved;
    QTemporaryDir dir;
    CNetGet net;
    StatusWindow status_window;
};

TEST_F(NetGetTest, InitTheUserAgentAndAFirstLookAtTheErrors)
{
    EXPECT_EQ(net.GetLastError(), "");   // the close of the handle not yet open is forgotten
    ASSERT_TRUE(net.ReadUrl(server->url("/bytes/3")));
    net.Init("Agente di prova/1.0");
    ASSERT_TRUE(net.ReadUrl(server->url("/bytes/3")));
    net.SetUserAgent("");   // ignored, and a root handle keeps the agent it was opened with
    net.SetUserAgent("Later");
    ASSERT_TRUE(net.ReadUrl(server->url("/bytes/3")));
    EXPECT_EQ(server->user_agents(),
              (std::vector<std::string>{"tavoly", "Agente di prova/1.0", "Agente di prova/1.0"}));

    EXPECT_FALSE(net.ReadUrl("http://nessuno.invalid/set.txt"));
    EXPECT_EQ(net.GetLastError(), "The server name could not be resolved.");
    EXPECT_FALSE(net.ReadUrl("http://127.0.0.1:" + std::to_string(testing_support::closed_port()) + "/"));
    EXPECT_EQ(net.GetLastError(), "The attempt to connect to the server failed.");
    EXPECT_FALSE(net.ReadUrl("gopher://127.0.0.1/"));
    EXPECT_EQ(net.GetLastError(), "The URL scheme could not be recognized, or is not supported.");
    EXPECT_FALSE(net.ReadUrl("http://"));
    EXPECT_EQ(net.GetLastError(), "The URL is invalid.");

    EXPECT_EQ(CNetGet::TranslateErrorCode(12032), "Error details not available.");
    EXPECT_EQ(CNetGet::TranslateErrorCode(0), "Error details not available.");
    EXPECT_EQ(CNetGet::TranslateErrorCode(5), "Error details not available.");
    EXPECT_EQ(CNetGet::TranslateErrorCode(12036), "The request failed because the handle already exists.");
    EXPECT_EQ(CNetGet::TranslateErrorCode(12011), "The request option can not be set, only queried. ");
}

TEST_F(NetGetTest, IntoMemoryEveryAnswerIsThePageAndACutOffKeepsWhatCame)
{
    auto& status = watch_status();
    ASSERT_TRUE(net.ReadUrl(server->url("/bytes/0")));
    EXPECT_EQ(net.GetRawHTML(), "");
    EXPECT_EQ(status, (std::vector<std::string>{"Opening: " + server->url("/bytes/0"), "Reading Url: 0 bytes read",
                                                "Ready"}));

    ASSERT_TRUE(net.ReadUrl(server->url("/bytes/70000")));
    EXPECT_EQ(net.GetRawHTML(), LoopbackHttp::body_of(70000));
    EXPECT_TRUE(net.ReadUrl(server->url("/status/404")));   // into memory, an error page is a page
    EXPECT_EQ(net.GetRawHTML(), "status 404");

    EXPECT_TRUE(net.ReadUrl(server->url("/cut/3000")));
    EXPECT_EQ(net.GetLastError(), "The connection with the server has been terminated.");
    EXPECT_EQ(net.GetRawHTML(), LoopbackHttp::body_of(3000).substr(0, net.GetRawHTML().size()));

    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(net.ReadUrl(server->url("/hang")));
    EXPECT_EQ(net.GetLastError(), "The request has timed out.");
    EXPECT_LT(clock.elapsed(), 3000);
}

TEST_F(NetGetTest, AFileIsReplacedOnlyByAWholeBodyWithASuccessStatus)
{
    const QString target = dir.filePath("set.txt");
    auto& status = watch_status();
    testing_support::write_file(target, std::string(10000, 'x'));
    ASSERT_TRUE(net.ReadUrl(server->url("/bytes/5000"), in_dir("set.txt")));
    EXPECT_EQ(file_bytes(target), LoopbackHttp::body_of(5000));
    ASSERT_GE(status.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(status.end() - 3, status.end()),
              (std::vector<std::string>{"Reading Url: 5000 bytes read", "Reading Url: 5000 bytes read", "Ready"}));
    ASSERT_TRUE(net.ReadUrl(server->url("/bytes/5000"), in_dir("nuovo.gif")));
    EXPECT_EQ(file_bytes(dir.filePath("nuovo.gif")), LoopbackHttp::body_of(5000));
    ASSERT_TRUE(net.ReadUrl(server->url("/bytes/0"), in_dir("vuoto.gif")));
    EXPECT_EQ(file_bytes(dir.filePath("vuoto.gif")), "");

    const std::string good = file_bytes(target);
    EXPECT_FALSE(net.ReadUrl(server->url("/status/404"), in_dir("set.txt")));
    EXPECT_EQ(net.GetLastError(), "The requested item could not be located.");
    EXPECT_FALSE(net.ReadUrl(server->url("/status/503"), in_dir("set.txt")));
    EXPECT_EQ(net.GetLastError(), "An extended error was returned from the server.");
    EXPECT_FALSE(net.ReadUrl(server->url("/cut/3000"), in_dir("set.txt")));
    EXPECT_FALSE(net.ReadUrl(server->url("/hang"), in_dir("set.txt")));
    EXPECT_EQ(file_bytes(target), good);

    EXPECT_FALSE(net.ReadUrl("http://nessuno.invalid/a.gif", in_dir("a.gif")));
    EXPECT_FALSE(net.ReadUrl(server->url("/cut/3000"), in_dir("b.gif")));
    EXPECT_FALSE(net.ReadUrl(server->url("/bytes/10"), in_dir("manca\\c.gif")));
    EXPECT_EQ(net.GetLastError(), "Path/File access error");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              (QStringList{"nuovo.gif", "set.txt", "vuoto.gif"}));   // nothing empty or half-written left
}

TEST_F(NetGetTest, ASecondDownloadWhileOneRunsIsRefusedAndTheFirstGoesOn)
{
    std::optional<bool> second;
    QTimer::singleShot(150, [&] { second = net.ReadUrl(server->url("/bytes/5")); });
    ASSERT_TRUE(net.ReadUrl(server->url("/slow/600")));
    ASSERT_TRUE(second.has_value());
    EXPECT_FALSE(*second);
    EXPECT_EQ(net.GetRawHTML(), LoopbackHttp::body_of(600));
    EXPECT_EQ(net.GetLastError(), "");
}

// Scripted pages: the rules of the page text and the parser.
class NetGetScriptedTest : public ::testing::Test {
protected:
    void SetUp() override { net.Init(); }
    void load(const std::string& page)
    {
        doubles.internet->pages["http://pagina/"] = {page};
        ASSERT_TRUE(net.ReadUrl("http://pagina/"));
    }
    testing_support::ServiceDoubles doubles;
    CNetGet net;
};

TEST_F(NetGetScriptedTest, TheLastPageOnlyTrimmedAndTheEventLoopRunsWithoutAStatusWindow)
{
    load("prima pagina");
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    load("  seconda \n");
    EXPECT_TRUE(ran);
    EXPECT_EQ(net.GetRawHTML(), "seconda \n");
    doubles.internet->pages["http://pagina/"] = {"caff\xE8", 200, platform::ERROR_INTERNET_CONNECTION_RESET};
    EXPECT_TRUE(net.ReadUrl("http://pagina/"));   // what came, read the old code page way
    EXPECT_EQ(net.GetRawHTML(), "caff\xC3\xA8");
    EXPECT_EQ(net.GetLastError(), "The connection with the server has been reset.");
}

TEST_F(NetGetScriptedTest, ParseHtmlCollectsEachItemOnceUpToADelimiter)
{
    platform::Collection items;
    load("href=");
    EXPECT_FALSE(net.ParseHTML("href=", items));
    EXPECT_EQ(items.Count(), 0);

    load("<a HREF=uno\">x</a><a href=due>y<a href=UNO?q<a href=\t\r\n#<a href=tre#z<a href=quattro\x0d\x0a>"
         "<a href=coda");
    ASSERT_TRUE(net.ParseHTML("href=", items));
    std::vector<std::string> got;
    for (long i = 1; i <= items.Count(); ++i)
        got.push_back(items.Item(i));
    EXPECT_EQ(got, (std::vector<std::string>{"uno", "due", "tre", "quattro", "coda"}));

    platform::Collection words;
    load("x=AbcYdef x=ghiy");
    ASSERT_TRUE(net.ParseHTML("X=", words, std::string("y")));
    ASSERT_EQ(words.Count(), 2);
    EXPECT_EQ(words.Item(1), "Abc");
    EXPECT_EQ(words.Item(2), "ghi");
}

} // namespace

#include "test_netget.moc"
