#include "tests/support/loopback_http.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <sys/socket.h>

namespace testing_support {
namespace {

void answer(QTcpSocket* socket, int status, qint64 length, const std::string& body)
{
    const std::string head = "HTTP/1.1 " + std::to_string(status) + " X\r\nContent-Length: "
        + std::to_string(length) + "\r\nConnection: close\r\n\r\n";
    socket->write((head + body).c_str(), qint64(head.size() + body.size()));
}

// Ends the connection with a reset instead of an orderly close.
void reset(QTcpSocket* socket)
{
    socket->flush();
    const linger now{1, 0};
    setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now);
    socket->abort();
}

void drip(QTcpSocket* socket, std::string rest)
{
    if (rest.empty()) {
        socket->disconnectFromHost();
        return;
    }
    socket->write(rest.c_str(), qint64(std::min<size_t>(100, rest.size())));
    QTimer::singleShot(100, socket, [socket, rest = rest.substr(std::min<size_t>(100, rest.size()))] {
        drip(socket, rest);
    });
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
    worker_ = new QObject;
    worker_->moveToThread(&thread_);
    thread_.start();
    QMetaObject::invokeMethod(worker_, [this] {
        auto* server = new QTcpServer(worker_);
        server->listen(QHostAddress::LocalHost, 0);
        port_ = server->serverPort();
        QObject::connect(server, &QTcpServer::newConnection, worker_, [this, server] {
            while (QTcpSocket* socket = server->nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { serve(socket); });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }, Qt::BlockingQueuedConnection);
}

LoopbackHttp::~LoopbackHttp()
{
    QMetaObject::invokeMethod(worker_, [this] { delete worker_; }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

std::string LoopbackHttp::url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<std::string> LoopbackHttp::user_agents() const
{
    std::lock_guard lock(mutex_);
    return agents_;
}

void LoopbackHttp::serve(QTcpSocket* socket)
{
    if (socket->property("served").toBool())
        return;
    QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", request);
    if (!request.contains("\r\n\r\n"))
        return;
    socket->setProperty("served", true);
    const QList<QByteArray> lines = request.split('\n');
    for (const QByteArray& line : lines)
        if (line.toLower().startsWith("user-agent:")) {
            std::lock_guard lock(mutex_);
            agents_.push_back(line.mid(11).trimmed().toStdString());
        }
    const QList<QByteArray> parts = lines.value(0).split(' ').value(1).split('/');   // "", route, n
    const QByteArray route = parts.value(1);
    const size_t n = parts.value(2).toULongLong();
    if (route == "bytes") {
        answer(socket, 200, qint64(n), body_of(n));
    } else if (route == "slow") {
        answer(socket, 200, qint64(n), "");
        drip(socket, body_of(n));
        return;
    } else if (route == "status") {
        const std::string body = "status " + std::to_string(n);
        answer(socket, int(n), qint64(body.size()), body);
    } else if (route == "cut") {
        answer(socket, 200, qint64(2 * n), body_of(n));
        reset(socket);
        return;
    } else if (route == "hang") {
        answer(socket, 200, 100, "");
        return;
    } else {
        answer(socket, 404, 0, "");
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
