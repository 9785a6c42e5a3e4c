#pragma once
// HTTP downloads the way the old internet library offered them: a root handle carrying the
// user agent, a URL handle per request, reads of at most a buffer's length, handles closed one
// by one. Every call records the library's error code of its outcome (0 on success), which
// last_dll_error() returns until the next call.
//
// The real service sits on Qt Network with the system's proxy configuration (on Linux that
// includes http_proxy and no_proxy). Its waits run the event loop and never spin; a request
// that receives nothing for the idle time fails with ERROR_INTERNET_TIMEOUT, and one waiting
// when the program is ending with ERROR_INTERNET_OPERATION_CANCELLED.
// Like the old library it asks for bodies as they are, not compressed: an answer in any
// content encoding fails with ERROR_INTERNET_DECODING_FAILED, and one that stays a redirect
// (a loop, no usable target) with ERROR_HTTP_REDIRECT_FAILED.
#include <QPointer>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

class QNetworkAccessManager;

namespace platform {

using HINTERNET = uint32_t;

// The library's codes that the layer reports.
enum InternetError : uint32_t {
    ERROR_INVALID_HANDLE = 6,
    ERROR_INTERNET_TIMEOUT = 12002,
    ERROR_INTERNET_EXTENDED_ERROR = 12003,
    ERROR_INTERNET_INTERNAL_ERROR = 12004,
    ERROR_INTERNET_INVALID_URL = 12005,
    ERROR_INTERNET_UNRECOGNIZED_SCHEME = 12006,
    ERROR_INTERNET_NAME_NOT_RESOLVED = 12007,
    ERROR_INTERNET_INVALID_OPERATION = 12016,
    ERROR_INTERNET_OPERATION_CANCELLED = 12017,
    ERROR_INTERNET_ITEM_NOT_FOUND = 12028,
    ERROR_INTERNET_CANNOT_CONNECT = 12029,
    ERROR_INTERNET_CONNECTION_ABORTED = 12030,
    ERROR_INTERNET_CONNECTION_RESET = 12031,
    ERROR_HTTP_INVALID_SERVER_RESPONSE = 12152,
    ERROR_HTTP_REDIRECT_FAILED = 12156,
    ERROR_INTERNET_SECURITY_CHANNEL_ERROR = 12157,
    ERROR_INTERNET_DECODING_FAILED = 12175,
    // A Qt failure with no counterpart in the library: this base plus Qt's own number.
    ERROR_WITHOUT_COUNTERPART = 90000,
};

class InternetService {
public:
    virtual ~InternetService() = default;
    // Each call sets the last error (set_last_dll_error) before it returns.
    virtual HINTERNET open(const std::string& user_agent) = 0;                     // 0 on failure
    virtual HINTERNET open_url(HINTERNET root, const std::string& url) = 0;        // 0 on failure
    // False on failure; read = 0 with true is the end of the body.
    virtual bool read_file(HINTERNET url, char* buffer, uint32_t length, uint32_t& read) = 0;
    virtual bool close_handle(HINTERNET handle) = 0;
    // The answer's HTTP status code (the library's status query); 0 when there is none.
    virtual int status_code(HINTERNET url) = 0;
};

uint32_t last_dll_error();
void set_last_dll_error(uint32_t code);

// The old library's entry points, through the process-wide service (services().internet),
// as the program calls them: the preconfigured proxy settings, open connections reused.
HINTERNET InternetOpenA(const std::string& agent);
HINTERNET InternetOpenUrlA(HINTERNET root, const std::string& url);
bool InternetReadFile(HINTERNET url, char* buffer, uint32_t length, uint32_t& read);
bool InternetCloseHandle(HINTERNET handle);
int HttpQueryStatusCode(HINTERNET url);

// The real service. Closing a root handle cancels the requests opened under it.
class QtInternet : public InternetService {
public:
    explicit QtInternet(std::chrono::milliseconds idle_timeout = std::chrono::seconds(30));
    ~QtInternet() override;
    HINTERNET open(const std::string& user_agent) override;
    HINTERNET open_url(HINTERNET root, const std::string& url) override;
    bool read_file(HINTERNET url, char* buffer, uint32_t length, uint32_t& read) override;
    bool close_handle(HINTERNET handle) override;
    int status_code(HINTERNET url) override;

    struct Handle;

private:
    QNetworkAccessManager& manager();
    Handle* find(HINTERNET handle);
    // Runs the event loop until the request has news, the idle time passed without any or
    // the program is ending; in the last two cases the request is ended as failed.
    void wait_for_news(HINTERNET url);

    std::chrono::milliseconds idle_timeout_;
    std::map<HINTERNET, std::unique_ptr<Handle>> handles_;
    HINTERNET next_handle_ = 0x00CC0004;
    // Owned by the application, so that it goes before the application does.
    QPointer<QNetworkAccessManager> manager_;
};

} // namespace platform
