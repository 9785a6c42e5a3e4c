#pragma once
// The page fetcher: downloads one URL at a time, into a text it keeps or into a file, and
// keeps an English text for the last failure. No member shows a message.
#include "platform/collection.h"
#include "platform/files.h"
#include "platform/internet.h"

#include <QObject>
#include <QPointer>
#include <cstdint>
#include <optional>
#include <string>

class CNetGet {
public:
    CNetGet() = default;
    ~CNetGet();   // the end of the object closes the root handle (Term)
    CNetGet(const CNetGet&) = delete;
    CNetGet& operator=(const CNetGet&) = delete;

    void CheckError();
    // The user agent is the given text, else the executable's name; may be called again.
    void Init(std::optional<std::string> vInUserAgent = std::nullopt);
    bool ParseHTML(std::string sToken, platform::Collection& colItems,
                   std::optional<std::string> vDelimiter = std::nullopt);
    // Into the page text without a file name, else into that file (written the Windows way).
    // A download into a file replaces the file only with a whole body that came with a
    // success status; any failure leaves the file as it was (or absent) and returns false.
    // Into the page text any answer is a page, but a body that did not arrive whole returns
    // false (the page holds what came). While a download runs, another call on the same
    // object returns false at once.
    bool ReadUrl(std::string sUrl, std::optional<std::string> vFileName = std::nullopt);
    // At most this many bytes received in all by the downloads from now on: one that would
    // go past it fails like a body over the size cap. nullopt: the cap of each body only.
    void SetBudget(std::optional<int64_t> bytes);
    std::optional<int64_t> Budget() const { return budget_; }
    void Term();
    static std::string TranslateErrorCode(int32_t lErrorCode);

    // The status window shows each status text as its "text" property (a label's caption).
    void SetStatusWindow(QObject* objStatusWindow);
    std::string GetRawHTML() const;
    std::string GetLastError() const;
    void SetUserAgent(const std::string& sInUserAgent);

private:
    void SetStatus(const std::string& text);
    static std::string StripControlChars(const std::string& text);
    bool reads_whole_body(platform::ReplacingFile* file, std::string& received);
    bool finish(bool result);

    platform::HINTERNET hInternet = 0;
    platform::HINTERNET hUrl = 0;
    std::string sRawHTML;
    std::string sLastError;
    QPointer<QObject> objStatus;
    std::string sUserAgent;
    bool reading_ = false;
    std::optional<int64_t> budget_;   // the event loop runs during a download and may call ReadUrl again
};
