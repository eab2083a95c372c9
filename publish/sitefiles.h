#pragma once

#include "platform/directory.h"
#include "project/project.h"
#include "publish/publishrequest.h"
#include "publish/renderpage.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace Publish {

/// One page in the sitemap: its file and the day its content last changed ("2026-12-07").
struct SitemapPage
{
    std::string pageFile;
    std::string lastChanged;
};

/// robots.txt: every crawler may read every page; with an address, the sitemap's address.
std::string RobotsText(std::string_view address);

/// sitemap.xml in the sitemaps.org 0.9 format: one <url> per page, with its <lastmod>.
std::string SitemapText(std::string_view address, const std::vector<SitemapPage> &pages);

/// What site.webmanifest says of the site.
struct ManifestFacts
{
    std::string name; ///< UTF-8
    std::string startPage; ///< the page the site opens with ("home.html")
    std::string themeColour; ///< "#RRGGBB"
    std::string backgroundColour; ///< "#RRGGBB"
};

/// site.webmanifest (JSON, UTF-8): name, short name (the name cut to at most 12 characters,
/// at a word's end where it can be), start page, display, colours and the two large icons.
std::string WebManifestText(const ManifestFacts &facts);

/// A site text as the person typed it (Windows-1252, possibly with tags and character
/// references) as plain UTF-8 text: tags dropped, character references decoded, blanks run
/// together.
std::string plainTextOf(std::string_view typed);

/// The colour a template names as its accent ("--accent: #12355b" in its style sheet), as
/// "#RRGGBB" in upper case; empty when it names none.
std::string templateAccentColour(std::string_view templateText);

/// Writes robots.txt and, with an address, sitemap.xml into `website`. Throws FileError.
void WriteSearchFiles(const Platform::Directory &website, std::string_view address,
    const std::vector<SitemapPage> &pages);

} // namespace Publish

namespace Publish {

/// What a publish run adds so that the site is found and shown well: each page's head lines,
/// the sitemap's pages and what the icons and manifest are drawn from. Gathered before the
/// pages are written.
struct FoundSite
{
    std::string address; ///< the site's address; empty when it has none
    std::array<std::string, Model::PageCount> headLines; ///< by page id less one
    std::vector<SitemapPage> sitemap; ///< ticked pages not hidden from search engines
    ManifestFacts manifest;
    std::string iconLetter; ///< drawn when there is no logo
};

/// Gathers the FoundSite of the request's project, published with its template from
/// `templates` (its accent colour draws the icons; a template that cannot be read is left to
/// the page writing to report). The bodies are read (from the request's page files when it
/// has them) only when the site has an address: for the day each changed and the picture its link
/// previews show. `today` is the day of the run ("2026-12-07"). Throws FileError.
FoundSite GatherFoundSite(
    const PublishRequest &request, const Platform::Directory &templates, std::string_view today);

/// Writes robots.txt, sitemap.xml (with an address), the icons and site.webmanifest into
/// `website`. Throws FileError.
void WriteFoundSiteFiles(
    const FoundSite &site, const Model::Project &project, const Platform::Directory &website);

} // namespace Publish
