#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Publish {

/// Where the words a browser shows of a published page were written in the page's body. The
/// page is read as a browser reads it (the HTML parsing rules), so its text pieces (the DOM's
/// text nodes, counted in document order from 0) are the browser's; a place inside a piece is
/// counted in the browser's characters (UTF-16 units, a character reference or a CR LF being
/// one). The map lives beside the page: the published bytes stay exactly as they are.
class PageSourceMap
{
public:
    /// A place in the body: line and column from 0, columns in Windows-1252 characters.
    struct BodyPlace
    {
        int line = 0;
        int column = 0;
        bool operator==(const BodyPlace &) const = default;
    };
    /// A place in what the browser shows: a text piece and a character inside it.
    struct ShownPlace
    {
        std::size_t piece = 0;
        std::size_t offset = 0;
        bool operator==(const ShownPlace &) const = default;
    };

    PageSourceMap() = default;
    /// Reads `page`, the published bytes, whose body (`body`, as written into the page on a
    /// line of its own) is found in it.
    PageSourceMap(std::string page, std::string_view body);

    /// The body place of a shown place; nothing when that text comes from the template. With
    /// the length of the piece as shown, a piece a page's script added or removed before it
    /// (which moves the browser's numbers by one or two) is allowed for: a near piece of that
    /// length is taken.
    std::optional<BodyPlace> bodyPlace(ShownPlace shown, std::size_t shownLength = 0) const;
    /// The length in shown characters of the page's text piece `index`; 0 when it is not one
    /// that reaches into the body.
    std::size_t pieceLength(std::size_t index) const;
    /// The shown place of a body place: inside the text piece that holds it, or the start of
    /// the next one when the place is inside markup; nothing past the body's last text.
    std::optional<ShownPlace> shownPlace(BodyPlace place) const;

private:
    struct Piece
    {
        std::size_t index = 0; ///< the piece's number among all the page's text pieces
        std::size_t start = 0; ///< where its text starts in the page
        std::size_t end = 0;
    };
    std::size_t bodyOffset(BodyPlace place) const;
    const Piece *findPiece(std::size_t index) const;

    std::string m_page;
    std::size_t m_bodyStart = 0;
    std::size_t m_bodyEnd = 0;
    std::vector<Piece> m_pieces; ///< the pieces that reach into the body, in page order
    std::vector<std::size_t> m_lineStarts; ///< the body's line starts, as body offsets
};

} // namespace Publish
