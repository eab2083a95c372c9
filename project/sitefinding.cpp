#include "project/sitefinding.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <sstream>
#include <vector>

namespace Model {
namespace {

std::string_view trimmedBlanks(std::string_view text)
{
    const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string lowered(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

bool isHostCharacter(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.';
}

/// A host name of letters, digits and hyphens in dot-separated labels, or a bracketed IPv6
/// address, optionally followed by ":port".
bool isAuthority(std::string_view authority)
{
    std::string_view host = authority;
    if (host.starts_with('[')) {
        const auto close = host.find(']');
        if (close == std::string_view::npos || close < 3)
            return false;
        const std::string_view inside = host.substr(1, close - 1);
        if (!std::all_of(inside.begin(), inside.end(),
                [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) || c == ':'; }))
            return false;
        host = host.substr(close + 1);
        if (host.empty())
            return true;
        if (host.front() != ':')
            return false;
    } else {
        const auto colon = host.find(':');
        const std::string_view name = host.substr(0, colon);
        if (name.empty() || name.front() == '.' || name.back() == '.' || name.front() == '-'
            || name.find("..") != std::string_view::npos
            || !std::all_of(name.begin(), name.end(), isHostCharacter))
            return false;
        if (colon == std::string_view::npos)
            return true;
        host = host.substr(colon);
    }
    const std::string_view port = host.substr(1);
    return !port.empty() && port.size() <= 5 && std::all_of(port.begin(), port.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c));
    }) && std::stoi(std::string(port)) <= 65535;
}

/// Characters a path of an address may hold as they stand; anything else would have to be
/// percent-escaped, which a person typing an address does not do.
bool isPathCharacter(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 32 || byte >= 127)
        return false;
    return std::string_view("\"<>\\^`{|}?#").find(c) == std::string_view::npos;
}

std::string changedKey(PageId page)
{
    return std::string(SiteKeys::ChangedPrefix) + pageInfo(page).pageFile;
}

std::vector<std::string> hiddenPageFiles(const Project &project)
{
    std::vector<std::string> files;
    std::istringstream words(
        project.settings.value(SiteKeys::Site, SiteKeys::HiddenPages).value_or(""));
    for (std::string word; words >> word;)
        files.push_back(word);
    return files;
}

} // namespace

std::string siteAddress(const Project &project)
{
    const auto stored = project.settings.value(SiteKeys::Site, SiteKeys::Address);
    if (!stored)
        return {};
    // A hand-edited file is read by the same rule as a typed address.
    return normalisedSiteAddress(*stored).value_or("");
}

std::optional<std::string> normalisedSiteAddress(std::string_view typed)
{
    const std::string_view text = trimmedBlanks(typed);
    if (text.empty())
        return std::string();
    const auto schemeEnd = text.find("://");
    if (schemeEnd == std::string_view::npos)
        return std::nullopt;
    const std::string scheme = lowered(text.substr(0, schemeEnd));
    if (scheme != "http" && scheme != "https")
        return std::nullopt;
    const std::string_view rest = text.substr(schemeEnd + 3);
    const auto slash = rest.find('/');
    const std::string_view authority = rest.substr(0, slash);
    const std::string_view path
        = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
    if (!isAuthority(authority) || !std::all_of(path.begin(), path.end(), isPathCharacter))
        return std::nullopt;
    std::string address = scheme + "://" + lowered(authority) + std::string(path);
    if (!address.ends_with('/'))
        address += '/';
    return address;
}

std::string siteAddressRefusal(std::string_view typed)
{
    return "\"" + std::string(trimmedBlanks(typed).substr(0, 200))
        + "\" is not a website address. Type the whole address as it starts in a web browser, "
          "e.g. https://www.example.com/ (http:// or https://, the host name, and the folder "
          "of the site if it has one; no ? or #).";
}

std::string setSiteAddress(Project &project, std::string_view typed)
{
    const std::optional<std::string> address = normalisedSiteAddress(typed);
    if (!address)
        return siteAddressRefusal(typed);
    // A project that never had an address keeps its settings as they were.
    if (!address->empty() || project.settings.value(SiteKeys::Site, SiteKeys::Address))
        project.settings.setValue(SiteKeys::Site, SiteKeys::Address, *address);
    return {};
}

bool hiddenFromSearch(const Project &project, PageId page)
{
    const std::vector<std::string> files = hiddenPageFiles(project);
    return std::find(files.begin(), files.end(), pageInfo(page).pageFile) != files.end();
}

void setHiddenFromSearch(Project &project, PageId page, bool hidden)
{
    if (hiddenFromSearch(project, page) == hidden)
        return;
    // Kept in page order, so that the same choices always read the same.
    std::string value;
    for (const PageInfo &info : PageCatalogue) {
        const bool listed = info.id == page ? hidden : hiddenFromSearch(project, info.id);
        if (listed)
            value += std::string(value.empty() ? "" : " ") + info.pageFile;
    }
    project.settings.setValue(SiteKeys::Site, SiteKeys::HiddenPages, value);
}

std::string bodyFingerprint(std::string_view body)
{
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : body) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

void recordPageChanges(ProjectSettings &settings, const Project &project, std::string_view today)
{
    // Only a site with an address has a sitemap to tell the days to.
    if (siteAddress(project).empty())
        return;
    for (const PageInfo &info : PageCatalogue) {
        const std::string &body = project.pageBody.at(static_cast<std::size_t>(info.id - 1));
        const std::string key = changedKey(info.id);
        const std::string fingerprint = bodyFingerprint(body);
        const std::string recorded = settings.value(SiteKeys::Site, key).value_or("");
        if (recorded.ends_with(" " + fingerprint))
            continue;
        settings.setValue(SiteKeys::Site, key, std::string(today) + " " + fingerprint);
    }
}

std::string pageChangeDate(
    const Project &project, PageId page, std::string_view body, std::string_view today)
{
    const std::string recorded
        = project.settings.value(SiteKeys::Site, changedKey(page)).value_or("");
    const auto blank = recorded.find(' ');
    if (blank == 10 && recorded.substr(blank + 1) == bodyFingerprint(body))
        return recorded.substr(0, blank);
    return std::string(today);
}

std::string todayUtc()
{
    const std::time_t now = std::time(nullptr);
    std::tm parts {};
    gmtime_r(&now, &parts);
    char text[11];
    std::strftime(text, sizeof text, "%Y-%m-%d", &parts);
    return text;
}

} // namespace Model
