#pragma once

#include "project/project.h"

#include <string>
#include <string_view>

namespace Publish {

/// The file names of the site's icons and its web app manifest, as every page links them.
namespace SiteIconFiles {
inline constexpr const char *Favicon = "favicon.ico";
inline constexpr const char *AppleTouch = "apple-touch-icon.png";
inline constexpr const char *Icon192 = "icon-192.png";
inline constexpr const char *Icon512 = "icon-512.png";
inline constexpr const char *Manifest = "site.webmanifest";
} // namespace SiteIconFiles

/// What a page's head lines say beyond the project's own fields.
struct PageHeadFacts
{
    std::string address; ///< the site's address ("https://example.org/"); empty when unknown
    /// The absolute address of the picture a link preview shows; empty when there is none.
    std::string previewPicture;
};

/// The lines a published page gets just before its "</head>", each ending in CR LF: its
/// canonical address (with an address), "noindex" for a page hidden from search engines, the
/// links to the icons and the manifest, and the link-preview tags of Open Graph and Twitter
/// cards (title, description, site name, type; address and picture when known). Every value
/// is escaped as attribute text.
std::string PageHeadLines(
    const Model::Project &project, Model::PageId page, const PageHeadFacts &facts);

/// The title a link preview shows for a page: "About - Linden Street Bakery"; the site's
/// title alone for the home page.
std::string previewTitle(const Model::Project &project, Model::PageId page);

/// The absolute address of a picture a page body refers to (UTF-8, as read from its src):
/// an http or https address as it stands, a name in the site (without a leading "/" or "..")
/// joined to the site's address, percent-escaped where needed; empty for anything else.
std::string absolutePictureAddress(std::string_view address, std::string_view source);

} // namespace Publish
