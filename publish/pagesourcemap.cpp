#include "publish/pagesourcemap.h"

#include "publish/webnames.h"

#include <gumbo.h>

#include <algorithm>
#include <limits>
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

/// A digest before anything is added to it (64-bit FNV-1a).
constexpr std::uint64_t Unmixed = 0xcbf29ce484222325ull;

/// A digest of bytes, added to `hash` (64-bit FNV-1a).
void mix(std::uint64_t &hash, std::string_view bytes)
{
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ull;
    }
    hash ^= 0xff; // ends the field, so that "ab","c" differs from "a","bc"
    hash *= 0x100000001b3ull;
}

std::string_view viewOf(const GumboStringPiece &piece) { return { piece.data, piece.length }; }

/// The UTF-16 units of UTF-8 text.
std::uint32_t utf16Units(std::string_view text)
{
    std::uint32_t units = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        units += (byte & 0xC0) != 0x80 ? 1 : 0;
        units += byte >= 0xF0 ? 1 : 0;
    }
    return units;
}

/// Elements whose presence makes a change unsafe to apply in place: scripts, markup a
/// browser reads otherwise than the parser (noscript with scripts on), contents kept apart
/// (template), and elements whose effect reaches beyond them (form, base, meta).
bool riskyTag(GumboTag tag)
{
    switch (tag) {
    case GUMBO_TAG_SCRIPT:
    case GUMBO_TAG_NOSCRIPT:
    case GUMBO_TAG_TEMPLATE:
    case GUMBO_TAG_PLAINTEXT:
    case GUMBO_TAG_FORM:
    case GUMBO_TAG_FRAMESET:
    case GUMBO_TAG_BASE:
    case GUMBO_TAG_META:
        return true;
    default:
        return false;
    }
}

/// The words of a text: runs of letters, digits, '_' and '-' (as a script or a selector
/// names elements, classes and attributes).
template <typename Visit> void forEachWord(std::string_view text, Visit visit)
{
    const auto inWord = [](char c) { return isAsciiAlnum(c) || c == '_' || c == '-'; };
    for (std::size_t at = 0; at < text.size();) {
        while (at < text.size() && !inWord(text[at]))
            ++at;
        const std::size_t start = at;
        while (at < text.size() && inWord(text[at]))
            ++at;
        if (at > start)
            visit(text.substr(start, at - start));
    }
}

/// Whether scripts of these words name the element's name, an attribute's, its id or class.
bool mentioned(const std::unordered_set<std::string> &words, const GumboElement &element,
    std::string_view name)
{
    if (words.empty())
        return false;
    bool found = words.count(lowerAscii(name)) != 0;
    for (unsigned a = 0; a < element.attributes.length && !found; ++a) {
        const auto *attribute = static_cast<const GumboAttribute *>(element.attributes.data[a]);
        const std::string_view attributeName = attribute->name;
        found = words.count(lowerAscii(attributeName)) != 0;
        if (attributeName == "id" || attributeName == "class") {
            forEachWord(lowerAscii(attribute->value), [&](std::string_view word) {
                found = found || words.count(std::string(word)) != 0;
            });
        }
    }
    return found;
}

constexpr unsigned MovedByTheParser = GUMBO_INSERTION_FOSTER_PARENTED
    | GUMBO_INSERTION_ADOPTION_AGENCY_MOVED | GUMBO_INSERTION_ADOPTION_AGENCY_CLONED
    | GUMBO_INSERTION_RECONSTRUCTED_FORMATTING_ELEMENT | GUMBO_INSERTION_CONVERTED_FROM_END_TAG
    | GUMBO_INSERTION_FROM_ISINDEX;

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

    addScriptWords(std::string_view(m_page).substr(0, m_bodyStart));
    addScriptWords(std::string_view(m_page).substr(m_bodyEnd));
    GumboOptions options = kGumboDefaultOptions;
    GumboOutput *output = gumbo_parse_with_options(&options, m_page.data(), m_page.size());
    readNodes(*output);
    gumbo_destroy_output(&options, output);
}

void PageSourceMap::readNodes(const GumboOutput &output)
{
    // Places are kept in 32 bits; a page past 4 GB gets its text pieces but no nodes.
    const bool keepNodes = m_page.size() < std::numeric_limits<std::uint32_t>::max();
    const GumboDocument &document = output.document->v.document;
    mix(m_documentIdentity, document.has_doctype ? "doctype" : "");
    mix(m_documentIdentity, document.name);
    mix(m_documentIdentity, document.public_identifier);
    mix(m_documentIdentity, document.system_identifier);
    mix(m_documentIdentity, std::to_string(document.doc_type_quirks_mode));

    struct Open
    {
        const GumboVector *children;
        unsigned next;
        std::size_t record; ///< the element's node, counted from 1; 0 for the document
    };
    std::vector<Open> path { { &document.children, 0u, 0 } };
    std::size_t pieces = 0;
    while (!path.empty()) {
        Open &open = path.back();
        if (open.next >= open.children->length) {
            const std::size_t closed = open.record;
            path.pop_back();
            if (closed != 0 && !path.empty() && path.back().record != 0)
                m_nodes[path.back().record - 1].end
                    = std::max(m_nodes[path.back().record - 1].end, m_nodes[closed - 1].end);
            continue;
        }
        const auto *child = static_cast<const GumboNode *>(open.children->data[open.next++]);
        const bool element
            = child->type == GUMBO_NODE_ELEMENT || child->type == GUMBO_NODE_TEMPLATE;
        Node node = element ? elementNode(*child) : textNode(*child, pieces);
        node.depth = static_cast<std::uint32_t>(path.size());
        node.risky = node.risky || (child->parse_flags & MovedByTheParser) != 0;
        if (keepNodes && open.record != 0)
            m_nodes[open.record - 1].end = std::max(m_nodes[open.record - 1].end, node.end);
        if (keepNodes)
            m_nodes.push_back(node);
        // A template's contents are a fragment apart: the document shows no children.
        if (child->type == GUMBO_NODE_ELEMENT)
            path.push_back({ &child->v.element.children, 0u, keepNodes ? m_nodes.size() : 0 });
    }
}

std::uint32_t PageSourceMap::placeOf(const char *data) const
{
    return static_cast<std::uint32_t>(data ? data - m_page.data() : 0);
}

PageSourceMap::Node PageSourceMap::elementNode(const GumboInternalNode &child)
{
    const GumboElement &element = child.v.element;
    Node node;
    node.kind = 'e';
    node.tag = static_cast<std::uint16_t>(element.tag);
    node.space = element.tag_namespace == GUMBO_NAMESPACE_SVG ? 's'
        : element.tag_namespace == GUMBO_NAMESPACE_MATHML     ? 'm'
                                                              : 'h';
    node.placed = element.original_tag.length > 0;
    node.start = placeOf(element.original_tag.data);
    node.end = node.start + static_cast<std::uint32_t>(element.original_tag.length);
    if (element.original_end_tag.length > 0)
        node.end = placeOf(element.original_end_tag.data)
            + static_cast<std::uint32_t>(element.original_end_tag.length);
    if (element.tag == GUMBO_TAG_UNKNOWN && node.placed) {
        GumboStringPiece name = element.original_tag;
        gumbo_tag_from_original_text(&name);
        node.nameAt = placeOf(name.data);
        node.nameLength = static_cast<std::uint16_t>(std::min<std::size_t>(name.length, 0xffff));
    }
    node.measure = element.attributes.length;
    std::uint64_t identity = Unmixed;
    mix(identity, std::string { 'e', node.space });
    mix(identity, nodeName(node));
    bool scripted = element.tag == GUMBO_TAG_SCRIPT;
    for (unsigned a = 0; a < element.attributes.length; ++a) {
        const auto *attribute = static_cast<const GumboAttribute *>(element.attributes.data[a]);
        const std::string_view name = attribute->name;
        mix(identity, name);
        mix(identity, attribute->value);
        mix(identity, viewOf(attribute->original_value));
        scripted = scripted || (name.size() > 2 && name.substr(0, 2) == "on");
    }
    node.identity = identity;
    node.risky = scripted || riskyTag(element.tag);
    node.named = mentioned(m_scriptWords, element, nodeName(node));
    if (scripted && node.start >= m_bodyStart && node.start < m_bodyEnd)
        m_scriptsInBody = true;
    return node;
}

PageSourceMap::Node PageSourceMap::textNode(const GumboInternalNode &child, std::size_t &pieces)
{
    const GumboText &text = child.v.text;
    Node node;
    node.kind = child.type == GUMBO_NODE_COMMENT ? 'c' : child.type == GUMBO_NODE_CDATA ? 'd' : 't';
    node.risky = node.kind == 'd';
    node.placed = text.original_text.length > 0;
    node.start = placeOf(text.original_text.data);
    node.end = node.start + static_cast<std::uint32_t>(text.original_text.length);
    node.measure = utf16Units(text.text);
    std::uint64_t identity = Unmixed;
    mix(identity, std::string(1, node.kind));
    mix(identity, text.text);
    mix(identity, viewOf(text.original_text));
    node.identity = identity;
    if (node.kind != 'c') {
        const std::size_t start = text.start_pos.offset;
        const std::size_t end = start + text.original_text.length;
        if (end > m_bodyStart && start < m_bodyEnd)
            m_pieces.push_back({ pieces, start, end });
        ++pieces;
    }
    return node;
}

void PageSourceMap::addScriptWords(std::string_view markup)
{
    // Read loosely: too many words only make fewer changes in place.
    const std::string text = lowerAscii(markup);
    for (std::size_t at = text.find("<script"); at != std::string::npos;
         at = text.find("<script", at + 1)) {
        // The script's text, after its start tag.
        const std::size_t start = std::min(text.find('>', at), text.size());
        const std::size_t end = std::max(std::min(text.find("</script", at), text.size()), start);
        forEachWord(std::string_view(text).substr(start, end - start),
            [this](std::string_view word) { m_scriptWords.emplace(word); });
        at = end == text.size() ? end - 1 : end;
    }
}

std::string PageSourceMap::nodeName(const Node &node) const
{
    if (node.kind != 'e')
        return {};
    if (node.tag != GUMBO_TAG_UNKNOWN)
        return gumbo_normalized_tagname(static_cast<GumboTag>(node.tag));
    return lowerAscii(std::string_view(m_page).substr(node.nameAt, node.nameLength));
}

std::string PageSourceMap::shape(std::size_t from, std::size_t to, std::uint32_t depth) const
{
    std::string shape;
    for (std::size_t index = from; index < to; ++index) {
        const Node &node = m_nodes[index];
        shape += std::to_string(node.depth - depth);
        shape += node.kind;
        if (node.kind == 'e')
            shape += node.space + nodeName(node) + ' ' + std::to_string(node.measure);
        else if (node.kind == 't')
            shape += std::to_string(node.measure);
        shape += ';';
    }
    return shape;
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
