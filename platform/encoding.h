#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace Platform {

/// Every text inside the program is bytes in Windows-1252; these convert at the edges
/// (the windows, the file system, the command line).

/// Windows-1252 bytes as UTF-8. The five byte values the character set leaves undefined
/// become the control characters of the same number, so every byte survives a round trip.
std::string cp1252ToUtf8(std::string_view bytes);

/// UTF-8 as Windows-1252. A character the set lacks becomes an HTML numeric character
/// reference ("&#20013;"), since every typed text ends up in a web page.
std::string utf8ToCp1252(std::string_view utf8);

/// UTF-8 as Windows-1252, or nothing when any character cannot be held exactly
/// (used for names read from the file system, which cannot take a character reference).
std::optional<std::string> utf8ToCp1252Exact(std::string_view utf8);

/// Windows-1252 texts in an order that is the same on every machine: without regard to
/// letter case (the ASCII letters and the accented capitals of the set), texts that differ
/// only in case by their bytes.
bool caselessBefore(std::string_view a, std::string_view b);

/// A program path (Windows-1252) as the operating system's file name (UTF-8).
inline std::string nativePath(const std::string &path) { return cp1252ToUtf8(path); }

} // namespace Platform
