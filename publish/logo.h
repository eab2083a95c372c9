#pragma once

#include "platform/directory.h"
#include "platform/files.h"

#include <string>
#include <string_view>

namespace Publish {

/// True when the first bytes of a file (as many as LogoHeadSize, or the whole file when it is
/// shorter) are those of a JPEG, PNG, GIF, WebP or SVG picture.
bool isPictureContent(std::string_view head);

/// How much of a logo is read to tell whether it is a picture: enough for the comments and
/// document type an SVG drawing may have before its first tag.
inline constexpr std::size_t LogoHeadSize = std::size_t { 64 } * 1024;

/// Opens the logo for reading, if it is a picture: a logo is the person's own file, wherever
/// it lies, so only a plain file whose content is a JPEG, PNG, GIF, WebP or SVG picture is
/// taken; anything else could put a private file online. The file itself is never changed.
/// Throws FileError: the open's own text ("File not found"), or a message naming the path.
Platform::File openLogo(const std::string &logoPath);

/// Why the logo could not be put in the website, as a finding reads ("is not a JPEG, ...
/// picture", "cannot be read: File not found"); empty when it can.
std::string logoProblem(const std::string &logoPath);

} // namespace Publish
