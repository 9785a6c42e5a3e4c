// The browser is the program the desktop associates with .htm files, found through a probe
// file that exists only while it is looked up.
#include "desktop/AprePaginaWeb.h"
#include "platform/failure.h"
#include "platform/files.h"
#include "platform/services.h"

#include <cstdio>
#include <fstream>
#include <string_view>

namespace AprePaginaWeb {
namespace {

constexpr const char* kProbe = "C:\\brenvale.htm";
constexpr int kStyle = platform::vbOKOnly | platform::vbExclamation;

// Each value is percent-encoded as UTF-8, except the characters a mailto: value may carry as
// they are. "&", "?", "=", "#" and "%" are encoded: a value holding them would otherwise add
// header fields of its own (an address "x@y?bcc=z" would blind-copy z) or end the address.
std::string encoded(std::string_view value)
{
    static constexpr std::string_view kKept = "-._~!$'()*+,;:@";
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char ch : value) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')
            || kKept.find(ch) != std::string_view::npos) {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
    }
    return out;
}

bool blank(const std::string& a)
{
    return a.find_first_not_of(' ') == std::string::npos;
}

// The probe's content: the text as a quoted field, ended by CR LF (18 bytes).
void write_probe(const std::string& path)
{
    std::ofstream probe(path, std::ios::binary | std::ios::trunc);
    probe << "\"<HTML> <\\HTML>\"\r\n";
    probe.close();
    if (!probe)
        throw platform::StepError(platform::errPathFileAccess, "Path/File access error");
}

// Deletes the probe however the lookup ended.
struct ProbeRemover {
    std::string path;
    ~ProbeRemover() { std::remove(path.c_str()); }
};

} // namespace

void apre_pagina_web(const std::string& a)
{
    if (blank(a)) {
        platform::MsgBox("Enter a URL", kStyle, "No URL");
        return;
    }
    const ProbeRemover probe{platform::native_path(kProbe)};
    write_probe(probe.path);
    std::string browser;
    if (platform::FindExecutableA(kProbe, "", browser) <= 32) {
        platform::MsgBox("Could not find your Browser", kStyle, "Browser Not Found");
        return;
    }
    if (platform::ShellExecuteA("open", browser, a, "", platform::SW_SHOWMAXIMIZED) <= 32)
        platform::MsgBox("Web Page Not Opened", kStyle, "URL Failed");
}

void apre_email(const std::string& destinatario, const std::string& cc, const std::string& bcc,
                const std::string& oggetto, const std::string& corpo, const std::string& allegato)
{
    std::string query;
    if (!cc.empty())
        query += "&CC=" + encoded(cc);
    if (!bcc.empty())
        query += "&BCC=" + encoded(bcc);
    if (!oggetto.empty())
        query += "&Subject=" + encoded(oggetto);
    if (!corpo.empty())
        query += "&Body=" + encoded(corpo);
    if (!allegato.empty())
        query += "&Attach=" + encoded("\"" + allegato + "\"");
    std::string address = "mailto:" + encoded(destinatario);
    if (!query.empty()) {
        query[0] = '?';
        address += query;
    }
    platform::ShellExecuteA("open", address, "", "", platform::SW_SHOWNORMAL);
}

std::string pagina_guida(const std::string& sito_base, const std::string& sito_primario, int16_t lingua)
{
    return (sito_base.empty() ? sito_primario : sito_base) + (lingua != 0 ? "Guida/index.htm" : "Guide/index.htm");
}

} // namespace AprePaginaWeb
