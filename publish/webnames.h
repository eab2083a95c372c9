#pragma once

#include <string>
#include <string_view>

namespace Publish {

/// True for the characters HTML takes as blanks between attributes and around their values:
/// space, tab, line feed, carriage return and form feed.
inline bool isHtmlBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

/// An ASCII capital as its small letter, any other byte as it is: how HTML matches its names
/// and a file's suffix is matched, whatever the locale.
inline char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

/// `text` with its ASCII capitals made small (see lowerAscii).
inline std::string lowerAscii(std::string_view text)
{
    std::string lower(text);
    for (char &c : lower)
        c = lowerAscii(c);
    return lower;
}

/// `text` without the HTML blanks before and after it.
inline std::string_view withoutHtmlBlanks(std::string_view text)
{
    while (!text.empty() && isHtmlBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isHtmlBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

/// Names taken from file names and the program's lists (a template's name, a picture's, a
/// page caption) as they are written into the site's HTML and scripts, so that whatever bytes
/// a name holds, the page or script stays whole and the name means the same file. Names of
/// letters, digits, blanks and the usual punctuation come out unchanged.

/// A file name beside the page as the value of a double-quoted `src` or `href`: characters
/// that a browser would read as part of the address's syntax, drop or change ("#", "?", "%",
/// "\", quotes, angle brackets, "&", control characters, a leading or trailing blank) and every
/// character beyond ASCII (as its UTF-8 bytes, the way the file is named on disk) are
/// percent-escaped; a name that would read as an address scheme ("http:x.gif") gets "./" in front.
std::string relativeAddress(std::string_view fileName);

/// Text as the content of an HTML element or a double-quoted attribute: "&", "<", ">" and
/// '"' as character references.
std::string htmlText(std::string_view text);

/// The length of the character reference that `text` starts with ("&copy;", "&#233;",
/// "&#xE9;"), or 0 when it starts with none: an "&" followed by a name no browser knows, or
/// without its ";", is no reference.
std::size_t characterReferenceLength(std::string_view text);

/// Text the person typed as the value of a double-quoted attribute: '"', "<" and ">" as
/// character references, and "&" as "&amp;" unless it begins a character reference, which
/// stays as typed. Text without any of these comes out unchanged.
std::string htmlAttributeValue(std::string_view text);

/// Text inside a double-quoted JavaScript string: backslashes, quotes and control characters
/// escaped.
std::string javaScriptString(std::string_view text);

} // namespace Publish
