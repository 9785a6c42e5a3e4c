#include "platform/internet.h"
#include "platform/services.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <vector>

namespace platform {

struct QtInternet::Handle {
    HINTERNET root = 0;              // 0: this is a root handle
    std::string user_agent;          // of a root handle
    QPointer<QNetworkReply> reply;   // of a URL handle
    uint32_t failure = 0;            // the idle time-out, which Qt does not report itself
};

namespace {

uint32_t saved_error = 0;

// Bodies wait in Qt's buffer until the caller reads them; beyond this the socket is not read.
constexpr qint64 kReadBuffer = 256 * 1024;

uint32_t library_error(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::ProxyConnectionRefusedError: return ERROR_INTERNET_CANNOT_CONNECT;
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::ProxyConnectionClosedError: return ERROR_INTERNET_CONNECTION_ABORTED;
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::ProxyNotFoundError: return ERROR_INTERNET_NAME_NOT_RESOLVED;
    case QNetworkReply::TimeoutError:
    case QNetworkReply::ProxyTimeoutError: return ERROR_INTERNET_TIMEOUT;
    case QNetworkReply::OperationCanceledError: return ERROR_INTERNET_OPERATION_CANCELLED;
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError: return ERROR_INTERNET_CONNECTION_RESET;
    case QNetworkReply::SslHandshakeFailedError: return ERROR_INTERNET_SECURITY_CHANNEL_ERROR;
    case QNetworkReply::TooManyRedirectsError:
    case QNetworkReply::InsecureRedirectError: return ERROR_HTTP_REDIRECT_FAILED;
    case QNetworkReply::ProtocolUnknownError: return ERROR_INTERNET_UNRECOGNIZED_SCHEME;
    case QNetworkReply::ProtocolInvalidOperationError: return ERROR_INTERNET_INVALID_OPERATION;
    case QNetworkReply::ProtocolFailure: return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    default: return ERROR_WITHOUT_COUNTERPART + uint32_t(error);
    }
}

QVariant http_status(const QNetworkReply& reply)
{
    return reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
}

int status_of(const QNetworkReply& reply)
{
    return http_status(reply).toInt();
}

// Qt reports an error status (404, 500, a proxy's 407) as an error too; the old library
// delivered those answers like any other, so only a failure of the transfer counts. Qt's
// other errors under an answer that is no error status (a body it could not decode) do count.
bool transfer_failed(const QNetworkReply& reply)
{
    const int error = reply.error();
    if (error == QNetworkReply::NoError)
        return false;
    const bool status_error = error == QNetworkReply::ProxyAuthenticationRequiredError
        || (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError)
        || (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError);
    return !(status_error && status_of(reply) >= 400);
}

bool is_redirect(int status)
{
    return status >= 300 && status < 400;
}

// The code of a failed transfer: a redirect left unfollowed, whatever Qt made of it, is one.
uint32_t failure_of(const QNetworkReply& reply)
{
    if (is_redirect(status_of(reply)))
        return ERROR_HTTP_REDIRECT_FAILED;
    if (reply.error() == QNetworkReply::UnknownContentError)
        return ERROR_INTERNET_DECODING_FAILED;
    return library_error(reply.error());
}

// An answer that cannot give a body as it is: still a redirect once Qt has followed what it
// could (a loop, no target, a scheme not followed), or a body in a content encoding, which
// was not asked for and whose end could not be told from a cut.
uint32_t refusal_of(const QNetworkReply& reply)
{
    if (is_redirect(status_of(reply)))
        return ERROR_HTTP_REDIRECT_FAILED;
    const QByteArray encoding = reply.rawHeader("Content-Encoding").trimmed().toLower();
    if (!encoding.isEmpty() && encoding != "identity")
        return ERROR_INTERNET_DECODING_FAILED;
    return 0;
}

// The answer's headers are there: the final ones, not those of a redirect being followed.
bool answered(const QNetworkReply& reply)
{
    if (reply.isFinished())
        return http_status(reply).isValid();
    const int status = status_of(reply);
    return status != 0 && !is_redirect(status);
}

template <class T>
T fail(uint32_t code, T result)
{
    set_last_dll_error(code);
    return result;
}

} // namespace

uint32_t last_dll_error()
{
    return saved_error;
}

void set_last_dll_error(uint32_t code)
{
    saved_error = code;
}

HINTERNET InternetOpenA(const std::string& agent)
{
    return services().internet->open(agent);
}

HINTERNET InternetOpenUrlA(HINTERNET root, const std::string& url)
{
    return services().internet->open_url(root, url);
}

bool InternetReadFile(HINTERNET url, char* buffer, uint32_t length, uint32_t& read)
{
    return services().internet->read_file(url, buffer, length, read);
}

bool InternetCloseHandle(HINTERNET handle)
{
    return services().internet->close_handle(handle);
}

int HttpQueryStatusCode(HINTERNET url)
{
    return services().internet->status_code(url);
}

QtInternet::QtInternet(std::chrono::milliseconds idle_timeout) : idle_timeout_(idle_timeout) {}

QtInternet::~QtInternet()
{
    handles_.clear();
    delete manager_.data();
}

QNetworkAccessManager& QtInternet::manager()
{
    if (!manager_) {
        QNetworkProxyFactory::setUseSystemConfiguration(true);
        manager_ = new QNetworkAccessManager(QCoreApplication::instance());
    }
    return *manager_;
}

QtInternet::Handle* QtInternet::find(HINTERNET handle)
{
    const auto it = handles_.find(handle);
    return it == handles_.end() ? nullptr : it->second.get();
}

HINTERNET QtInternet::open(const std::string& user_agent)
{
    const HINTERNET id = next_handle_++;
    handles_[id] = std::make_unique<Handle>(Handle{0, user_agent, nullptr, 0});
    set_last_dll_error(0);
    return id;
}

HINTERNET QtInternet::open_url(HINTERNET root, const std::string& url)
{
    const Handle* parent = find(root);
    if (!parent || parent->root != 0)
        return fail(ERROR_INVALID_HANDLE, HINTERNET(0));
    const QUrl address(QString::fromStdString(url), QUrl::StrictMode);
    const QString scheme = address.scheme().toLower();
    if (!address.isValid())
        return fail(ERROR_INTERNET_INVALID_URL, HINTERNET(0));
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return fail(ERROR_INTERNET_UNRECOGNIZED_SCHEME, HINTERNET(0));
    if (address.host().isEmpty())
        return fail(ERROR_INTERNET_INVALID_URL, HINTERNET(0));

    QNetworkRequest request(address);
    request.setHeader(QNetworkRequest::UserAgentHeader, QString::fromStdString(parent->user_agent));
    request.setRawHeader("Accept-Encoding", "identity");   // set by us, Qt decodes nothing
    QNetworkReply* reply = manager().get(request);
    reply->setReadBufferSize(kReadBuffer);
    const HINTERNET id = next_handle_++;
    handles_[id] = std::make_unique<Handle>(Handle{root, {}, reply, 0});

    for (bool waited = false;; waited = true) {
        Handle* handle = find(id);
        if (!handle)   // its root was closed meanwhile
            return fail(waited ? ERROR_INTERNET_OPERATION_CANCELLED : ERROR_INVALID_HANDLE, HINTERNET(0));
        const QNetworkReply* r = handle->reply;
        if (!r || handle->failure || r->isFinished() || answered(*r)) {
            const uint32_t code = !r ? ERROR_INTERNET_OPERATION_CANCELLED
                : handle->failure    ? handle->failure
                : answered(*r)       ? refusal_of(*r)
                                     : failure_of(*r);
            if (code == 0) {
                set_last_dll_error(0);
                return id;
            }
            close_handle(id);
            return fail(code, HINTERNET(0));
        }
        wait_for_news(id);
    }
}

bool QtInternet::read_file(HINTERNET url, char* buffer, uint32_t length, uint32_t& read)
{
    read = 0;
    for (bool waited = false;; waited = true) {
        Handle* handle = find(url);
        if (!handle || !handle->reply)
            return fail(waited ? ERROR_INTERNET_OPERATION_CANCELLED : ERROR_INVALID_HANDLE, false);
        QNetworkReply& reply = *handle->reply;
        if (reply.bytesAvailable() > 0) {
            read = uint32_t(std::max<qint64>(0, reply.read(buffer, length)));
            set_last_dll_error(0);
            return true;
        }
        if (handle->failure)
            return fail(handle->failure, false);
        if (reply.isFinished()) {
            if (transfer_failed(reply))
                return fail(failure_of(reply), false);
            set_last_dll_error(0);
            return true;
        }
        wait_for_news(url);
    }
}

bool QtInternet::close_handle(HINTERNET handle)
{
    const Handle* closing = find(handle);
    if (!closing)
        return fail(ERROR_INVALID_HANDLE, false);
    std::vector<HINTERNET> gone{handle};
    if (closing->root == 0)
        for (const auto& [id, h] : handles_)
            if (h->root == handle)
                gone.push_back(id);
    for (HINTERNET id : gone) {
        // Taken out of the table first: its end wakes a wait on it, which must find it gone.
        auto node = handles_.extract(id);
        // Deleted, not aborted: an abort would report a second error for an answer whose
        // error status Qt is still about to report. Its end stops the transfer.
        delete node.mapped()->reply.data();
    }
    set_last_dll_error(0);
    return true;
}

int QtInternet::status_code(HINTERNET url)
{
    const Handle* handle = find(url);
    if (!handle || !handle->reply)
        return fail(ERROR_INVALID_HANDLE, 0);
    set_last_dll_error(0);
    return status_of(*handle->reply);
}

void QtInternet::wait_for_news(HINTERNET url)
{
    QNetworkReply* reply = find(url)->reply;
    QEventLoop loop;
    QTimer idle;
    idle.setSingleShot(true);
    bool timed_out = false;
    QObject::connect(&idle, &QTimer::timeout, &loop, [&] {
        timed_out = true;
        loop.quit();
    });
    QObject::connect(reply, &QIODevice::readyRead, &loop, &QEventLoop::quit);
    QObject::connect(reply, &QNetworkReply::metaDataChanged, &loop, &QEventLoop::quit);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(reply, &QObject::destroyed, &loop, &QEventLoop::quit);
    idle.start(idle_timeout_);
    // Once the program has been asked to end, every loop returns at once: waiting again
    // would spin for good and keep the program from ending.
    const bool ending = loop.exec() < 0;
    if (!timed_out && !ending)
        return;
    if (Handle* handle = find(url); handle && handle->reply && !handle->reply->isFinished()) {
        handle->failure = ending ? ERROR_INTERNET_OPERATION_CANCELLED : ERROR_INTERNET_TIMEOUT;
        handle->reply->abort();
    }
}

} // namespace platform
