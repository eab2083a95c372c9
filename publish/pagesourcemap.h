#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

struct GumboInternalOutput;
struct GumboInternalNode;

namespace Publish {

/// How a browser showing one published page is brought to show another without reading it
/// again: children `first` to `first + removed` of one element of the body are replaced by the
/// nodes `markup` makes when read inside that element. The shapes say what the nodes removed
/// and those made must be, so that a page its scripts changed, or markup read otherwise
/// inside the element than in the whole page, is loaded again instead. A shape lists each
/// node in document order: its depth below the element's children, then `e`, the namespace
/// (`h`, `s` or `m`), the name in lower case, a blank and the number of attributes for an
/// element; `t` and the length in UTF-16 units for text; `c` for a comment; each ended by `;`.
struct PagePatch
{
    bool unchanged = false; ///< both pages make the same document: nothing is replaced
    std::vector<std::size_t> path; ///< the element: child numbers from the document down
    std::string parentName; ///< its name, lower case
    std::size_t parentChildren = 0; ///< its children in the page shown
    std::size_t first = 0;
    std::size_t removed = 0;
    std::string removedShape;
    std::string markup; ///< the new page's bytes (Windows-1252) that make the new nodes
    std::string addedShape;
};

class PageSourceMap;
/// The patch that turns the document of `shown` into that of `next`, when the two differ
/// only in the page body and the patch can be checked: nothing when it cannot (a change in
/// the head or the template, scripts in the body, nodes the parser moved, a change larger
/// than half the page).
std::optional<PagePatch> pagePatch(const PageSourceMap &shown, const PageSourceMap &next);

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

    /// A node of the page's document as a browser builds it, in document order.
    struct Node
    {
        std::uint64_t identity = 0; ///< a digest of its kind, name, attributes or text
        std::uint32_t depth = 0; ///< 1 for the document's children
        std::uint32_t start = 0; ///< where its markup starts (valid when `placed`)
        std::uint32_t end = 0; ///< where the markup of it and its descendants ends
        std::uint32_t measure = 0; ///< an element's attributes; a text's UTF-16 units
        std::uint32_t nameAt = 0; ///< an element of a name the parser does not know: its name
        std::uint16_t nameLength = 0;
        std::uint16_t tag = 0; ///< the parser's number for an element's name
        char kind = 0; ///< 'e' element, 't' text, 'c' comment, 'd' character data
        char space = 'h'; ///< an element's namespace: HTML, SVG or MathML
        bool placed = false; ///< written in the page where `start` says (not implied)
        bool risky = false; ///< a script, a handler, moved by the parser, ...
        bool named = false; ///< named by the page's scripts (see addScriptWords)
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
    friend std::optional<PagePatch> pagePatch(const PageSourceMap &, const PageSourceMap &);
    void readNodes(const GumboInternalOutput &output);
    Node elementNode(const GumboInternalNode &child);
    /// A text or comment node; a text is the next text piece (`pieces` counts them).
    Node textNode(const GumboInternalNode &child, std::size_t &pieces);
    std::uint32_t placeOf(const char *data) const;
    /// Keeps the words of the scripts in `markup`: a script may find an element by them.
    void addScriptWords(std::string_view markup);
    std::string nodeName(const Node &node) const;
    std::string shape(std::size_t from, std::size_t to, std::uint32_t depth) const;

    std::vector<Node> m_nodes;
    std::uint64_t m_documentIdentity = 0; ///< the doctype and the quirks mode
    bool m_scriptsInBody = false;
    std::unordered_set<std::string> m_scriptWords; ///< of the scripts around the body
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
