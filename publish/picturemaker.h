#pragma once

// What passes between publishing and the picture module (corvanta-pictures.so), which holds
// the picture library and is loaded only when a picture has to be read, so that neither
// program pays for that library at start-up.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Publish {

/// What became of a picture in the website.
enum class PictureKind {
    AsItIs, ///< copied byte for byte: no picture, too broken to read, or nothing to take out
    LocationRemoved, ///< small enough already: the same picture without its location
    WebCopy ///< turned upright, scaled down to the limit and saved again for the web
};

/// The widths of the smaller copies made beside every web copy ("NAME-480.jpg"): 720 is what a
/// phone's column asks for at its pixel density, 960 a desk's column or a sharper phone.
inline constexpr int VariantWidths[] = { 480, 720, 960 };

/// The picture module's work on one picture.
struct MadePicture
{
    PictureKind kind = PictureKind::AsItIs;
    int width = 0; ///< of the copy (WebCopy) or the picture as it is
    int height = 0;
    std::string bytes; ///< the copy to publish (LocationRemoved, WebCopy)
    std::vector<std::pair<int, std::string>>
        variants; ///< WebCopy: width and bytes, narrowest first
    std::string problem; ///< AsItIs: why it is no picture the library could read
};

/// The module's entries, found by these names when it is loaded. Neither throws.
/// Hash: the SHA-256 of `bytes` in lower-case hex.
using PictureHashEntry = void (*)(std::string_view bytes, std::string &hex);
/// Make: the web copy of a JPEG, PNG or WebP picture whose long edge may be at most `longEdge`.
using MakePictureEntry = void (*)(std::string_view source, int longEdge, MadePicture &made);
/// Draw icons: the site's icons as PNGs of 16, 32, 180 (opaque), 192 and 512 pixels, from the
/// logo's bytes or, without a logo libvips can draw, from `letter` on `accent` ("#RRGGBB");
/// `problem` says why nothing could be drawn.
using DrawSiteIconsEntry = void (*)(std::string_view logo, std::string_view letter,
    std::string_view accent, std::vector<std::string> &pngs, std::string &problem);
inline constexpr const char *PictureHashEntryName = "corvantaPictureHash";
inline constexpr const char *DrawSiteIconsEntryName = "corvantaDrawSiteIcons";
inline constexpr const char *MakePictureEntryName = "corvantaMakeWebPicture";
inline constexpr const char *PictureModuleName = "corvanta-pictures.so";

/// The kinds of pictures that get web copies, by their first bytes; None for anything else.
enum class PictureFormat { None, Jpeg, Png, WebP };
PictureFormat pictureFormatOf(std::string_view firstBytes);

/// The width and height a JPEG, PNG or WebP header gives (as stored, before any orientation
/// tag turns it), or none when `first` (the file's first bytes) does not reach them.
std::optional<std::pair<int, int>> pictureSizeOf(PictureFormat format, std::string_view first);

/// Takes the location (the GPS part of the EXIF data, XMP that names a place) out of a JPEG,
/// PNG or WebP without decoding its pixels: the EXIF block keeps everything else
/// (orientation, camera, date), so the picture looks as before. True when anything was taken
/// out; `picture` is changed in place otherwise not at all.
bool removeLocation(PictureFormat format, std::string &picture);

} // namespace Publish
