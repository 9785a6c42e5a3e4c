#pragma once
// A small HTTP server on 127.0.0.1, served by the event loop of the thread that made it (the
// fetcher's and the connection test's waits run it). Answers by path, closing each connection:
//   /bytes/N    N bytes of body_of(N)          /slow/N    the same, 100 bytes every 100 ms
//   /status/C   status C, body "status C"      /cut/N     2N bytes announced, N sent, a reset
//   /hang       a length announced, then nothing
//   /gzip/N     N bytes of body_of(N) said to be gzip (not a gzip stream)
//   /loop       a redirect to itself              /moved     a redirect without a target
#include <QTcpServer>
#include <string>
#include <vector>

namespace testing_support {

class LoopbackHttp : public QTcpServer {
public:
    LoopbackHttp();
    std::string url(const std::string& path) const;
    static std::string body_of(size_t length);
    std::vector<std::string> user_agents;

private:
    void serve(QTcpSocket* socket);
};

// A port on 127.0.0.1 where nothing listens.
quint16 closed_port();

} // namespace testing_support
