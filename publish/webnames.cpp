#include "publish/webnames.h"

#include "publish/htmlcheck.h"

#include "platform/encoding.h"

#include <cctype>
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
        // A blank inside a name is sent as "%20" by every browser; a leading or trailing one
        // would be dropped.
        const bool inside = at > 0 && at + 1 < utf8.size();
        if (special && !(byte == ' ' && inside))
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

std::size_t characterReferenceLength(std::string_view text)
{
    if (text.size() < 3 || text.front() != '&')
        return 0;
    std::size_t end = 1;
    const bool numeric = text[end] == '#';
    if (numeric) {
        ++end;
        const bool hex = end < text.size() && (text[end] == 'x' || text[end] == 'X');
        end += hex ? 1 : 0;
        const std::size_t digits = end;
        while (end < text.size()
            && (hex ? std::isxdigit(static_cast<unsigned char>(text[end]))
                    : (text[end] >= '0' && text[end] <= '9')))
            ++end;
        if (end == digits)
            return 0;
    } else {
        while (end < text.size() && std::isalnum(static_cast<unsigned char>(text[end])))
            ++end;
        if (end == 1)
            return 0;
    }
    if (end == text.size() || text[end] != ';')
        return 0;
    if (!numeric && !isKnownEntityName(text.substr(1, end - 1)))
        return 0;
    return end + 1;
}

std::string htmlAttributeValue(std::string_view text)
{
    if (text.find_first_of("\"<>&") == std::string_view::npos)
        return std::string(text);
    std::string escaped;
    escaped.reserve(text.size() + 16);
    for (std::size_t at = 0; at < text.size(); ++at) {
        switch (text[at]) {
        case '"':
            escaped += "&quot;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '&':
            if (const std::size_t length = characterReferenceLength(text.substr(at))) {
                escaped += text.substr(at, length);
                at += length - 1;
            } else {
                escaped += "&amp;";
            }
            break;
        default:
            escaped += text[at];
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
