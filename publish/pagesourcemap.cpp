#include "publish/pagesourcemap.h"

#include <gumbo.h>

#include <algorithm>
#include <utility>

namespace Publish {

namespace {

bool isAsciiAlnum(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

/// The character a browser shows for the bytes at `at`: how many bytes it takes and how many
/// UTF-16 units it shows as. A CR LF is one line feed; a character reference is one character
/// (two units beyond the Basic Multilingual Plane); every other byte is one Windows-1252
/// character.
std::pair<std::size_t, std::size_t> shownCharacter(std::string_view text, std::size_t at)
{
    if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n')
        return { 2, 1 };
    if (text[at] != '&')
        return { 1, 1 };
    std::size_t next = at + 1;
    if (next < text.size() && text[next] == '#') {
        ++next;
        const bool hex = next < text.size() && (text[next] == 'x' || text[next] == 'X');
        if (hex)
            ++next;
        unsigned long value = 0;
        const std::size_t digits = next;
        while (next < text.size() && isAsciiAlnum(text[next])) {
            const char c = text[next];
            const int digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
            if (digit >= (hex ? 16 : 10))
                break;
            value
                = std::min(value * (hex ? 16 : 10) + static_cast<unsigned long>(digit), 0x110000ul);
            ++next;
        }
        if (next == digits)
            return { 1, 1 };
        if (next < text.size() && text[next] == ';')
            ++next;
        return { next - at, value > 0xFFFF && value <= 0x10FFFF ? 2 : 1 };
    }
    while (next < text.size() && isAsciiAlnum(text[next]))
        ++next;
    // A named reference counts as one character only when it is closed; "&copy" and the like
    // without one are rare in pages and shown as written.
    if (next > at + 1 && next < text.size() && text[next] == ';')
        return { next + 1 - at, 1 };
    return { 1, 1 };
}

/// Every text piece of the parsed page in document order, as a browser's tree has them: the
/// contents of a template element belong to a fragment of their own and are left out.
template <typename Visit> void forEachTextPiece(const GumboNode *root, Visit visit)
{
    std::vector<std::pair<const GumboNode *, unsigned>> path { { root, 0u } };
    while (!path.empty()) {
        auto &[node, next] = path.back();
        if (node->type != GUMBO_NODE_DOCUMENT && node->type != GUMBO_NODE_ELEMENT) {
            path.pop_back();
            continue;
        }
        const GumboVector &children = node->type == GUMBO_NODE_DOCUMENT ? node->v.document.children
                                                                        : node->v.element.children;
        if (next >= children.length) {
            path.pop_back();
            continue;
        }
        const auto *child = static_cast<const GumboNode *>(children.data[next++]);
        switch (child->type) {
        case GUMBO_NODE_TEXT:
        case GUMBO_NODE_WHITESPACE:
        case GUMBO_NODE_CDATA:
            visit(child->v.text);
            break;
        case GUMBO_NODE_ELEMENT:
            path.emplace_back(child, 0u);
            break;
        default: // comments and template contents
            break;
        }
    }
}

} // namespace

PageSourceMap::PageSourceMap(std::string page, std::string_view body)
    : m_page(std::move(page))
{
    // The body fills the line that held the template's content placeholder.
    const std::string bodyLine = "\n" + std::string(body) + "\r\n";
    const std::size_t found = body.empty() ? std::string::npos : m_page.find(bodyLine);
    if (found == std::string::npos)
        return;
    m_bodyStart = found + 1;
    m_bodyEnd = m_bodyStart + body.size();
    m_lineStarts.push_back(0);
    for (std::size_t at = body.find('\n'); at != std::string_view::npos;
         at = body.find('\n', at + 1))
        m_lineStarts.push_back(at + 1);

    GumboOptions options = kGumboDefaultOptions;
    GumboOutput *output = gumbo_parse_with_options(&options, m_page.data(), m_page.size());
    std::size_t index = 0;
    forEachTextPiece(output->document, [&](const GumboText &text) {
        const std::size_t start = text.start_pos.offset;
        const std::size_t end = start + text.original_text.length;
        if (end > m_bodyStart && start < m_bodyEnd)
            m_pieces.push_back({ index, start, end });
        ++index;
    });
    gumbo_destroy_output(&options, output);
}

const PageSourceMap::Piece *PageSourceMap::findPiece(std::size_t index) const
{
    const auto piece = std::lower_bound(m_pieces.begin(), m_pieces.end(), index,
        [](const Piece &p, std::size_t wanted) { return p.index < wanted; });
    return piece == m_pieces.end() || piece->index != index ? nullptr : &*piece;
}

std::size_t PageSourceMap::pieceLength(std::size_t index) const
{
    const Piece *piece = findPiece(index);
    std::size_t units = 0;
    for (std::size_t at = piece ? piece->start : 0; piece && at < piece->end;) {
        const auto [bytes, shownUnits] = shownCharacter(m_page, at);
        at += bytes;
        units += shownUnits;
    }
    return units;
}

std::optional<PageSourceMap::BodyPlace> PageSourceMap::bodyPlace(
    ShownPlace shown, std::size_t shownLength) const
{
    // A script of the page may have added or removed a piece before this one.
    constexpr std::size_t Reach = 3;
    if (shownLength != 0 && pieceLength(shown.piece) != shownLength) {
        for (std::size_t step = 1; step <= Reach; ++step) {
            if (pieceLength(shown.piece + step) == shownLength) {
                shown.piece += step;
                break;
            }
            if (shown.piece >= step && pieceLength(shown.piece - step) == shownLength) {
                shown.piece -= step;
                break;
            }
        }
    }
    const Piece *piece = findPiece(shown.piece);
    if (!piece)
        return std::nullopt;
    std::size_t at = piece->start;
    for (std::size_t units = 0; units < shown.offset && at < piece->end;) {
        const auto [bytes, shownUnits] = shownCharacter(m_page, at);
        at += bytes;
        units += shownUnits;
    }
    if (at < m_bodyStart || at > m_bodyEnd)
        return std::nullopt;
    const std::size_t offset = at - m_bodyStart;
    const auto line = std::upper_bound(m_lineStarts.begin(), m_lineStarts.end(), offset) - 1;
    return BodyPlace { static_cast<int>(line - m_lineStarts.begin()),
        static_cast<int>(offset - *line) };
}

std::size_t PageSourceMap::bodyOffset(BodyPlace place) const
{
    const auto line = static_cast<std::size_t>(
        std::clamp(place.line, 0, static_cast<int>(m_lineStarts.size()) - 1));
    const std::size_t lineEnd
        = line + 1 < m_lineStarts.size() ? m_lineStarts[line + 1] : m_bodyEnd - m_bodyStart;
    return std::min(
        m_lineStarts[line] + static_cast<std::size_t>(std::max(place.column, 0)), lineEnd);
}

std::optional<PageSourceMap::ShownPlace> PageSourceMap::shownPlace(BodyPlace place) const
{
    if (m_lineStarts.empty())
        return std::nullopt;
    const std::size_t target = m_bodyStart + bodyOffset(place);
    const auto piece = std::upper_bound(m_pieces.begin(), m_pieces.end(), target,
        [](std::size_t at, const Piece &p) { return at < p.end; });
    if (piece == m_pieces.end())
        return std::nullopt;
    std::size_t units = 0;
    for (std::size_t at = piece->start; at < target;) {
        const auto [bytes, shownUnits] = shownCharacter(m_page, at);
        at += bytes;
        units += shownUnits;
    }
    return ShownPlace { piece->index, units };
}

} // namespace Publish
