#pragma once

#include "project/project.h"
#include "project/projectsettings.h"

#include <optional>
#include <string>
#include <string_view>

namespace Model {

/// What helps search engines and link previews find and show the site, kept in the settings
/// file's own group:
///
///     [site]
///     address=https://lindenstreetbakery.example/
///     hiddenPages=faq.html jobs.html
///     changed.home.html=2026-12-07 8f2a01c4d9e3b7a6
///
/// "changed.PAGE" is the day the page's body last changed and a fingerprint of that body, so
/// that the sitemap can say when each page last changed however often the project is saved.
namespace SiteKeys {
inline constexpr const char *Site = "site";
inline constexpr const char *Address = "address";
inline constexpr const char *HiddenPages = "hiddenPages";
inline constexpr const char *ChangedPrefix = "changed.";
} // namespace SiteKeys

/// The site's address ("https://lindenstreetbakery.example/"), always ending in "/"; empty
/// when none was given.
std::string siteAddress(const Project &project);

/// The address as it is kept: an absolute http or https address with a host, its scheme and
/// host in lower case and "/" added at its end when missing; blanks around it are dropped and
/// an empty text stays empty (no address). Nothing when the text is no such address.
std::optional<std::string> normalisedSiteAddress(std::string_view typed);

/// Why a typed address is refused, as the person reads it.
std::string siteAddressRefusal(std::string_view typed);

/// Sets the address from what the person typed; returns the refusal, empty when it was taken.
std::string setSiteAddress(Project &project, std::string_view typed);

/// Whether the page asks search engines to leave it out ("Hide from search engines").
bool hiddenFromSearch(const Project &project, PageId page);
void setHiddenFromSearch(Project &project, PageId page, bool hidden);

/// A fingerprint of a page body (64-bit FNV-1a as 16 hexadecimal digits), the same on every
/// computer and in every version.
std::string bodyFingerprint(std::string_view body);

/// For a project with an address, records in `settings` the day (`today`, "YYYY-MM-DD") on which
/// each page body whose fingerprint differs from the one recorded changed; pages whose bodies are
/// as recorded keep their day.
void recordPageChanges(ProjectSettings &settings, const Project &project, std::string_view today);

/// The day a page body last changed: the recorded day when the body is still the one recorded,
/// else `today` (it changed since the last save, or was never saved by this version).
std::string pageChangeDate(
    const Project &project, PageId page, std::string_view body, std::string_view today);

/// Today's date in UTC, "YYYY-MM-DD".
std::string todayUtc();

} // namespace Model
