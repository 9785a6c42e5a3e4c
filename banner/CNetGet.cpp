#include "banner/CNetGet.h"

#include "platform/app.h"
#include "platform/failure.h"
#include "platform/files.h"
#include "platform/runtime.h"
#include "platform/screen.h"

#include <QCoreApplication>
#include <QString>
#include <QVariant>

#include <algorithm>
#include <array>
#include <map>
#include <memory>

namespace {

constexpr uint32_t kChunk = 2048;

// The running total was the old 32-bit counter. What the banner fetches is a few kilobytes
// from a plain HTTP server nobody vouches for, so a body stops counting far earlier.
constexpr int64_t kMostBytes = 16 * 1024 * 1024;

void hourglass(bool on)
{
    platform::set_mouse_pointer(on ? platform::vbHourglass : platform::vbDefault);
}

// An error status means the file asked for is not there: such a page is no set.txt.
uint32_t error_of_status(int status)
{
    if (status < 400)
        return 0;
    return status == 404 || status == 410 ? platform::ERROR_INTERNET_ITEM_NOT_FOUND
                                          : platform::ERROR_INTERNET_EXTENDED_ERROR;
}

} // namespace

CNetGet::~CNetGet()
{
    Term();
}

void CNetGet::CheckError()
{
    const uint32_t code = platform::last_dll_error();
    if (code > 0)
        sLastError = TranslateErrorCode(int32_t(code));
}

void CNetGet::Init(std::optional<std::string> vInUserAgent)
{
    using platform::resume_next;
    resume_next([&] { sUserAgent = vInUserAgent ? *vInUserAgent : platform::exe_name(); });
    resume_next([&] { Term(); });
    hUrl = 0;
    sRawHTML.clear();
    sLastError.clear();
    resume_next([&] { hInternet = platform::InternetOpenA(sUserAgent); });
}

bool CNetGet::ParseHTML(std::string sToken, platform::Collection& colItems, std::optional<std::string> vDelimiter)
{
    bool result = false;
    platform::resume_next([&] {
        hourglass(true);
        SetStatus("Parsing page...");
        if (sRawHTML.size() <= sToken.size())
            return;
        const QString page = QString::fromStdString(sRawHTML);
        const QString token = QString::fromStdString(sToken);
        const QString delimiters = QString::fromStdString(vDelimiter ? *vDelimiter : "\">?#");
        qsizetype from = 0;
        for (qsizetype found; (found = page.indexOf(token, from, Qt::CaseInsensitive)) >= 0;) {
            qsizetype end = found + token.size();
            while (end < page.size() && !delimiters.contains(page[end], Qt::CaseInsensitive))
                ++end;
            const std::string item =
                StripControlChars(page.mid(found + token.size(), end - found - token.size()).toStdString());
            if (!item.empty())
                platform::resume_next([&] { colItems.Add(item, item); });   // a key held: once is enough
            if (end >= page.size())
                break;
            from = end + 1;
        }
        result = true;
    });
    platform::resume_next([&] {
        SetStatus("Ready");
        hourglass(false);
    });
    return result;
}

bool CNetGet::ReadUrl(std::string sUrl, std::optional<std::string> vFileName)
{
    if (reading_)
        return false;
    reading_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{reading_};

    std::unique_ptr<platform::ReplacingFile> file;
    std::string received;
    bool opened = false;
    try {
        hourglass(true);
        SetStatus("Opening: " + sUrl);
        if (vFileName)
            file = std::make_unique<platform::ReplacingFile>(*vFileName);
        hUrl = platform::InternetOpenUrlA(hInternet, sUrl);
        if (hUrl == 0) {
            CheckError();
            return finish(false);
        }
        if (const uint32_t refused = file ? error_of_status(platform::HttpQueryStatusCode(hUrl)) : 0) {
            platform::InternetCloseHandle(hUrl);
            sLastError = TranslateErrorCode(int32_t(refused));
            return finish(false);
        }
        opened = true;
        sRawHTML.clear();
        const bool whole = reads_whole_body(file.get(), received);
        platform::InternetCloseHandle(hUrl);
        if (!file) {
            sRawHTML = platform::decode_text(received);
            return finish(whole);
        }
        if (whole)
            file->commit();
        return finish(whole);
    } catch (const std::exception& e) {
        sLastError = e.what();
        if (opened) {
            platform::resume_next([&] { platform::InternetCloseHandle(hUrl); });
            if (!file)
                sRawHTML = platform::decode_text(received);
        }
        hourglass(false);
        return false;
    }
}

// The body in chunks, each followed by a status that lets the window's events run. Into a
// file the chunks go as they come, into memory they gather in received. False when a read
// failed part way (its text is then in sLastError).
bool CNetGet::reads_whole_body(platform::ReplacingFile* file, std::string& received)
{
    std::array<char, kChunk> buffer;
    const int64_t most = std::min(kMostBytes, budget_.value_or(kMostBytes));
    int64_t total = 0;
    for (;;) {
        buffer.fill(' ');
        uint32_t count = 0;
        const bool ok = platform::InternetReadFile(hUrl, buffer.data(), kChunk, count);
        if (!ok)
            CheckError();
        total += count;
        if (budget_)
            *budget_ -= count;
        if (total > most)
            throw platform::StepError(platform::errOverflow, "Overflow");
        SetStatus("Reading Url: " + std::to_string(total) + " bytes read");
        if (count == 0)
            return ok;
        if (file)
            file->write(buffer.data(), count);
        else
            received.append(buffer.data(), count);
        if (!ok)
            return false;
    }
}

void CNetGet::SetBudget(std::optional<int64_t> bytes)
{
    budget_ = bytes;
}

bool CNetGet::finish(bool result)
{
    SetStatus("Ready");
    hourglass(false);
    return result;
}

void CNetGet::Term()
{
    platform::resume_next([&] {
        if (platform::InternetCloseHandle(hInternet))
            SetStatus("Ready");
        else
            CheckError();
    });
}

std::string CNetGet::TranslateErrorCode(int32_t lErrorCode)
{
    static const std::map<int32_t, const char*> texts{
        {12001, "No more handles could be generated at this time"},
        {12002, "The request has timed out."},
        {12003, "An extended error was returned from the server."},
        {12004, "An internal error has occurred."},
        {12005, "The URL is invalid."},
        {12006, "The URL scheme could not be recognized, or is not supported."},
        {12007, "The server name could not be resolved."},
        {12008, "The requested protocol could not be located."},
        {12009, "A request to InternetQueryOption or InternetSetOption specified an invalid option value."},
        {12010, "The length of an option supplied to InternetQueryOption or InternetSetOption is incorrect "
                "for the type of option specified."},
        {12011, "The request option can not be set, only queried. "},
        {12012, "The Win32 Internet support is being shutdown or unloaded."},
        {12013, "The request to connect and login to an FTP server could not be completed because the "
                "supplied user name is incorrect."},
        {12014, "The request to connect and login to an FTP server could not be completed because the "
                "supplied password is incorrect. "},
        {12015, "The request to connect to and login to an FTP server failed."},
        {12016, "The requested operation is invalid. "},
        {12017, "The operation was canceled, usually because the handle on which the request was operating "
                "was closed before the operation completed."},
        {12018, "The type of handle supplied is incorrect for this operation."},
        {12019, "The requested operation can not be carried out because the handle supplied is not in the "
                "correct state."},
        {12020, "The request can not be made via a proxy."},
        {12021, "A required registry value could not be located. "},
        {12022, "A required registry value was located but is an incorrect type or has an invalid value."},
        {12023, "Direct network access cannot be made at this time. "},
        {12024, "An asynchronous request could not be made because a zero context value was supplied."},
        {12025, "An asynchronous request could not be made because a callback function has not been set."},
        {12026, "The required operation could not be completed because one or more requests are pending."},
        {12027, "The format of the request is invalid."},
        {12028, "The requested item could not be located."},
        {12029, "The attempt to connect to the server failed."},
        {12030, "The connection with the server has been terminated."},
        {12031, "The connection with the server has been reset."},
        {12036, "The request failed because the handle already exists."},
    };
    const auto it = texts.find(lErrorCode);
    return it == texts.end() ? "Error details not available." : it->second;
}

void CNetGet::SetStatusWindow(QObject* objStatusWindow)
{
    objStatus = objStatusWindow;
}

std::string CNetGet::GetRawHTML() const
{
    return platform::Trim(sRawHTML);
}

std::string CNetGet::GetLastError() const
{
    return sLastError;
}

void CNetGet::SetUserAgent(const std::string& sInUserAgent)
{
    if (!sInUserAgent.empty())
        sUserAgent = sInUserAgent;
}

// Runs the event loop once even without a status window, so a download keeps the window alive.
void CNetGet::SetStatus(const std::string& text)
{
    platform::resume_next([&] {
        if (!objStatus || !objStatus->setProperty("text", QString::fromStdString(text)))
            throw platform::StepError(91, "Object variable or With block variable not set");
    });
    QCoreApplication::processEvents();
}

std::string CNetGet::StripControlChars(const std::string& text)
{
    std::string kept;
    for (char c : text)
        if (c < 9 || c > 13)
            kept += c;
    return kept;
}
