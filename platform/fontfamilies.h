#pragma once

#include <string>
#include <vector>

namespace Platform {

/// The font families installed here, as Qt's font database lists them, in Windows-1252; a
/// family whose name Windows-1252 cannot hold is left out, as no stylesheet could name it.
/// Needs a running QGuiApplication. (In platform_fonts, which links Qt's GUI module.)
std::vector<std::string> installedFontFamilies();

} // namespace Platform
