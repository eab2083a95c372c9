#include "publish/webnames.h"

#include "platform/encoding.h"

#include <cstdio>

namespace Publish {
namespace {

std::string hexEscape(const char *prefix, unsigned char byte)
{
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "%s%02X", prefix, byte);
    return escaped;
}

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

/// True when the address begins with what a browser reads as a scheme: a letter, then
/// letters, digits, "+", "-" or ".", then ":".
bool startsWithScheme(std::string_view address)
{
    if (address.empty() || !isAsciiLetter(address.front()))
        return false;
    for (const char c : address.substr(1)) {
        if (c == ':')
            return true;
        if (!isAsciiLetter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.')
            return false;
    }
    return false;
}

} // namespace

std::string relativeAddress(std::string_view fileName)
{
    const std::string utf8 = Platform::cp1252ToUtf8(fileName);
    std::string address;
    address.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size(); ++at) {
        const auto byte = static_cast<unsigned char>(utf8[at]);
        const bool special = byte <= 0x20 || byte >= 0x7F || byte == '"' || byte == '#'
            || byte == '%' || byte == '&' || byte == '<' || byte == '>' || byte == '?'
            || byte == '\\' || byte == '`';
        // A blank inside a name is sent as "%20" by every browser; only a leading one would be
        // dropped.
        if (special && !(byte == ' ' && at > 0))
            address += hexEscape("%", byte);
        else
            address += static_cast<char>(byte);
    }
    return startsWithScheme(address) ? "./" + address : address;
}

std::string htmlText(std::string_view text)
{
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::string javaScriptString(std::string_view text)
{
    std::string escaped;
    escaped.reserve(text.size() + 16);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"')
            escaped += std::string("\\") + c;
        else if (byte < 0x20 || byte == 0x7F)
            escaped += hexEscape("\\x", byte);
        else
            escaped += c;
    }
    return escaped;
}

} // namespace Publish
