// Finding a picture's kind by its first bytes and taking its location out without decoding it.
#include "publish/picturemaker.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace Publish {

PictureFormat pictureFormatOf(std::string_view first)
{
    if (first.starts_with("\xFF\xD8\xFF"))
        return PictureFormat::Jpeg;
    if (first.starts_with("\x89PNG\r\n\x1A\n"))
        return PictureFormat::Png;
    if (first.size() >= 12 && first.starts_with("RIFF") && first.substr(8, 4) == "WEBP")
        return PictureFormat::WebP;
    return PictureFormat::None;
}

namespace {

/// The TIFF structure inside an EXIF block, read and changed in place, with every offset
/// checked against the block's end.
class TiffBlock
{
public:
    TiffBlock(char *data, std::size_t size)
        : m_data(reinterpret_cast<unsigned char *>(data))
        , m_size(size)
    { }

    /// Takes the GPS directory out: its pointer leaves the first directory and its entries
    /// and values are overwritten with zeros, so no reader finds the place, by the structure
    /// or by searching the bytes. False when the block cannot be read (the caller then drops
    /// the whole block); `removed` says whether there was a location.
    bool removeGps(bool &removed)
    {
        removed = false;
        if (m_size < 8)
            return false;
        if (std::memcmp(m_data, "II*\0", 4) == 0)
            m_bigEndian = false;
        else if (std::memcmp(m_data, "MM\0*", 4) == 0)
            m_bigEndian = true;
        else
            return false;
        const std::uint32_t first = u32(4);
        if (!within(first, 2))
            return false;
        const unsigned count = u16(first);
        const std::size_t entries = first + 2;
        if (!within(entries, 12 * std::size_t(count) + 4))
            return false;
        for (unsigned i = 0; i < count; ++i) {
            const std::size_t entry = entries + 12 * std::size_t(i);
            if (u16(entry) != 0x8825)
                continue;
            const std::uint32_t gps = u32(entry + 8);
            // The entries after it move up by one, the next directory's offset with them.
            const std::size_t end = entries + 12 * std::size_t(count) + 4;
            std::memmove(m_data + entry, m_data + entry + 12, end - entry - 12);
            std::memset(m_data + end - 12, 0, 12);
            put16(first, count - 1);
            removed = true;
            return clearDirectory(gps);
        }
        return true;
    }

private:
    bool within(std::size_t offset, std::size_t length) const
    {
        return offset <= m_size && length <= m_size - offset;
    }
    unsigned u16(std::size_t at) const
    {
        return m_bigEndian ? (m_data[at] << 8) | m_data[at + 1]
                           : (m_data[at + 1] << 8) | m_data[at];
    }
    std::uint32_t u32(std::size_t at) const
    {
        const std::uint32_t high = u16(m_bigEndian ? at : at + 2);
        const std::uint32_t low = u16(m_bigEndian ? at + 2 : at);
        return (high << 16) | low;
    }
    void put16(std::size_t at, unsigned value)
    {
        const auto high = static_cast<unsigned char>(value >> 8);
        const auto low = static_cast<unsigned char>(value);
        m_data[at] = m_bigEndian ? high : low;
        m_data[at + 1] = m_bigEndian ? low : high;
    }

    bool clearDirectory(std::uint32_t at)
    {
        if (!within(at, 2))
            return false;
        const unsigned count = u16(at);
        if (!within(at + 2, 12 * std::size_t(count) + 4))
            return false;
        static constexpr std::array<std::size_t, 14> TypeSizes
            = { 0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4 };
        bool readable = true;
        for (unsigned i = 0; i < count; ++i) {
            const std::size_t entry = at + 2 + 12 * std::size_t(i);
            const unsigned type = u16(entry + 2);
            const std::size_t length
                = type < TypeSizes.size() ? TypeSizes[type] * u32(entry + 4) : 0;
            if (length > 4) {
                const std::uint32_t value = u32(entry + 8);
                if (within(value, length))
                    std::memset(m_data + value, 0, length);
                else
                    readable = false;
            }
        }
        std::memset(m_data + at, 0, 2 + 12 * std::size_t(count) + 4);
        return readable;
    }

    unsigned char *m_data;
    std::size_t m_size;
    bool m_bigEndian = false;
};

/// Removes the GPS part of an EXIF block (the TIFF structure at `at`, `length` bytes long) in
/// place. Returns how the block is to be treated: Kept, Changed, or Dropped when it cannot be
/// read and so cannot be told free of a location.
enum class BlockFate { Kept, Changed, Dropped };

BlockFate scrubExif(std::string &picture, std::size_t at, std::size_t length)
{
    TiffBlock block(picture.data() + at, length);
    bool removed = false;
    if (!block.removeGps(removed))
        return BlockFate::Dropped;
    return removed ? BlockFate::Changed : BlockFate::Kept;
}

/// XMP with a place in it (exif:GPSLatitude and the like).
bool xmpHasLocation(std::string_view xmp) { return xmp.find("GPS") != std::string_view::npos; }

std::uint32_t bigEndian32(std::string_view bytes, std::size_t at)
{
    const auto b = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i]));
    };
    return (b(0) << 24) | (b(1) << 16) | (b(2) << 8) | b(3);
}

std::uint32_t littleEndian32(std::string_view bytes, std::size_t at)
{
    const auto b = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i]));
    };
    return (b(3) << 24) | (b(2) << 16) | (b(1) << 8) | b(0);
}

std::uint32_t crc32Of(std::string_view bytes)
{
    static const auto table = [] {
        std::array<std::uint32_t, 256> made {};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            made[n] = c;
        }
        return made;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char c : bytes)
        crc = table[(crc ^ static_cast<unsigned char>(c)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

constexpr std::string_view ExifHeader("Exif\0\0", 6);
constexpr std::string_view XmpHeader("http://ns.adobe.com/xap/1.0/\0", 29);

bool removeFromJpeg(std::string &picture)
{
    bool changed = false;
    std::size_t at = 2;
    while (at + 4 <= picture.size() && static_cast<unsigned char>(picture[at]) == 0xFF) {
        const auto marker = static_cast<unsigned char>(picture[at + 1]);
        // The pixels start at the first scan; the markers that carry metadata come before.
        if (marker == 0xDA || marker == 0xD9)
            break;
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        const std::size_t length = (static_cast<unsigned char>(picture[at + 2]) << 8)
            | static_cast<unsigned char>(picture[at + 3]);
        if (length < 2 || at + 2 + length > picture.size())
            break;
        const std::string_view content = std::string_view(picture).substr(at + 4, length - 2);
        BlockFate fate = BlockFate::Kept;
        if (marker == 0xE1 && content.starts_with(ExifHeader))
            fate = scrubExif(picture, at + 4 + ExifHeader.size(), length - 2 - ExifHeader.size());
        else if (marker == 0xE1 && content.starts_with(XmpHeader) && xmpHasLocation(content))
            fate = BlockFate::Dropped;
        if (fate == BlockFate::Dropped) {
            picture.erase(at, 2 + length);
            changed = true;
            continue;
        }
        changed = changed || fate == BlockFate::Changed;
        at += 2 + length;
    }
    return changed;
}

bool removeFromPng(std::string &picture)
{
    bool changed = false;
    std::size_t at = 8;
    while (at + 12 <= picture.size()) {
        const std::uint32_t length = bigEndian32(picture, at);
        if (length > picture.size() - at - 12)
            break;
        const std::string type = picture.substr(at + 4, 4);
        if (type == "IDAT" || type == "IEND")
            break;
        const std::string_view content = std::string_view(picture).substr(at + 8, length);
        BlockFate fate = BlockFate::Kept;
        if (type == "eXIf") {
            fate = scrubExif(picture, at + 8, length);
        } else if ((type == "iTXt" || type == "tEXt" || type == "zTXt")
            && content.starts_with(std::string_view("XML:com.adobe.xmp\0", 18))) {
            // A compressed XMP chunk cannot be looked into here, so it goes too.
            const bool compressed = type == "zTXt" || (content.size() > 18 && content[18] != 0);
            if (compressed || xmpHasLocation(content))
                fate = BlockFate::Dropped;
        }
        if (fate == BlockFate::Dropped) {
            picture.erase(at, 12 + length);
            changed = true;
            continue;
        }
        if (fate == BlockFate::Changed) {
            const std::uint32_t crc = crc32Of(std::string_view(picture).substr(at + 4, 4 + length));
            for (int i = 0; i < 4; ++i)
                picture[at + 8 + length + i] = static_cast<char>(crc >> (24 - 8 * i));
            changed = true;
        }
        at += 12 + length;
    }
    return changed;
}

bool removeFromWebP(std::string &picture)
{
    bool changed = false;
    bool xmpDropped = false;
    bool exifDropped = false;
    std::size_t at = 12;
    while (at + 8 <= picture.size()) {
        const std::uint32_t length = littleEndian32(picture, at + 4);
        const std::size_t padded = length + (length & 1);
        if (padded > picture.size() - at - 8)
            break;
        const std::string type = picture.substr(at, 4);
        const std::string_view content = std::string_view(picture).substr(at + 8, length);
        BlockFate fate = BlockFate::Kept;
        if (type == "EXIF") {
            const std::size_t skip = content.starts_with(ExifHeader) ? ExifHeader.size() : 0;
            fate = scrubExif(picture, at + 8 + skip, length - skip);
            exifDropped = fate == BlockFate::Dropped;
        } else if (type == "XMP " && xmpHasLocation(content)) {
            fate = BlockFate::Dropped;
            xmpDropped = true;
        }
        if (fate == BlockFate::Dropped) {
            picture.erase(at, 8 + padded);
            changed = true;
            continue;
        }
        changed = changed || fate == BlockFate::Changed;
        at += 8 + padded;
    }
    if (!changed)
        return false;
    // The RIFF size, and the extended header's flags that announce the chunks dropped.
    const auto riff = static_cast<std::uint32_t>(picture.size() - 8);
    for (int i = 0; i < 4; ++i)
        picture[4 + i] = static_cast<char>(riff >> (8 * i));
    if (picture.size() > 20 && picture.compare(12, 4, "VP8X") == 0) {
        auto flags = static_cast<unsigned char>(picture[20]);
        if (xmpDropped)
            flags &= static_cast<unsigned char>(~0x04u);
        if (exifDropped)
            flags &= static_cast<unsigned char>(~0x08u);
        picture[20] = static_cast<char>(flags);
    }
    return true;
}

} // namespace

bool removeLocation(PictureFormat format, std::string &picture)
{
    switch (format) {
    case PictureFormat::Jpeg:
        return removeFromJpeg(picture);
    case PictureFormat::Png:
        return removeFromPng(picture);
    case PictureFormat::WebP:
        return removeFromWebP(picture);
    case PictureFormat::None:
        break;
    }
    return false;
}

std::optional<std::pair<int, int>> pictureSizeOf(PictureFormat format, std::string_view first)
{
    const auto byte
        = [&](std::size_t at) { return static_cast<int>(static_cast<unsigned char>(first[at])); };
    switch (format) {
    case PictureFormat::Png:
        if (first.size() >= 24)
            return std::pair(int(bigEndian32(first, 16)), int(bigEndian32(first, 20)));
        break;
    case PictureFormat::WebP:
        if (first.size() >= 30 && first.substr(12, 4) == "VP8X")
            return std::pair(1 + byte(24) + (byte(25) << 8) + (byte(26) << 16),
                1 + byte(27) + (byte(28) << 8) + (byte(29) << 16));
        if (first.size() >= 30 && first.substr(12, 4) == "VP8 ")
            return std::pair(
                (byte(26) | (byte(27) << 8)) & 0x3FFF, (byte(28) | (byte(29) << 8)) & 0x3FFF);
        if (first.size() >= 25 && first.substr(12, 4) == "VP8L")
            return std::pair(1 + (byte(21) | ((byte(22) & 0x3F) << 8)),
                1 + ((byte(22) >> 6) | (byte(23) << 2) | ((byte(24) & 0x0F) << 10)));
        break;
    case PictureFormat::Jpeg: {
        std::size_t at = 2;
        while (at + 9 <= first.size() && byte(at) == 0xFF) {
            const int marker = byte(at + 1);
            if (marker == 0xFF) {
                ++at;
                continue;
            }
            // A start of frame: any of C0 to CF but the tables C4, C8 and CC.
            if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8
                && marker != 0xCC)
                return std::pair(
                    (byte(at + 7) << 8) | byte(at + 8), (byte(at + 5) << 8) | byte(at + 6));
            at += 2 + std::size_t((byte(at + 2) << 8) | byte(at + 3));
        }
        break;
    }
    case PictureFormat::None:
        break;
    }
    return std::nullopt;
}

} // namespace Publish
