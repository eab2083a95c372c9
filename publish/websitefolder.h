#pragma once

#include <string>

namespace Publish {

/// The folder a site is written into inside the publish directory the user chose.
inline constexpr const char *WebsiteFolderName = "website";

/// The directory the site is written into: "website" inside the chosen directory.
inline std::string websiteDirectoryOf(const std::string &publishDirectory)
{
    return publishDirectory + "/" + WebsiteFolderName;
}

} // namespace Publish
