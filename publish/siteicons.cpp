#include "publish/siteicons.h"

#include "publish/picturemaker.h"
#include "publish/webpictures.h"

#include "platform/fileerror.h"
#include "platform/files.h"
#include "platform/userfolders.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

#include <unistd.h>

namespace Publish {
namespace {

void putLittleEndian(std::string &out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

} // namespace

std::pair<std::uint32_t, std::uint32_t> pngSize(std::string_view png)
{
    if (png.size() < 24 || !png.starts_with("\x89PNG\r\n\x1a\n") || png.substr(12, 4) != "IHDR")
        return { 0, 0 };
    const auto bigEndian = [&](std::size_t at) {
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < 4; ++i)
            value = value << 8 | static_cast<unsigned char>(png[at + i]);
        return value;
    };
    return { bigEndian(16), bigEndian(20) };
}

std::string IcoFile(const std::vector<std::string> &pngs)
{
    std::string out;
    putLittleEndian(out, 0, 2); // reserved
    putLittleEndian(out, 1, 2); // an icon, not a cursor
    putLittleEndian(out, static_cast<std::uint32_t>(pngs.size()), 2);
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(pngs.size());
    for (const std::string &png : pngs) {
        const auto [width, height] = pngSize(png);
        // 256 pixels is written as 0: the field is one byte.
        out += static_cast<char>(width >= 256 ? 0 : width);
        out += static_cast<char>(height >= 256 ? 0 : height);
        out += '\0'; // no palette
        out += '\0'; // reserved
        putLittleEndian(out, 1, 2); // colour planes
        putLittleEndian(out, 32, 2); // bits a pixel
        putLittleEndian(out, static_cast<std::uint32_t>(png.size()), 4);
        putLittleEndian(out, offset, 4);
        offset += static_cast<std::uint32_t>(png.size());
    }
    for (const std::string &png : pngs)
        out += png;
    return out;
}

std::string iconLetter(std::string_view plainText)
{
    for (std::size_t at = 0; at < plainText.size(); ++at) {
        const auto byte = static_cast<unsigned char>(plainText[at]);
        if (byte < 0x80) {
            if (std::isalnum(byte))
                return std::string(1, static_cast<char>(std::toupper(byte)));
            continue;
        }
        // A character beyond ASCII is taken whole, as it stands: a letter of another script
        // is drawn as typed.
        std::size_t length = 1;
        while (at + length < plainText.size()
            && (static_cast<unsigned char>(plainText[at + length]) & 0xC0) == 0x80)
            ++length;
        const std::string_view character = plainText.substr(at, length);
        // Latin-1 small letters (U+00E0 to U+00FE, not U+00F7) have their capitals 0x20 lower.
        if (length == 2 && byte == 0xC3) {
            const auto second = static_cast<unsigned char>(character[1]);
            if (second >= 0xA0 && second <= 0xBE && second != 0xB7)
                return std::string { static_cast<char>(0xC3), static_cast<char>(second - 0x20) };
            if (second >= 0x80 && second <= 0x9E && second != 0x97)
                return std::string(character);
            at += length - 1;
            continue;
        }
        if (byte >= 0xC4)
            return std::string(character);
        at += length - 1;
    }
    return {};
}

namespace {

/// The icons' files in a cache entry, in the order the module draws them.
constexpr const char *IconFileNames[] = { "16.png", "32.png", "180.png", "192.png", "512.png" };
/// Raised whenever the icons drawn from the same logo, letter and colour change.
constexpr const char *IconsVersion = "site icons 1";

SiteIcons iconsOf(std::vector<std::string> pngs)
{
    SiteIcons icons;
    icons.favicon = IcoFile({ pngs[0], pngs[1] });
    icons.appleTouch = std::move(pngs[2]);
    icons.icon192 = std::move(pngs[3]);
    icons.icon512 = std::move(pngs[4]);
    return icons;
}

/// The folder of the cache entry for `key`: named by its 64-bit FNV-1a hash, the key itself
/// kept inside and compared in full, so two keys of one name never give each other's icons.
std::string iconsEntry(const std::string &cache, const std::string &key)
{
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : key) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    char name[17];
    std::snprintf(name, sizeof name, "%016llx", static_cast<unsigned long long>(hash));
    return cache + "/icons/" + name;
}

std::optional<std::string> readCacheFile(const std::string &path)
{
    try {
        return Platform::readWholeFile(path, Platform::OpenFailure::NamedText);
    } catch (const Platform::FileError &) {
        return std::nullopt;
    }
}

std::optional<std::vector<std::string>> readIcons(const std::string &entry, const std::string &key)
{
    if (readCacheFile(entry + "/key") != key)
        return std::nullopt;
    std::vector<std::string> pngs;
    for (const char *name : IconFileNames) {
        std::optional<std::string> png = readCacheFile(entry + "/" + name);
        if (!png)
            return std::nullopt;
        pngs.push_back(std::move(*png));
    }
    return pngs;
}

bool writeCacheFile(const std::string &path, std::string_view bytes)
{
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

/// Keeps the icons in the cache: written in a hidden folder and renamed into place, so a run
/// finds an entry whole or not at all. Failing to keep them costs only time at the next run.
void storeIcons(const std::string &cache, const std::string &entry, const std::string &key,
    const std::vector<std::string> &pngs)
{
    std::error_code error;
    try {
        Platform::makePrivateFolder(cache);
    } catch (const Platform::FileError &) {
        return;
    }
    std::filesystem::create_directories(cache + "/icons", error);
    std::string temporary = cache + "/icons/.new-XXXXXX";
    if (error || !::mkdtemp(temporary.data()))
        return;
    bool written = writeCacheFile(temporary + "/key", key);
    for (std::size_t i = 0; i < pngs.size(); ++i)
        written = written && writeCacheFile(temporary + "/" + IconFileNames[i], pngs[i]);
    if (!written || ::rename(temporary.c_str(), entry.c_str()) != 0)
        std::filesystem::remove_all(temporary, error);
}

} // namespace

SiteIcons DrawSiteIcons(
    std::string_view logoBytes, std::string_view letter, std::string_view accent)
{
    // The icons depend on nothing else; once drawn they come from the cache, so a site
    // published again loads no picture library for them.
    std::string key = IconsVersion;
    key.append("\n").append(letter).append("\n").append(accent).append("\n").append(logoBytes);
    const std::optional<std::string> cache = pictureCacheFolder();
    const std::string entry = cache ? iconsEntry(*cache, key) : std::string();
    if (cache) {
        if (std::optional<std::vector<std::string>> pngs = readIcons(entry, key))
            return iconsOf(std::move(*pngs));
    }
    std::vector<std::string> pngs;
    std::string problem;
    pictureModule().drawIcons(logoBytes, letter, accent, pngs, problem);
    if (!problem.empty())
        throw Platform::FileError(problem);
    if (pngs.size() != std::size(IconFileNames))
        throw Platform::FileError("The site's icons could not be drawn");
    if (cache)
        storeIcons(*cache, entry, key, pngs);
    return iconsOf(std::move(pngs));
}

} // namespace Publish
