#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace Publish {

/// One HTML error in a page body.
struct HtmlError
{
    int line = 1; ///< the body line, from 1
    std::string message; ///< Windows-1252, starting "HTML: "
};

/// A start tag whose attributes can refer to a file (src, href, background, poster, data,
/// value, style), or a picture, whose alt text is looked at.
struct ReferringTag
{
    std::size_t from = 0; ///< where its "<" is in the body
    std::size_t to = 0; ///< just past its ">"
    int line = 1; ///< the body line of its "<", from 1
    std::string name; ///< its name in lower case
    enum class Inside { Html, Svg, MathMl } inside = Inside::Html; ///< the markup it is part of
};

/// What one pass over a page body finds.
struct HtmlCheck
{
    std::vector<HtmlError> errors; ///< in body order, at most MostHtmlErrors and a count
    std::vector<ReferringTag> referringTags; ///< in body order
};

/// The errors listed for one page before the rest are only counted.
inline constexpr std::size_t MostHtmlErrors = 1000;

/// Goes once over a page body (Windows-1252 bytes, any content) and lists its HTML errors:
/// tags never closed, closed in the wrong order or closing nothing, comments never ended,
/// unknown entities and entities without their ";"; and the tags that can refer to files,
/// for an HTML parser to read. Comments, scripts and styles are passed over as a browser
/// does. Takes time in proportion to the body's length, however deep its tags nest.
HtmlCheck CheckHtml(std::string_view body);

/// The referring tags of CheckHtml alone, found by the same pass without listing errors.
std::vector<ReferringTag> FindReferringTags(std::string_view body);

/// True when "&name;" is a character reference a browser knows, such as "&copy;".
bool isKnownEntityName(std::string_view name);

} // namespace Publish
