// A new mail message in the desktop's mail program, through a "mailto:" address.
#include "contacts/Main.h"
#include "platform/services.h"

#include <string_view>

namespace {

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

} // namespace

void Main::apre_email(const std::string& destinatario, const std::string& cc, const std::string& bcc,
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
    platform::services().desktop->open_url(address);
}
