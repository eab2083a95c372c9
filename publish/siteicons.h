#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Publish {

/// The site's icons as PNG and ICO bytes, ready to be written beside the pages.
struct SiteIcons
{
    std::string favicon; ///< favicon.ico: 16 and 32 pixels, each a PNG inside the ICO
    std::string appleTouch; ///< 180 pixels, opaque: phones put it on their home screens
    std::string icon192;
    std::string icon512;
};

/// Draws the icons from the logo's bytes (any picture libvips reads: JPEG, PNG, GIF, WebP,
/// SVG), fitted into the square and centred on a clear ground; with no logo, or one that
/// cannot be drawn, from `letter` (UTF-8, one character; none gives a plain square) drawn in
/// white on `accent` ("#RRGGBB"). Drawn by the picture module, then kept in the picture cache,
/// so that the same icons are not drawn twice. Throws FileError when they cannot be drawn.
SiteIcons DrawSiteIcons(
    std::string_view logoBytes, std::string_view letter, std::string_view accent);

/// An ICO file holding the given PNG pictures (each square, at most 256 pixels), in the
/// order given: the 6-byte header, one 16-byte entry for each picture, then the pictures.
std::string IcoFile(const std::vector<std::string> &pngs);

/// The width and height a PNG's header states; 0 and 0 when the bytes are no PNG.
std::pair<std::uint32_t, std::uint32_t> pngSize(std::string_view png);

/// The first letter or digit of a plain (UTF-8) text, in upper case where it has one;
/// empty when there is none.
std::string iconLetter(std::string_view plainText);

} // namespace Publish
