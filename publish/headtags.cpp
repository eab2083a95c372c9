#include "publish/headtags.h"

#include "project/sitefinding.h"
#include "publish/webnames.h"

#include <cctype>
#include <cstdio>

namespace Publish {
namespace {

void metaLine(std::string &out, const char *attribute, const char *name, std::string_view value)
{
    out += std::string("<meta ") + attribute + "=\"" + name + "\" content=\""
        + htmlAttributeValue(value) + "\">\r\n";
}

bool hasScheme(std::string_view text, std::string_view scheme)
{
    if (text.size() < scheme.size())
        return false;
    for (std::size_t i = 0; i < scheme.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != scheme[i])
            return false;
    }
    return true;
}

} // namespace

std::string previewTitle(const Model::Project &project, Model::PageId page)
{
    if (page == 1)
        return project.siteTitle;
    return std::string(Model::pageInfo(page).caption) + " - " + project.siteTitle;
}

std::string absolutePictureAddress(std::string_view address, std::string_view source)
{
    const bool absolute = hasScheme(source, "http://") || hasScheme(source, "https://");
    if (!absolute
        && (address.empty() || source.empty() || source.starts_with('/') || source.starts_with("..")
            || source.find(':') < source.find('/')))
        return {};
    // The page is Windows-1252 and the source UTF-8: every byte beyond ASCII is escaped, so
    // the address means the same in both.
    std::string joined(absolute ? std::string_view() : address);
    for (const char c : source) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F || c == '"' || c == '<' || c == '>' || c == '\\'
            || c == '`') {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
            joined += escaped;
        } else {
            joined += c;
        }
    }
    return joined;
}

std::string PageHeadLines(
    const Model::Project &project, Model::PageId page, const PageHeadFacts &facts)
{
    const std::string pageAddress
        = facts.address.empty() ? std::string() : facts.address + Model::pageInfo(page).pageFile;
    std::string out;
    if (!pageAddress.empty())
        out += "<link rel=\"canonical\" href=\"" + htmlAttributeValue(pageAddress) + "\">\r\n";
    if (Model::hiddenFromSearch(project, page))
        out += "<meta name=\"robots\" content=\"noindex\">\r\n";

    out += std::string("<link rel=\"icon\" href=\"") + SiteIconFiles::Favicon
        + "\" sizes=\"16x16 32x32\">\r\n";
    out += std::string("<link rel=\"icon\" href=\"") + SiteIconFiles::Icon192
        + "\" type=\"image/png\" sizes=\"192x192\">\r\n";
    out += std::string("<link rel=\"apple-touch-icon\" href=\"") + SiteIconFiles::AppleTouch
        + "\">\r\n";
    out += std::string("<link rel=\"manifest\" href=\"") + SiteIconFiles::Manifest + "\">\r\n";

    const std::string title = previewTitle(project, page);
    metaLine(out, "property", "og:type", "website");
    metaLine(out, "property", "og:title", title);
    metaLine(out, "property", "og:site_name", project.siteTitle);
    if (!project.siteDescription.empty())
        metaLine(out, "property", "og:description", project.siteDescription);
    if (!pageAddress.empty())
        metaLine(out, "property", "og:url", pageAddress);
    if (!facts.previewPicture.empty())
        metaLine(out, "property", "og:image", facts.previewPicture);
    metaLine(out, "name", "twitter:card", "summary");
    metaLine(out, "name", "twitter:title", title);
    if (!project.siteDescription.empty())
        metaLine(out, "name", "twitter:description", project.siteDescription);
    if (!facts.previewPicture.empty())
        metaLine(out, "name", "twitter:image", facts.previewPicture);
    return out;
}

} // namespace Publish
