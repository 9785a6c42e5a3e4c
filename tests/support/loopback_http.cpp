#include "tests/support/loopback_http.h"

#include <QTcpSocket>
#include <QTimer>
#include <sys/socket.h>

namespace testing_support {
namespace {

void answer(QTcpSocket* socket, int status, size_t length, const std::string& body, const std::string& headers = "")
{
    socket->write(("HTTP/1.1 " + std::to_string(status) + " X\r\nContent-Length: " + std::to_string(length)
                   + "\r\n" + headers + "Connection: close\r\n\r\n" + body).c_str());
}

void drip(QTcpSocket* socket, std::string rest)
{
    socket->write(rest.substr(0, 100).c_str());
    if (rest.size() <= 100)
        return socket->disconnectFromHost();
    QTimer::singleShot(100, socket, [socket, rest] { drip(socket, rest.substr(100)); });
}

} // namespace

std::string LoopbackHttp::body_of(size_t length)
{
    std::string body(length, ' ');
    for (size_t i = 0; i < length; ++i)
        body[i] = char('a' + i % 26);
    return body;
}

LoopbackHttp::LoopbackHttp()
{
    listen(QHostAddress::LocalHost, 0);
    connect(this, &QTcpServer::newConnection, [this] {
        while (QTcpSocket* socket = nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { serve(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

std::string LoopbackHttp::url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(serverPort()) + path;
}

void LoopbackHttp::serve(QTcpSocket* socket)
{
    const QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", request);
    if (!request.endsWith("\r\n\r\n"))
        return;
    for (const QByteArray& line : request.split('\n'))
        if (line.toLower().startsWith("user-agent:"))
            user_agents.push_back(line.mid(11).trimmed().toStdString());
    const QList<QByteArray> path = request.split(' ').value(1).split('/');   // "", route, n
    const QByteArray route = path.value(1);
    const size_t n = path.value(2).toULongLong();
    if (route == "slow") {
        answer(socket, 200, n, "");
        return drip(socket, body_of(n));
    }
    if (route == "hang")
        return answer(socket, 200, 100, "");
    if (route == "status")
        answer(socket, int(n), 7 + size_t(path.value(2).size()), "status " + path.value(2).toStdString());
    else if (route == "gzip")
        answer(socket, 200, n, body_of(n), "Content-Encoding: gzip\r\n");
    else if (route == "loop" || route == "moved")
        answer(socket, 302, 5, "moved", route == "loop" ? "Location: /loop\r\n" : "");
    else
        answer(socket, 200, route == "cut" ? 2 * n : n, body_of(n));
    if (route == "cut") {
        socket->flush();
        const linger now{1, 0};   // a reset instead of an orderly close
        setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now);
        return socket->abort();
    }
    socket->disconnectFromHost();
}

quint16 closed_port()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();   // free again once probe is gone
}

} // namespace testing_support
