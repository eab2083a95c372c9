#pragma once

#include "publish/publishrequest.h"

#include <string>
#include <string_view>

namespace Publish {

/// Looks at the request's site before it is published: for every ticked page, files its body
/// refers to that are missing, outside the project's folder, not regular files or the
/// project's own files, links to pages not in the site, an empty body, pictures without alt
/// text, and HTML errors (unclosed or misnested tags, unknown entities); for the site, a
/// title, slogan or copyright with a "<" that opens no HTML tag, and a logo that cannot be
/// read or is no picture; for the pictures the pages refer to, one over 1 MB that will be
/// published as it is, and, when pictures are not made web-ready, one that holds the place
/// where it was taken. Reads only the logo's and the pictures' first bytes, and the bodies
/// only when the request holds no reading of them. The result holds the findings,
/// site-wide ones first, then the pages' by page and line; nothing is written.
PublishResult CheckSite(const PublishRequest &request);

/// What giving the site its address would add, as the check tells it; empty when the site has
/// an address. A tip, not a finding: a site without an address publishes as it is.
std::string siteAddressTip(const Model::Project &project);

/// The first "<" in `text` that does not open or close an HTML tag a browser knows, with what
/// follows it up to its ">" (at most 40 characters); empty when every "<" does.
std::string strayMarkupIn(std::string_view text);

/// A finding as one line: "about.html:12: picture "bread.jpg" not found", or for the site as a
/// whole "site: the logo ...".
std::string findingLine(const SiteFinding &finding);

} // namespace Publish
