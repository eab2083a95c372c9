#include "publish/sitefiles.h"

#include "publish/headtags.h"
#include "publish/logo.h"
#include "publish/references.h"
#include "publish/siteicons.h"
#include "publish/webnames.h"

#include "project/sitefinding.h"

#include "platform/encoding.h"
#include "platform/fileerror.h"
#include "platform/files.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace Publish {
namespace {

std::string xmlText(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string jsonString(std::string_view utf8)
{
    std::string out = "\"";
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

void appendUtf8(std::string &out, std::uint32_t code)
{
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        code = 0xFFFD;
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

/// The character a reference at the start of `text` stands for, and its length; 0 length
/// when it is none this reader knows (it then stays as typed).
std::pair<std::uint32_t, std::size_t> referenceAt(std::string_view text)
{
    const auto end = text.find(';');
    if (!text.starts_with('&') || end == std::string_view::npos || end < 3 || end > 10)
        return { 0, 0 };
    const std::string_view name = text.substr(1, end - 1);
    if (name.front() == '#') {
        const bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
        const std::string digits(name.substr(hex ? 2 : 1));
        char *stop = nullptr;
        const unsigned long code = std::strtoul(digits.c_str(), &stop, hex ? 16 : 10);
        if (digits.empty() || *stop != '\0')
            return { 0, 0 };
        return { static_cast<std::uint32_t>(code), end + 1 };
    }
    static constexpr std::pair<std::string_view, std::uint32_t> Named[] = { { "amp", '&' },
        { "lt", '<' }, { "gt", '>' }, { "quot", '"' }, { "apos", '\'' }, { "nbsp", 0xA0 },
        { "copy", 0xA9 }, { "reg", 0xAE }, { "trade", 0x2122 }, { "eacute", 0xE9 },
        { "uuml", 0xFC }, { "ouml", 0xF6 }, { "auml", 0xE4 }, { "szlig", 0xDF } };
    for (const auto &[known, code] : Named) {
        if (name == known)
            return { code, end + 1 };
    }
    return { 0, 0 };
}

} // namespace

std::string RobotsText(std::string_view address)
{
    std::string text = "User-agent: *\r\nAllow: /\r\n";
    if (!address.empty())
        text += "\r\nSitemap: " + std::string(address) + "sitemap.xml\r\n";
    return text;
}

std::string SitemapText(std::string_view address, const std::vector<SitemapPage> &pages)
{
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                       "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\r\n";
    for (const SitemapPage &page : pages) {
        text += "  <url>\r\n    <loc>" + xmlText(std::string(address) + page.pageFile)
            + "</loc>\r\n    <lastmod>" + page.lastChanged + "</lastmod>\r\n  </url>\r\n";
    }
    return text + "</urlset>\r\n";
}

std::string plainTextOf(std::string_view typed)
{
    const std::string utf8 = Platform::cp1252ToUtf8(typed);
    std::string out;
    bool blank = false;
    for (std::size_t at = 0; at < utf8.size();) {
        const char c = utf8[at];
        if (c == '<') {
            // A tag ("<b>", "</b>") is left out; a "<" that starts none is text.
            const std::size_t name = at + 1 < utf8.size() && utf8[at + 1] == '/' ? at + 2 : at + 1;
            const auto close = utf8.find('>', at);
            if (close != std::string::npos && name < utf8.size()
                && std::isalpha(static_cast<unsigned char>(utf8[name]))) {
                at = close + 1;
                continue;
            }
        }
        if (static_cast<unsigned char>(c) <= 0x20) {
            blank = !out.empty();
            ++at;
            continue;
        }
        if (blank)
            out += ' ';
        blank = false;
        const auto [code, length] = referenceAt(std::string_view(utf8).substr(at));
        if (length > 0) {
            appendUtf8(out, code);
            at += length;
        } else {
            out += c;
            ++at;
        }
    }
    return out;
}

std::string WebManifestText(const ManifestFacts &facts)
{
    // The short name is what a phone shows under its icon: twelve characters at most, cut at
    // a word's end where there is one.
    std::string shortName;
    std::size_t characters = 0;
    std::size_t lastWordEnd = 0;
    for (std::size_t at = 0; at < facts.name.size(); ++at) {
        const auto byte = static_cast<unsigned char>(facts.name[at]);
        if ((byte & 0xC0) != 0x80) {
            if (characters == 12)
                break;
            ++characters;
            if (byte == ' ')
                lastWordEnd = at;
        }
        shortName += facts.name[at];
    }
    if (shortName.size() < facts.name.size() && lastWordEnd > 0)
        shortName.resize(lastWordEnd);

    std::string text = "{\n";
    text += "  \"name\": " + jsonString(facts.name) + ",\n";
    text += "  \"short_name\": " + jsonString(shortName) + ",\n";
    text += "  \"start_url\": " + jsonString(facts.startPage) + ",\n";
    text += "  \"display\": \"browser\",\n";
    text += "  \"theme_color\": " + jsonString(facts.themeColour) + ",\n";
    text += "  \"background_color\": " + jsonString(facts.backgroundColour) + ",\n";
    text += "  \"icons\": [\n";
    text += std::string("    {\"src\": \"") + SiteIconFiles::Icon192
        + "\", \"sizes\": \"192x192\", \"type\": \"image/png\"},\n";
    text += std::string("    {\"src\": \"") + SiteIconFiles::Icon512
        + "\", \"sizes\": \"512x512\", \"type\": \"image/png\"}\n";
    text += "  ]\n}\n";
    return text;
}

std::string templateAccentColour(std::string_view templateText)
{
    const auto at = templateText.find("--accent:");
    if (at == std::string_view::npos)
        return {};
    std::string_view rest = templateText.substr(at + 9);
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t'))
        rest.remove_prefix(1);
    if (rest.size() < 7 || rest.front() != '#')
        return {};
    std::string colour = "#";
    for (std::size_t i = 1; i < 7; ++i) {
        if (!std::isxdigit(static_cast<unsigned char>(rest[i])))
            return {};
        colour += static_cast<char>(std::toupper(static_cast<unsigned char>(rest[i])));
    }
    if (rest.size() > 7 && std::isxdigit(static_cast<unsigned char>(rest[7])))
        return {};
    return colour;
}

void WriteSearchFiles(const Platform::Directory &website, std::string_view address,
    const std::vector<SitemapPage> &pages)
{
    const auto write = [&](const char *name, const std::string &text) {
        Platform::File file = website.createFile(name);
        file.write(text);
        file.close();
    };
    write("robots.txt", RobotsText(address));
    if (!address.empty())
        write("sitemap.xml", SitemapText(address, pages));
}

} // namespace Publish

namespace Publish {
namespace {

/// The logo's address on the site: its file name beside the pages.
std::string logoAddress(std::string_view address, const std::string &logoPath)
{
    std::string name = relativeAddress(Platform::fileNameOf(logoPath));
    if (name.starts_with("./"))
        name.erase(0, 2);
    std::string joined(address);
    for (const char c : name)
        joined += c == ' ' ? std::string("%20") : std::string(1, c);
    return joined;
}

std::string bodyOf(const Model::Project &project, Model::PageId page, const PageBodyFiles *files)
{
    const auto index = static_cast<std::size_t>(page - 1);
    if (files && files->at(index)) {
        std::string body;
        Platform::readWholeFile(*files->at(index), body);
        return body;
    }
    return project.pageBody.at(index);
}

} // namespace

FoundSite GatherFoundSite(
    const PublishRequest &request, const Platform::Directory &templates, std::string_view today)
{
    const Model::Project &project = request.project;
    const PageBodyFiles *bodyFiles = request.bodyFiles;
    const std::string templateName
        = Model::choiceText(project.templateName, request.lists.templates);
    std::string templateText;
    try {
        Platform::File file = templates.openBeneath(templateFileName(templateName));
        Platform::readWholeFile(file, templateText);
    } catch (const Platform::FileError &) { }
    FoundSite site;
    site.address = Model::siteAddress(project);
    const bool hasLogo = project.logoPath.size() > 2;
    for (const Model::PageInfo &page : Model::PageCatalogue) {
        if (!Model::pageIncluded(project, page.id))
            continue;
        PageHeadFacts facts;
        facts.address = site.address;
        if (!site.address.empty()) {
            const std::string body = bodyOf(project, page.id, bodyFiles);
            if (!Model::hiddenFromSearch(project, page.id))
                site.sitemap.push_back(
                    { page.pageFile, Model::pageChangeDate(project, page.id, body, today) });
            if (hasLogo) {
                facts.previewPicture = logoAddress(site.address, project.logoPath);
            } else {
                for (const BodyReference &reference : ReadBodyReferences(body).references) {
                    if (reference.picture) {
                        facts.previewPicture
                            = absolutePictureAddress(site.address, reference.target);
                        break;
                    }
                }
                if (facts.previewPicture.empty())
                    facts.previewPicture = site.address + SiteIconFiles::Icon512;
            }
        }
        site.headLines.at(static_cast<std::size_t>(page.id - 1))
            = PageHeadLines(project, page.id, facts);
        if (site.manifest.startPage.empty())
            site.manifest.startPage = page.pageFile;
    }

    const std::string title = plainTextOf(project.siteTitle);
    site.manifest.name = title.empty() ? "Website" : title;
    std::string accent = templateAccentColour(templateText);
    if (accent.empty())
        accent = templateAccentColour("--accent: " + project.linkColor.text);
    site.manifest.themeColour = accent.empty() ? "#333333" : accent;
    site.manifest.backgroundColour = "#FFFFFF";
    site.iconLetter = iconLetter(title);
    return site;
}

void WriteFoundSiteFiles(
    const FoundSite &site, const Model::Project &project, const Platform::Directory &website)
{
    WriteSearchFiles(website, site.address, site.sitemap);
    std::string logo;
    if (project.logoPath.size() > 2) {
        Platform::File file = openLogo(project.logoPath);
        Platform::readWholeFile(file, logo);
    }
    const SiteIcons icons = DrawSiteIcons(logo, site.iconLetter, site.manifest.themeColour);
    const auto write = [&](const char *name, const std::string &bytes) {
        Platform::File file = website.createFile(name);
        file.write(bytes);
        file.close();
    };
    write(SiteIconFiles::Favicon, icons.favicon);
    write(SiteIconFiles::AppleTouch, icons.appleTouch);
    write(SiteIconFiles::Icon192, icons.icon192);
    write(SiteIconFiles::Icon512, icons.icon512);
    write(SiteIconFiles::Manifest, WebManifestText(site.manifest));
}

} // namespace Publish
