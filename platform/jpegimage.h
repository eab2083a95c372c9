#pragma once

#include <QImage>
#include <QString>

#include <string>
#include <string_view>

namespace Platform {

/// The largest picture the program decodes. Template previews and the product picture are a
/// few hundred pixels wide; the limits keep a stray photograph or a forged header from taking
/// hundreds of megabytes. A larger picture is refused with libjpeg's "image too big" error.
inline constexpr int MaxJpegSide = 8192;
inline constexpr long long MaxJpegPixels = 16LL * 1024 * 1024;

/// Decodes the bytes of a JPEG file into an image: colour pictures as RGB, greyscale ones as
/// greyscale, CMYK ones converted to RGB. Throws FileError "JPEG error #N" with libjpeg's
/// message code when the bytes are not a picture it can decode, a truncated one included.
QImage decodeJpeg(std::string_view bytes);

/// Decodes the JPEG file at `path` (Windows-1252). A file that cannot be opened is
/// "Cannot open file <path>".
QImage readJpegFile(const std::string &path);

/// Decodes a JPEG compiled into the program (":/about/product.jpg").
QImage readJpegResource(const QString &resourcePath);

} // namespace Platform
