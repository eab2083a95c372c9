#pragma once

#include <string_view>

namespace Platform {

/// The maker's addresses, used by the help menu, the made-in line, the about window, the
/// template viewer, the update check and the Flash tool. Kept together so that a move of
/// the web site is one edit.
namespace Maker {
inline constexpr const char *WebSite = "https://www.corvanta.example/";
inline constexpr const char *SupportPage = "https://www.corvanta.example/support.html";
inline constexpr const char *EmailAddress = "support@corvanta.example";
inline constexpr const char *UpdateFolder = "http://update.corvanta.example/update/";
inline constexpr const char *UpdateFileAddress
    = "http://update.corvanta.example/update/updatecv.ini";
inline constexpr const char *FlashCabinet
    = "https://download.macromedia.com/pub/shockwave/cabs/flash/swflash.cab";
inline constexpr const char *FlashPlayerPage = "https://www.macromedia.com/go/getflashplayer";
} // namespace Maker

/// The version the program reports and compares with the update file.
inline constexpr const char *ProgramVersion = "v1.0";

/// The program's name and version, as its title bar and the made-in option say it.
inline constexpr const char *ProgramNameAndVersion = "Corvanta v1.0";
static_assert(std::string_view(ProgramNameAndVersion).ends_with(ProgramVersion));

} // namespace Platform
