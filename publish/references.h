#pragma once

#include "project/project.h"
#include "publish/htmlcheck.h"
#include "publish/renderpage.h"

#include "platform/filemapping.h"

#include <array>
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
/// attribute, with its line: what an HTML5 parser finds in each tag that can refer to a file,
/// read in the place it stands (a cell in a row, a picture in an SVG drawing). The tags are
/// found in one pass over the body and most are read by that pass itself; the parser reads
/// only the tags whose reading takes it (character references, drawings, table parts). The
/// time is in proportion to the body's length however its tags nest.
BodyReading ReadBodyReferences(std::string_view body);

/// The same reading with the parser reading every tag: what ReadBodyReferences must equal.
BodyReading ReadBodyReferencesWithParser(std::string_view body);

/// The targets of ReadBodyReferences without their lines, each once, in the order they first
/// appear: what publishing needs to copy the files a body refers to. A value written the same
/// way twice is read once.
std::vector<std::string> ReadBodyTargets(std::string_view body);

/// ReadBodyTargets of a body file, seen through `mapping` (of `file`) where the system could
/// map it, else read into `buffer`, whose memory is used again. A file that changed while it
/// was seen through the mapping is read again into `buffer`.
std::vector<std::string> ReadBodyFileTargets(
    const Platform::File &file, const Platform::MappedFile &mapping, std::string &buffer);

/// Everything the check and the copying need to know of one page body, read once.
struct PageReading
{
    bool blank = true; ///< only blanks, or nothing at all
    BodyReading references; ///< what the body refers to
    std::vector<HtmlError> htmlErrors;
};

/// Reads a page body once for both the check and the copying: its HTML errors and its
/// references, in time proportional to its length.
PageReading ReadPageBody(std::string_view body);

/// The readings of a site's pages, by page id less one; a page that is not ticked is blank.
using SiteReading = std::array<PageReading, Model::PageCount>;

/// Reads the body of every ticked page (from `bodyFiles` when given).
SiteReading ReadSite(const Model::Project &project, const PageBodyFiles *bodyFiles = nullptr);

/// The distinct targets of each page's references (ReadBodyTargets), by page id less one.
using SiteTargets = std::array<std::vector<std::string>, Model::PageCount>;

/// The targets of a site already read, each once per page, in their order.
SiteTargets targetsOf(const SiteReading &reading);

} // namespace Publish
