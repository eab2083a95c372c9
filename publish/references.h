#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace Publish {

/// One place where a page body points at another file or address: an attribute value or a
/// CSS url() of a style attribute, entities decoded, as UTF-8 (what a browser would request).
struct BodyReference
{
    std::string target; ///< UTF-8, entities decoded, blanks around it removed
    int line = 1; ///< the body line the attribute is on, from 1
    bool picture = false; ///< the src of an <img> (or an image button)
};

/// A picture in a page body that has no alt text.
struct PictureWithoutAlt
{
    std::string source; ///< UTF-8, its src as written
    int line = 1;
};

/// What a page body refers to, read with an HTML5 parser.
struct BodyReading
{
    std::vector<BodyReference> references; ///< in the order they appear
    std::vector<PictureWithoutAlt> picturesWithoutAlt;
};

/// Reads a page body (Windows-1252 bytes, any content) as HTML and lists every src, href,
/// background, poster, object data, <param name="movie"> value and CSS url() in a style
/// attribute, with its line. Takes time in proportion to the body's length.
BodyReading ReadBodyReferences(std::string_view body);

} // namespace Publish
