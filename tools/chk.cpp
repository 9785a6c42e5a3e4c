// The connectivity probe "chk.exe". It leaves its verdict beside itself as the empty file
// "chkon" (reachable) or "chkoff" (not reachable):
// - with a URL argument, "chkon" when an HTTP request to it gets any HTTP answer (an error
//   status or a redirect too) within 5 s, through the system's proxy configuration;
// - without one, "chkon" when the machine has a route to the outside: the kernel would send to
//   a public address from an address that is not loopback (asked of the kernel without sending
//   anything), or else the system's HTTP proxy accepts a connection within 5 s.
// Exactly one verdict file, put in place at once (never seen half written), and the probe ends
// within 6 s whatever the network does: a watchdog answers "chkoff" at 5.5 s.
#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace {

constexpr int kAnswerMs = 5000;
constexpr auto kWatchdog = std::chrono::milliseconds(5500);

std::filesystem::path folder;
std::atomic_flag decided = ATOMIC_FLAG_INIT;

// The first verdict wins; the process ends with it.
[[noreturn]] void verdict(bool on_line)
{
    if (decided.test_and_set()) {
        for (;;)
            std::this_thread::sleep_for(std::chrono::seconds(1));   // the other one is writing
    }
    const std::filesystem::path mine = folder / (on_line ? "chkon" : "chkoff");
    std::error_code ignored;
    std::filesystem::remove(folder / (on_line ? "chkoff" : "chkon"), ignored);
    QSaveFile file(QString::fromStdString(mine.string()));
    if (file.open(QIODevice::WriteOnly))
        file.commit();
    std::_Exit(0);
}

// Whether the kernel routes toward a public address from a real interface. Connecting a
// datagram socket only picks the route and the source address; nothing is sent.
template <class Address>
bool routes_outside(int family, Address target, bool (*loopback)(const Address&))
{
    const int s = socket(family, SOCK_DGRAM, 0);
    if (s < 0)
        return false;
    Address source{};
    socklen_t length = sizeof source;
    const bool routed = connect(s, reinterpret_cast<sockaddr*>(&target), sizeof target) == 0
        && getsockname(s, reinterpret_cast<sockaddr*>(&source), &length) == 0 && !loopback(source);
    close(s);
    return routed;
}

bool has_route_outside()
{
    sockaddr_in v4{};
    v4.sin_family = AF_INET;
    v4.sin_port = htons(80);
    inet_pton(AF_INET, "198.51.100.1", &v4.sin_addr);
    sockaddr_in6 v6{};
    v6.sin6_family = AF_INET6;
    v6.sin6_port = htons(80);
    inet_pton(AF_INET6, "2001:db8::1", &v6.sin6_addr);
    auto loopback4 = +[](const sockaddr_in& a) {
        return a.sin_addr.s_addr == 0 || (ntohl(a.sin_addr.s_addr) >> 24) == 127;
    };
    auto loopback6 = +[](const sockaddr_in6& a) {
        return IN6_IS_ADDR_LOOPBACK(&a.sin6_addr) || IN6_IS_ADDR_UNSPECIFIED(&a.sin6_addr);
    };
    return routes_outside(AF_INET, v4, loopback4) || routes_outside(AF_INET6, v6, loopback6);
}

void probe_proxy()
{
    const QList<QNetworkProxy> proxies =
        QNetworkProxyFactory::systemProxyForQuery(QNetworkProxyQuery(QUrl(QStringLiteral("http://example.com/"))));
    for (const QNetworkProxy& proxy : proxies) {
        if (proxy.type() != QNetworkProxy::HttpProxy && proxy.type() != QNetworkProxy::Socks5Proxy)
            continue;
        auto* socket = new QTcpSocket(QCoreApplication::instance());
        socket->setProxy(QNetworkProxy::NoProxy);
        QObject::connect(socket, &QTcpSocket::connected, [] { verdict(true); });
        QObject::connect(socket, &QTcpSocket::errorOccurred, [] { verdict(false); });
        socket->connectToHost(proxy.hostName(), proxy.port());
        return;
    }
    verdict(false);
}

void probe_url(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != "http" && scheme != "https"))
        verdict(false);
    auto* manager = new QNetworkAccessManager(QCoreApplication::instance());
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    QNetworkReply* reply = manager->get(request);
    auto answered = [reply] { return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid(); };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, [answered] {
        if (answered())
            verdict(true);
    });
    QObject::connect(reply, &QNetworkReply::finished, [answered] { verdict(answered()); });
}

} // namespace

int main(int argc, char** argv)
{
    std::error_code error;
    folder = std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
    if (error)
        return 1;
    std::thread([] {
        std::this_thread::sleep_for(kWatchdog);
        verdict(false);
    }).detach();

    // The target is data, never an option: Qt sees no argument of ours.
    const std::string target = argc > 1 ? argv[1] : "";
    int qt_argc = 1;
    QCoreApplication app(qt_argc, argv);
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    QTimer::singleShot(kAnswerMs, [] { verdict(false); });
    QTimer::singleShot(0, [&target] {
        if (!target.empty())
            probe_url(QUrl(QString::fromStdString(target), QUrl::StrictMode));
        else if (has_route_outside())
            verdict(true);
        else
            probe_proxy();
    });
    return app.exec();
}
