#pragma once
// A small HTTP server on 127.0.0.1, in a thread of its own so that blocking callers (a probe
// process, curl) are served too. Answers by path:
//   /bytes/N    N bytes of body_of(N) with their length
//   /slow/N     the same in pieces of 100 bytes, one every 100 ms
//   /status/C   status C with the body "status C"
//   /cut/N      a length of 2N announced, N bytes sent, then the connection reset
//   /hang       an announced length, then nothing
// Every answer closes its connection. The user agent of each request is recorded.
#include <QThread>
#include <QtGlobal>

#include <mutex>
#include <string>
#include <vector>

class QObject;
class QTcpSocket;

namespace testing_support {

class LoopbackHttp {
public:
    LoopbackHttp();
    ~LoopbackHttp();
    std::string url(const std::string& path) const;
    std::vector<std::string> user_agents() const;
    static std::string body_of(size_t length);

private:
    void serve(QTcpSocket* socket);
    QThread thread_;
    QObject* worker_ = nullptr;
    quint16 port_ = 0;
    mutable std::mutex mutex_;
    std::vector<std::string> agents_;
};

// A port on 127.0.0.1 where nothing listens.
quint16 closed_port();

} // namespace testing_support
