#include "platform/encoding.h"

#include <algorithm>
#include <cerrno>
#include <compare>
#include <cstdint>
#include <cstring>
#include <iconv.h>
#include <stdexcept>

namespace Platform {
namespace {

// Windows-1252 leaves these five byte values without a character; iconv refuses them.
bool isUndefinedCp1252(unsigned char byte)
{
    return byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
}

class Converter
{
public:
    Converter(const char *to, const char *from)
        : m_handle(iconv_open(to, from))
    {
        // iconv's own value for a failure. NOLINTNEXTLINE(performance-no-int-to-ptr)
        if (m_handle == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error("iconv cannot convert between Windows-1252 and UTF-8");
    }
    ~Converter() { iconv_close(m_handle); }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;

    /// Converts as much of the input as it can; returns the number of input bytes used.
    /// Stops at the first sequence it cannot convert.
    std::size_t convert(std::string_view input, std::string &output)
    {
        iconv(m_handle, nullptr, nullptr, nullptr, nullptr);
        char *in = const_cast<char *>(input.data());
        std::size_t inLeft = input.size();
        char buffer[16384];
        while (inLeft > 0) {
            char *out = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t result = iconv(m_handle, &in, &inLeft, &out, &outLeft);
            output.append(buffer, static_cast<std::size_t>(out - buffer));
            if (result == static_cast<std::size_t>(-1) && errno != E2BIG)
                break;
        }
        return input.size() - inLeft;
    }

private:
    iconv_t m_handle;
};

// An iconv handle keeps conversion state, so each thread (the upload's and the update
// check's workers as well as the windows') converts with a handle of its own.
Converter &toCp1252()
{
    static thread_local Converter converter("CP1252", "UTF-8");
    return converter;
}

/// Decodes one UTF-8 character at the start of text; returns its length, or 0 when the
/// bytes there are not valid UTF-8.
std::size_t decodeUtf8(std::string_view text, char32_t &codePoint)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        codePoint = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        codePoint = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        codePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (byte(i) & 0x3F);
    }
    return length;
}

/// Shared loop of the two UTF-8 to Windows-1252 conversions; returns false when a character
/// could not be held and `exact` asked for no substitutes.
bool fromUtf8(std::string_view utf8, std::string &output, bool exact)
{
    output.reserve(utf8.size());
    while (!utf8.empty()) {
        utf8.remove_prefix(toCp1252().convert(utf8, output));
        if (utf8.empty())
            break;
        char32_t codePoint = 0;
        const std::size_t length = decodeUtf8(utf8, codePoint);
        if (length == 0) {
            if (exact)
                return false;
            output += '?';
            utf8.remove_prefix(1);
            continue;
        }
        if (codePoint < 0x100 && isUndefinedCp1252(static_cast<unsigned char>(codePoint))) {
            output += static_cast<char>(codePoint);
        } else if (exact) {
            return false;
        } else {
            output += "&#" + std::to_string(static_cast<unsigned long>(codePoint)) + ';';
        }
        utf8.remove_prefix(length);
    }
    return true;
}

} // namespace

namespace {

/// A Windows-1252 byte in lower case: the ASCII letters and the accented capitals of the set
/// (À to Þ except ×, and Š, Œ, Ž, Ÿ).
unsigned char foldCase(unsigned char byte)
{
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7))
        return static_cast<unsigned char>(byte + 0x20);
    switch (byte) {
    case 0x8A: // Š
    case 0x8C: // Œ
    case 0x8E: // Ž
        return static_cast<unsigned char>(byte + 0x10);
    case 0x9F: // Ÿ
        return 0xFF;
    default:
        return byte;
    }
}

} // namespace

bool caselessBefore(std::string_view a, std::string_view b)
{
    const auto caseless = std::lexicographical_compare_three_way(
        a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
            return foldCase(static_cast<unsigned char>(x))
                <=> foldCase(static_cast<unsigned char>(y));
        });
    if (std::is_neq(caseless))
        return std::is_lt(caseless);
    return a < b; // compares the bytes as unsigned values
}

namespace {

/// The characters of the bytes 0x80 to 0x9F; the five undefined ones keep their own number.
constexpr char16_t HighControlRow[32]
    = { 0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
          0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
          0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178 };

bool isAscii(std::string_view bytes)
{
    // Eight bytes at a time: none has its high bit set.
    std::size_t at = 0;
    for (; at + 8 <= bytes.size(); at += 8) {
        std::uint64_t block;
        std::memcpy(&block, bytes.data() + at, 8);
        if (block & 0x8080808080808080ull)
            return false;
    }
    for (; at < bytes.size(); ++at) {
        if (static_cast<unsigned char>(bytes[at]) >= 0x80)
            return false;
    }
    return true;
}

} // namespace

std::string cp1252ToUtf8(std::string_view bytes)
{
    // ASCII is the same in both; most texts are nothing else.
    if (isAscii(bytes))
        return std::string(bytes);
    std::string output;
    output.reserve(bytes.size() + bytes.size() / 8);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        const char16_t character = byte < 0x80 ? byte
            : byte < 0xA0                      ? HighControlRow[byte - 0x80]
                                               : byte;
        if (character < 0x80) {
            output += static_cast<char>(character);
        } else if (character < 0x800) {
            output += static_cast<char>(0xC0 | (character >> 6));
            output += static_cast<char>(0x80 | (character & 0x3F));
        } else {
            output += static_cast<char>(0xE0 | (character >> 12));
            output += static_cast<char>(0x80 | ((character >> 6) & 0x3F));
            output += static_cast<char>(0x80 | (character & 0x3F));
        }
    }
    return output;
}

std::string utf8ToCp1252(std::string_view utf8)
{
    if (isAscii(utf8))
        return std::string(utf8);
    std::string output;
    fromUtf8(utf8, output, false);
    return output;
}

std::optional<std::string> utf8ToCp1252Exact(std::string_view utf8)
{
    if (isAscii(utf8))
        return std::string(utf8);
    std::string output;
    if (!fromUtf8(utf8, output, true))
        return std::nullopt;
    return output;
}

} // namespace Platform
