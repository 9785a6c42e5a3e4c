#include "banner/CNetGet.h"
#include "banner/TestConnection.h"
#include "platform/files.h"
#include "platform/services.h"
#include "tests/support/doubles.h"
#include "tests/support/helpers.h"
#include "tests/support/loopback_http.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using testing_support::LoopbackHttp;
using Texts = std::vector<std::string>;

namespace {

// A status window that keeps every text it was given, repeats included.
class StatusWindow : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)
public:
    QString text() const { return {}; }
    void setText(const QString& t) { shown.push_back(t.toStdString()); }
    Texts shown;
};

// The real transfer layer against the loopback server, with a short idle time-out.
class NetGetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved = std::exchange(platform::services().internet,
                              std::make_unique<platform::QtInternet>(std::chrono::milliseconds(1500)));
        net.Init();
        net.SetStatusWindow(&status);
    }
    void TearDown() override { platform::services().internet = std::move(saved); }
    std::string in_dir(const char* name) const { return testing_support::windows_style(path(name)); }
    std::string path(const char* name) const { return dir.filePath(name).toStdString(); }
    std::string bytes(const char* name) const { return testing_support::read_file(path(name)); }
    std::unique_ptr<platform::InternetService> saved;
    LoopbackHttp server;
    QTemporaryDir dir;
    CNetGet net;
    StatusWindow status;
};

TEST_F(NetGetTest, TheUserAgentAndTheErrorTexts)
{
    EXPECT_EQ(net.GetLastError(), "");   // the close of the handle not yet open is forgotten
    ASSERT_TRUE(net.ReadUrl(server.url("/bytes/3")));
    net.Init("Agente di prova/1.0");
    net.SetUserAgent("Later");   // the open root handle keeps its agent
    ASSERT_TRUE(net.ReadUrl(server.url("/bytes/3")));
    EXPECT_EQ(server.user_agents, (Texts{"tavoly", "Agente di prova/1.0"}));
    const std::pair<std::string, const char*> failures[] = {
        {"http://nessuno.invalid/set.txt", "The server name could not be resolved."},
        {"http://127.0.0.1:" + std::to_string(testing_support::closed_port()) + "/",
         "The attempt to connect to the server failed."},
        {"gopher://127.0.0.1/", "The URL scheme could not be recognized, or is not supported."},
        {"http://", "The URL is invalid."}};
    for (const auto& [url, text] : failures) {
        EXPECT_FALSE(net.ReadUrl(url));
        EXPECT_EQ(net.GetLastError(), text);
    }
}

TEST_F(NetGetTest, IntoMemoryEveryAnswerIsThePageAndACutOffKeepsWhatCame)
{
    ASSERT_TRUE(net.ReadUrl(server.url("/bytes/0")));
    EXPECT_EQ(status.shown, (Texts{"Opening: " + server.url("/bytes/0"), "Reading Url: 0 bytes read", "Ready"}));
    ASSERT_TRUE(net.ReadUrl(server.url("/bytes/70000")));
    EXPECT_EQ(net.GetRawHTML(), LoopbackHttp::body_of(70000));
    EXPECT_TRUE(net.ReadUrl(server.url("/status/404")));
    EXPECT_EQ(net.GetRawHTML(), "status 404");
    EXPECT_FALSE(net.ReadUrl(server.url("/cut/3000")));   // not whole: no page, though what came is kept
    EXPECT_EQ(net.GetLastError(), "The connection with the server has been terminated.");
    EXPECT_EQ(net.GetRawHTML(), LoopbackHttp::body_of(3000).substr(0, net.GetRawHTML().size()));
    EXPECT_FALSE(net.ReadUrl(server.url("/bytes/16777217")));   // no page is that large
    EXPECT_EQ(net.GetLastError(), "Overflow");
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(net.ReadUrl(server.url("/hang")));
    EXPECT_EQ(net.GetLastError(), "The request has timed out.");
    EXPECT_LT(clock.elapsed(), 4000);
}

TEST_F(NetGetTest, AFileIsReplacedOnlyByAWholeBodyWithASuccessStatus)
{
    testing_support::write_file(dir.filePath("set.txt"), std::string(10000, 'x'));
    ASSERT_TRUE(net.ReadUrl(server.url("/bytes/5000"), in_dir("set.txt")));
    EXPECT_EQ(bytes("set.txt"), LoopbackHttp::body_of(5000));
    ASSERT_TRUE(net.ReadUrl(server.url("/bytes/5000"), in_dir("nuovo.gif")));
    EXPECT_EQ(bytes("nuovo.gif"), LoopbackHttp::body_of(5000));
    ASSERT_TRUE(net.ReadUrl(server.url("/bytes/0"), path("vuoto.gif")));
    EXPECT_EQ(bytes("vuoto.gif"), "");
    EXPECT_FALSE(net.ReadUrl(server.url("/status/404"), in_dir("set.txt")));
    EXPECT_EQ(net.GetLastError(), "The requested item could not be located.");
    EXPECT_FALSE(net.ReadUrl(server.url("/cut/3000"), in_dir("set.txt")));
    EXPECT_FALSE(net.ReadUrl(server.url("/hang"), in_dir("set.txt")));
    EXPECT_EQ(bytes("set.txt"), LoopbackHttp::body_of(5000));
    EXPECT_FALSE(net.ReadUrl("http://nessuno.invalid/a.gif", in_dir("a.gif")));
    EXPECT_FALSE(net.ReadUrl(server.url("/cut/3000"), in_dir("b.gif")));
    EXPECT_FALSE(net.ReadUrl(server.url("/bytes/10"), in_dir("manca\\c.gif")));
    EXPECT_EQ(net.GetLastError(), "Path/File access error");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              (QStringList{"nuovo.gif", "set.txt", "vuoto.gif"}));   // nothing empty or half-written left
}

TEST_F(NetGetTest, ASecondDownloadIsRefusedWhileOneRunsAndANewInitCancelsIt)
{
    std::optional<bool> second;
    QTimer::singleShot(150, [&] { second = net.ReadUrl(server.url("/bytes/5")); });
    ASSERT_TRUE(net.ReadUrl(server.url("/slow/600")));
    EXPECT_EQ(second, false);
    EXPECT_EQ(net.GetRawHTML(), LoopbackHttp::body_of(600));
    QTimer::singleShot(150, [&] { net.Init(); });   // a new root handle cancels the running read
    EXPECT_FALSE(net.ReadUrl(server.url("/slow/600")));
    EXPECT_LT(net.GetRawHTML().size(), 600u);
    EXPECT_EQ(net.GetLastError(), CNetGet::TranslateErrorCode(12017));
    EXPECT_TRUE(net.ReadUrl(server.url("/bytes/5")));
}

// A body that cannot be taken as it is: neither a page nor a file, each with its error text.
TEST_F(NetGetTest, AnEncodedBodyOrARedirectLeftUnfollowedFailsAndTheFileStaysAsItWas)
{
    testing_support::write_file(dir.filePath("set.txt"), "[banner]\nattivo=TRUE\n");
    const std::pair<const char*, int32_t> failures[] = {
        {"/gzip/3000", 12175},   // a content encoding nobody asked for
        {"/loop", 12156}, {"/moved", 12156},
    };
    for (const auto& [route, code] : failures) {
        SCOPED_TRACE(route);
        EXPECT_FALSE(net.ReadUrl(server.url(route)));
        EXPECT_EQ(net.GetLastError(), CNetGet::TranslateErrorCode(code));
        EXPECT_EQ(net.GetRawHTML(), "");
        EXPECT_FALSE(net.ReadUrl(server.url(route), in_dir("set.txt")));
        EXPECT_FALSE(net.ReadUrl(server.url(route), in_dir("nuovo.png")));
    }
    EXPECT_EQ(bytes("set.txt"), "[banner]\nattivo=TRUE\n");
    EXPECT_FALSE(QFile::exists(dir.filePath("nuovo.png")));
    net.SetBudget(5000);   // what the downloads may still receive, in all
    EXPECT_TRUE(net.ReadUrl(server.url("/bytes/3000"), in_dir("a.png")));
    EXPECT_FALSE(net.ReadUrl(server.url("/bytes/3000"), in_dir("b.png")));
    EXPECT_EQ(net.GetLastError(), "Overflow");
    EXPECT_LE(*net.Budget(), 0);
    EXPECT_FALSE(QFile::exists(dir.filePath("b.png")));
}

// Once the program has been asked to end, every event loop returns at once: no wait may
// begin again then, and the download ends, leaving its destination as it was.
TEST_F(NetGetTest, EveryWaitEndsWhenTheProgramIsAskedToEnd)
{
    testing_support::write_file(dir.filePath("set.txt"), "old");
    for (const char* route : {"/hang", "/slow/100000"}) {
        SCOPED_TRACE(route);
        QTimer::singleShot(300, [] { QCoreApplication::exit(0); });
        QElapsedTimer clock;
        clock.start();
        EXPECT_FALSE(net.ReadUrl(server.url(route), in_dir("set.txt")));
        EXPECT_LT(clock.elapsed(), 1000);
        EXPECT_EQ(net.GetLastError(), CNetGet::TranslateErrorCode(12017));
        EXPECT_EQ(bytes("set.txt"), "old");
        EXPECT_FALSE(net.ReadUrl(server.url("/bytes/5")));   // a download begun afterwards, too
        QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();   // the program's loop once more, to be able to wait again
    }
    testing_support::ServiceDoubles doubles;   // a probe that never answers
    QTemporaryDir folder;
    platform::set_program_folder(folder.path().toStdString());
    testing_support::write_file(folder.filePath("chk.exe"), "");
    doubles.programs->still_running = true;
    QCoreApplication::exit(0);
    QElapsedTimer clock;
    clock.start();
    std::string target;
    EXPECT_FALSE(TestConnection::verifica_connessione(target));
    EXPECT_LT(clock.elapsed(), 1000);
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    platform::set_program_folder("");
}

// Scripted pages: the page text's rules and the parser.
TEST(NetGetScripted, TheLastPageTrimmedWithTheEventLoopRunAndParsed)
{
    testing_support::ServiceDoubles doubles;
    CNetGet net;
    net.Init();
    auto load = [&](const std::string& page, uint32_t read_error = 0) {
        doubles.internet->pages["http://pagina/"] = {page, 200, read_error};
        return net.ReadUrl("http://pagina/");
    };
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    ASSERT_TRUE(load("prima"));
    EXPECT_TRUE(ran);   // without a status window too
    ASSERT_FALSE(load("  caff\xE8 \n", platform::ERROR_INTERNET_CONNECTION_RESET));   // what came is kept
    EXPECT_EQ(net.GetRawHTML(), "caff\xC3\xA8 \n");
    EXPECT_EQ(net.GetLastError(), "The connection with the server has been reset.");
    platform::Collection items;
    load("href=");
    EXPECT_FALSE(net.ParseHTML("href=", items));
    load("<a HREF=uno\">x<a href=due>y<a href=UNO?q<a href=\t\r\n#<a href=tre#z<a href=quattro\r\n><a href=coda");
    ASSERT_TRUE(net.ParseHTML("href=", items));
    Texts got;
    for (long i = 1; i <= items.Count(); ++i)
        got.push_back(items.Item(i));
    EXPECT_EQ(got, (Texts{"uno", "due", "tre", "quattro", "coda"}));
    platform::Collection words;
    load("x=AbcYdef x=ghiy");
    ASSERT_TRUE(net.ParseHTML("X=", words, std::string("y")));
    EXPECT_EQ(words.Count(), 2);
    EXPECT_EQ(words.Item(1), "Abc");
}

using TestConnection::verifica_connessione;

class ConnectionTest : public ::testing::Test {
protected:
    void SetUp() override { platform::set_program_folder(dir.path().toStdString()); }
    void TearDown() override
    {
        platform::set_program_folder("");
        TestConnection::imposta_attesa_massima(std::chrono::seconds(10));
    }
    bool exists(const char* name) const { return QFile::exists(dir.filePath(name)); }
    void put(const char* name) const { testing_support::write_file(dir.filePath(name), ""); }
    // The probe played by the program double: it answers at once with the file given ("" none).
    void probe_answers(const char* verdict)
    {
        put("chk.exe");
        doubles.programs->on_start = [this, verdict](const std::string&) {
            leftover_seen = exists("chkon") || exists("chkoff");
            if (*verdict)
                put(verdict);
        };
    }
    QTemporaryDir dir;
    testing_support::ServiceDoubles doubles;
    bool leftover_seen = false;
};

TEST_F(ConnectionTest, TheVerdictFilesDecideAndAreGoneAfterwards)
{
    std::string target = "http://www.example.com/tavoly/", general;
    EXPECT_FALSE(verifica_connessione(general));   // no probe: nothing started
    EXPECT_TRUE(doubles.programs->started.empty());
    probe_answers("chkon");
    EXPECT_TRUE(verifica_connessione(target));
    EXPECT_EQ(target, " http://www.example.com/tavoly/");
    const std::string probe = dir.path().toStdString() + "\\chk.exe";
    EXPECT_EQ(doubles.programs->started.at(0).command_line, probe + " http://www.example.com/tavoly/");
    EXPECT_EQ(doubles.programs->started.at(0).window_style, platform::vbHide);
    put("chkon");   // a late answer of an earlier probe counts for nothing
    probe_answers("chkoff");
    EXPECT_FALSE(verifica_connessione(general));
    EXPECT_FALSE(leftover_seen);
    EXPECT_EQ(general, "");
    EXPECT_EQ(doubles.programs->started.back().command_line, probe);
    EXPECT_FALSE(exists("chkon") || exists("chkoff"));
}

TEST_F(ConnectionTest, AProbeWithoutVerdictEndsTheWaitInFalseAndOneTestWaitsAtATime)
{
    std::string target;
    probe_answers("");
    doubles.programs->still_running = false;
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(verifica_connessione(target));
    EXPECT_LT(clock.elapsed(), 1000);
    doubles.programs->still_running = true;   // hangs
    TestConnection::imposta_attesa_massima(std::chrono::milliseconds(400));
    clock.restart();
    EXPECT_FALSE(verifica_connessione(target));
    EXPECT_GE(clock.elapsed(), 400);
    EXPECT_LT(clock.elapsed(), 2000);
    doubles.programs->fail = true;
    EXPECT_NE(testing_support::error_number([&] { verifica_connessione(target); }), 0);
    doubles.programs->fail = false;
    std::optional<bool> second;   // a failed start left no test waiting; this one waits alone
    QTimer::singleShot(20, [&] {
        std::string other = "http://altro/";
        second = verifica_connessione(other);
    });
    QTimer::singleShot(100, [this] { put("chkon"); });
    EXPECT_TRUE(verifica_connessione(target));
    EXPECT_EQ(second, false);
    EXPECT_EQ(doubles.programs->started.size(), 4u);
}

// The real probe, copied into the program folder, against the loopback server.
TEST(ConnectionProbe, AnswersForAServerThatAnswersAndOnlyThen)
{
    QTemporaryDir dir;
    platform::set_program_folder(dir.path().toStdString());
    ASSERT_TRUE(QFile::copy(TAVOLY_CHK, dir.filePath("chk.exe")));
    testing_support::LoopbackHttp server;
    std::string up = server.url("/status/404");   // any answer will do
    EXPECT_TRUE(verifica_connessione(up));
    std::string down = "http://127.0.0.1:" + std::to_string(testing_support::closed_port()) + "/";
    EXPECT_FALSE(verifica_connessione(down));
    platform::set_program_folder("");
    QProcess general;   // the general test: either verdict, but exactly one, and in time
    general.start(dir.filePath("chk.exe"), {});
    ASSERT_TRUE(general.waitForFinished(6500));
    EXPECT_NE(QFile::exists(dir.filePath("chkon")), QFile::exists(dir.filePath("chkoff")));
}

} // namespace

#include "test_netget.moc"
