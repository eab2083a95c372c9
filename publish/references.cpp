#include "publish/references.h"

#include "publish/webnames.h"

#include "platform/encoding.h"
#include "platform/files.h"

#include <gumbo.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <unordered_set>

namespace Publish {
namespace {

std::string trimmed(std::string_view text) { return std::string(withoutHtmlBlanks(text)); }

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == y;
    });
}

const GumboAttribute *attributeOf(const GumboElement &element, const char *name)
{
    return gumbo_get_attribute(&element.attributes, name);
}

/// Adds every url(...) of a CSS declaration list: quoted or bare, blanks inside the
/// parentheses allowed.
void addStyleUrls(std::string_view style, int line, std::vector<BodyReference> &references)
{
    std::size_t at = 0;
    while (at + 4 <= style.size()) {
        if (!equalsIgnoringCase(style.substr(at, 4), "url(")) {
            ++at;
            continue;
        }
        at += 4;
        while (at < style.size() && isHtmlBlank(style[at]))
            ++at;
        std::size_t end;
        if (at < style.size() && (style[at] == '"' || style[at] == '\'')) {
            const char quote = style[at++];
            end = style.find(quote, at);
        } else {
            end = style.find(')', at);
        }
        if (end == std::string_view::npos)
            end = style.size();
        std::string target = trimmed(style.substr(at, end - at));
        if (!target.empty())
            references.push_back({ std::move(target), line, false });
        at = end;
    }
}

void readElement(const GumboElement &element, BodyReading &reading)
{
    const auto add = [&](const GumboAttribute *attribute, bool picture) {
        if (!attribute)
            return;
        std::string target = trimmed(attribute->value);
        if (!target.empty()) {
            reading.references.push_back(
                { std::move(target), static_cast<int>(attribute->value_start.line), picture });
        }
    };
    const bool isPicture = element.tag == GUMBO_TAG_IMG
        || (element.tag == GUMBO_TAG_INPUT && attributeOf(element, "type")
            && equalsIgnoringCase(attributeOf(element, "type")->value, "image"));
    add(attributeOf(element, "src"), isPicture);
    add(attributeOf(element, "href"), false);
    add(attributeOf(element, "background"), false);
    add(attributeOf(element, "poster"), false);
    if (element.tag == GUMBO_TAG_OBJECT)
        add(attributeOf(element, "data"), false);
    if (element.tag == GUMBO_TAG_PARAM) {
        const GumboAttribute *name = attributeOf(element, "name");
        if (name && equalsIgnoringCase(trimmed(name->value), "movie"))
            add(attributeOf(element, "value"), false);
    }
    if (const GumboAttribute *style = attributeOf(element, "style"))
        addStyleUrls(style->value, static_cast<int>(style->value_start.line), reading.references);
    if (element.tag == GUMBO_TAG_IMG && !attributeOf(element, "alt")) {
        const GumboAttribute *source = attributeOf(element, "src");
        reading.picturesWithoutAlt.push_back({ source ? trimmed(source->value) : std::string(),
            static_cast<int>(element.start_pos.line) });
    }
}

/// The element a tag is read inside of, as the parser would meet it in a body.
GumboTag contextOf(const ReferringTag &tag)
{
    switch (tag.inside) {
    case ReferringTag::Inside::Svg:
        return GUMBO_TAG_SVG;
    case ReferringTag::Inside::MathMl:
        return GUMBO_TAG_MATH;
    case ReferringTag::Inside::Html:
        break;
    }
    const std::string &name = tag.name;
    if (name == "td" || name == "th")
        return GUMBO_TAG_TR;
    if (name == "tr")
        return GUMBO_TAG_TBODY;
    if (name == "tbody" || name == "thead" || name == "tfoot" || name == "caption"
        || name == "colgroup")
        return GUMBO_TAG_TABLE;
    if (name == "col")
        return GUMBO_TAG_COLGROUP;
    if (name == "option" || name == "optgroup")
        return GUMBO_TAG_SELECT;
    return GUMBO_TAG_BODY;
}

/// Reads one tag with the HTML parser and adds what it refers to; lines count from the
/// tag's own line.
void readTag(std::string_view body, const ReferringTag &tag, BodyReading &reading)
{
    const std::string utf8 = Platform::cp1252ToUtf8(body.substr(tag.from, tag.to - tag.from));
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0; // HTML errors are the check's business, not this reader's
    options.fragment_context = contextOf(tag);
    options.fragment_namespace = tag.inside == ReferringTag::Inside::Svg ? GUMBO_NAMESPACE_SVG
        : tag.inside == ReferringTag::Inside::MathMl                     ? GUMBO_NAMESPACE_MATHML
                                                                         : GUMBO_NAMESPACE_HTML;
    GumboOutput *output = gumbo_parse_with_options(&options, utf8.data(), utf8.size());
    BodyReading found;
    std::vector<const GumboNode *> pending { output->root };
    while (!pending.empty()) {
        const GumboNode *node = pending.back();
        pending.pop_back();
        if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE)
            continue;
        const GumboElement &element = node->v.element;
        // Elements the parser made up (the html around a fragment) are not the user's.
        if (!(node->parse_flags & GUMBO_INSERTION_BY_PARSER))
            readElement(element, found);
        for (unsigned i = element.children.length; i > 0; --i)
            pending.push_back(static_cast<const GumboNode *>(element.children.data[i - 1]));
    }
    gumbo_destroy_output(&options, output);
    for (BodyReference &reference : found.references) {
        reference.line += tag.line - 1;
        reading.references.push_back(std::move(reference));
    }
    for (PictureWithoutAlt &picture : found.picturesWithoutAlt) {
        picture.line += tag.line - 1;
        reading.picturesWithoutAlt.push_back(std::move(picture));
    }
}

// ---- The fast reading: what the parser would find in a tag, without the parser ----

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

/// True when `written` is `lowered` but for the letter case of ASCII letters.
bool sameName(std::string_view written, std::string_view lowered)
{
    if (written.size() != lowered.size())
        return false;
    for (std::size_t i = 0; i < written.size(); ++i) {
        if (lowerAscii(written[i]) != lowered[i])
            return false;
    }
    return true;
}

/// The attributes the reading looks at; the first seven can refer to a file.
enum Attribute : unsigned { Src, Href, Background, Poster, Data, Value, Style, Alt, Type, Name };
constexpr unsigned AttributeCount = 10;
constexpr unsigned OtherAttribute = AttributeCount;

unsigned attributeOf(std::string_view written)
{
    switch (written.size()) {
    case 3:
        return sameName(written, "src") ? Src : sameName(written, "alt") ? Alt : OtherAttribute;
    case 4:
        return sameName(written, "href") ? Href
            : sameName(written, "data")  ? Data
            : sameName(written, "type")  ? Type
            : sameName(written, "name")  ? Name
                                         : OtherAttribute;
    case 5:
        return sameName(written, "value") ? Value
            : sameName(written, "style")  ? Style
                                          : OtherAttribute;
    case 6:
        return sameName(written, "poster") ? Poster : OtherAttribute;
    case 10:
        return sameName(written, "background") ? Background : OtherAttribute;
    default:
        return OtherAttribute;
    }
}

/// How a tag's name matters to finding and reading its references.
enum class TagKind {
    Plain, ///< an element like any other, found and read alike
    Ignored, ///< <html>, <head>, <body>: the page around the body has them
    RawText, ///< its content is text up to its own end tag
    PlainText, ///< everything after it is text
    Foreign, ///< <svg>, <math>: tags inside are read as drawing or formula
    Img,
    Image, ///< read as an <img> by the parser
    Input,
    Object,
    Param,
    ParserOnly ///< the parser drops it or builds others in its place in a body
};

TagKind tagKindOf(std::string_view written)
{
    if (written.size() < 2 || written.size() > 9)
        return TagKind::Plain;
    char lowered[9];
    for (std::size_t i = 0; i < written.size(); ++i)
        lowered[i] = lowerAscii(written[i]);
    const std::string_view name(lowered, written.size());
    static constexpr std::pair<std::string_view, TagKind> Kinds[] = { { "html", TagKind::Ignored },
        { "head", TagKind::Ignored }, { "body", TagKind::Ignored }, { "iframe", TagKind::RawText },
        { "noembed", TagKind::RawText }, { "noframes", TagKind::RawText },
        { "script", TagKind::RawText }, { "style", TagKind::RawText },
        { "textarea", TagKind::RawText }, { "title", TagKind::RawText },
        { "xmp", TagKind::RawText }, { "plaintext", TagKind::PlainText },
        { "svg", TagKind::Foreign }, { "math", TagKind::Foreign }, { "img", TagKind::Img },
        { "image", TagKind::Image }, { "input", TagKind::Input }, { "object", TagKind::Object },
        { "param", TagKind::Param }, { "td", TagKind::ParserOnly }, { "th", TagKind::ParserOnly },
        { "tr", TagKind::ParserOnly }, { "col", TagKind::ParserOnly },
        { "tbody", TagKind::ParserOnly }, { "thead", TagKind::ParserOnly },
        { "tfoot", TagKind::ParserOnly }, { "caption", TagKind::ParserOnly },
        { "colgroup", TagKind::ParserOnly }, { "frame", TagKind::ParserOnly },
        { "frameset", TagKind::ParserOnly }, { "isindex", TagKind::ParserOnly },
        { "option", TagKind::ParserOnly }, { "optgroup", TagKind::ParserOnly },
        { "template", TagKind::ParserOnly } };
    for (const auto &[known, kind] : Kinds) {
        if (known == name)
            return kind;
    }
    return TagKind::Plain;
}

/// Where one attribute's value is in the body.
struct ValueSpan
{
    std::size_t from = 0;
    std::size_t to = 0;
    std::size_t at = 0; ///< its opening quote, or its first character
};

/// The attributes of a start tag as the parser keeps them: the first of each name.
struct TagAttributes
{
    std::size_t after = 0; ///< just past the ">", or npos when the body ends inside the tag
    bool selfClosing = false;
    bool refers = false; ///< an attribute that can refer to a file is there
    static constexpr std::size_t MostNames = 16;
    std::array<std::string_view, MostNames> names; ///< the first ones, as written
    std::size_t nameCount = 0; ///< all of them
    unsigned present = 0; ///< a bit for each Attribute
    std::array<ValueSpan, AttributeCount> values;

    bool has(unsigned attribute) const { return present & (1u << attribute); }
    std::string_view value(std::string_view body, unsigned attribute) const
    {
        return body.substr(values[attribute].from, values[attribute].to - values[attribute].from);
    }
};

/// A character of an attribute name as the parser compares names: ASCII letters in lower
/// case, and every character it cannot take (NUL, control characters, undefined bytes) the
/// same one.
char comparedCharacter(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    const bool replaced = byte < 0x20 || byte == 0x7F || byte == 0x81 || byte == 0x8D
        || byte == 0x8F || byte == 0x90 || byte == 0x9D;
    return replaced ? '\x01' : lowerAscii(c);
}

/// True when two attributes of the tag have the same name to the parser (or there are too
/// many to tell).
bool hasRepeatedName(const TagAttributes &tag)
{
    if (tag.nameCount > TagAttributes::MostNames)
        return true;
    for (std::size_t i = 0; i < tag.nameCount; ++i) {
        for (std::size_t j = i + 1; j < tag.nameCount; ++j) {
            const std::string_view a = tag.names[i];
            const std::string_view b = tag.names[j];
            if (a.size() == b.size()
                && std::equal(a.begin(), a.end(), b.begin(),
                    [](char x, char y) { return comparedCharacter(x) == comparedCharacter(y); }))
                return true;
        }
    }
    return false;
}

/// Reads the attributes from `at` up to the tag's ">" as the check's tag loop does: the same
/// extent, quoted values passed over whole; notes the names and where the values of the
/// attributes the reading looks at are (of the first attribute of each name).
void readAttributes(std::string_view body, std::size_t at, TagAttributes &tag)
{
    const std::size_t size = body.size();
    tag.selfClosing = false;
    tag.refers = false;
    tag.present = 0;
    tag.nameCount = 0;
    while (at < size) {
        const char c = body[at];
        if (c == '>') {
            tag.after = at + 1;
            return;
        }
        if (isHtmlBlank(c)) {
            ++at;
            continue;
        }
        if (c == '/') {
            tag.selfClosing = at + 1 < size && body[at + 1] == '>';
            ++at;
            continue;
        }
        tag.selfClosing = false;
        const std::size_t nameFrom = at++;
        while (at < size && !isHtmlBlank(body[at]) && body[at] != '/' && body[at] != '>'
            && body[at] != '=')
            ++at;
        const std::string_view written = body.substr(nameFrom, at - nameFrom);
        if (tag.nameCount < TagAttributes::MostNames)
            tag.names[tag.nameCount] = written;
        ++tag.nameCount;
        unsigned attribute = attributeOf(written);
        tag.refers = tag.refers || attribute <= Style;
        if (attribute < AttributeCount && tag.has(attribute))
            attribute = OtherAttribute;
        if (attribute < AttributeCount) {
            tag.present |= 1u << attribute;
            tag.values[attribute] = { at, at, at };
        }
        while (at < size && isHtmlBlank(body[at]))
            ++at;
        if (at >= size || body[at] != '=')
            continue;
        ++at;
        while (at < size && isHtmlBlank(body[at]))
            ++at;
        ValueSpan span { at, at, at };
        if (at < size && (body[at] == '"' || body[at] == '\'')) {
            const char *close = static_cast<const char *>(
                std::memchr(body.data() + at + 1, body[at], size - at - 1));
            if (!close)
                break;
            span.from = at + 1;
            span.to = static_cast<std::size_t>(close - body.data());
            at = span.to + 1;
        } else {
            span.from = at;
            while (at < size && !isHtmlBlank(body[at]) && body[at] != '>')
                ++at;
            span.to = at;
        }
        if (attribute < AttributeCount)
            tag.values[attribute] = span;
    }
    tag.after = std::string_view::npos;
}

/// The end of a tag name that starts at `from`.
std::size_t nameEnd(std::string_view body, std::size_t from)
{
    while (from < body.size() && !isHtmlBlank(body[from]) && body[from] != '/' && body[from] != '>')
        ++from;
    return from;
}

std::size_t skipPast(std::string_view body, char end, std::size_t from)
{
    const std::size_t found = body.find(end, from);
    return found == std::string_view::npos ? body.size() : found + 1;
}

/// Passes over the text of a <script>, <style> and the like up to its end tag.
std::size_t skipRawText(std::string_view body, std::string_view written, std::size_t from)
{
    for (std::size_t candidate = body.find("</", from); candidate != std::string_view::npos;
         candidate = body.find("</", candidate + 2)) {
        const std::string_view after = body.substr(candidate + 2, written.size());
        const std::size_t end = candidate + 2 + written.size();
        if (after.size() == written.size()
            && std::equal(after.begin(), after.end(), written.begin(),
                [](char a, char b) { return lowerAscii(a) == lowerAscii(b); })
            && (end >= body.size() || isHtmlBlank(body[end]) || body[end] == '>'
                || body[end] == '/'))
            return skipPast(body, '>', end);
    }
    return body.size();
}

/// Where the next "<" from `from` is, or the body's size. Tags are often only a few bytes
/// apart, so this looks sixteen bytes at a time without calling out.
std::size_t nextLessThan(std::string_view body, std::size_t from)
{
#if defined(__SSE2__)
    const __m128i lessThan = _mm_set1_epi8('<');
    for (; from + 16 <= body.size(); from += 16) {
        const __m128i block
            = _mm_loadu_si128(reinterpret_cast<const __m128i *>(body.data() + from));
        const auto found
            = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, lessThan)));
        if (found)
            return from + static_cast<std::size_t>(__builtin_ctz(found));
    }
#endif
    const void *found = std::memchr(body.data() + from, '<', body.size() - from);
    return found ? static_cast<std::size_t>(static_cast<const char *>(found) - body.data())
                 : body.size();
}

/// Finds the tags that CheckHtml lists as referring, by the same rules, in one pass that keeps
/// no open elements: calls onTag(from, name as written, kind, attributes) for each. Inside a
/// drawing or formula tags are read otherwise; at an <svg> or <math> that opens one the pass
/// stops and returns false, and the caller goes by CheckHtml's own list.
template <class OnTag> bool findReferringTags(std::string_view body, OnTag &&onTag)
{
    const std::size_t size = body.size();
    TagAttributes tag;
    std::size_t at = 0;
    while (at < size) {
        const std::size_t open = nextLessThan(body, at);
        if (open == size)
            return true;
        const std::size_t next = open + 1;
        if (next >= size)
            return true;
        const char c = body[next];
        if (isAsciiLetter(c)) {
            const std::size_t end = nameEnd(body, next);
            if (end < size && body[end] == '>') {
                // No attributes, the most common tag of all ("<p>", "<b>").
                tag.after = end + 1;
                tag.selfClosing = false;
                tag.refers = false;
                tag.present = 0;
                tag.nameCount = 0;
            } else {
                readAttributes(body, end, tag);
            }
            if (tag.after == std::string_view::npos)
                return true;
            const std::string_view name = body.substr(next, end - next);
            const TagKind kind = tagKindOf(name);
            at = tag.after;
            if (kind == TagKind::Ignored)
                continue;
            if (tag.refers || kind == TagKind::Img || kind == TagKind::Image)
                onTag(open, name, kind, tag);
            if (kind == TagKind::PlainText)
                return true;
            if (kind == TagKind::RawText)
                at = skipRawText(body, name, tag.after);
            else if (kind == TagKind::Foreign && !tag.selfClosing)
                return false;
        } else if (c == '/') {
            if (next + 1 < size && isAsciiLetter(body[next + 1])) {
                const std::size_t end = nameEnd(body, next + 1);
                if (end < size && body[end] == '>') {
                    at = end + 1;
                    continue;
                }
                readAttributes(body, end, tag);
                if (tag.after == std::string_view::npos)
                    return true;
                at = tag.after;
            } else {
                at = skipPast(body, '>', next);
            }
        } else if (c == '!') {
            if (body.substr(next, 3) == "!--") {
                const std::size_t end = body.find("-->", next + 1);
                if (end == std::string_view::npos)
                    return true;
                at = end + 3;
            } else {
                at = skipPast(body, '>', next);
            }
        } else if (c == '?') {
            at = skipPast(body, '>', next);
        } else {
            at = next;
        }
    }
    return true;
}

/// Line breaks from `from` up to `to` as the parser counts them: a line feed, or a carriage
/// return not followed by one.
int lineBreaks(std::string_view body, std::size_t from, std::size_t to)
{
    int count = 0;
    for (std::size_t i = from; i < to; ++i) {
        const char c = body[i];
        if (c == '\n' || (c == '\r' && (i + 1 >= body.size() || body[i + 1] != '\n')))
            ++count;
    }
    return count;
}

/// A value as the parser gives it, in UTF-8: line ends made line feeds, and the control
/// characters and the undefined bytes replaced by U+FFFD.
std::string valueText(std::string_view raw)
{
    const bool plain = std::all_of(raw.begin(), raw.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte >= 0x20 && byte < 0x7F) || c == '\t' || c == '\n' || c == '\f';
    });
    if (plain)
        return std::string(raw);
    constexpr std::string_view Replacement = "\xEF\xBF\xBD";
    std::string text;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\r') {
            if (i + 1 >= raw.size() || raw[i + 1] != '\n')
                text += '\n';
        } else if ((byte >= 0x20 && byte < 0x7F) || c == '\t' || c == '\n' || c == '\f') {
            text += c;
        } else if (byte < 0x80 || byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90
            || byte == 0x9D) {
            text += Replacement;
        } else {
            text += Platform::cp1252ToUtf8(raw.substr(i, 1));
        }
    }
    return text;
}

/// True when the parser is needed to read this tag as it would: a tag it drops or rebuilds in
/// a body, one inside a drawing or formula, a name written twice or holding a NUL, or a value
/// with a character reference or a NUL.
bool needsParser(std::string_view body, TagKind kind, const TagAttributes &tag)
{
    if (kind == TagKind::ParserOnly || kind == TagKind::Image || kind == TagKind::Foreign
        || hasRepeatedName(tag))
        return true;
    // The parser does not keep a NUL in a name as it is written ("<img \0alt>" has its alt).
    for (std::size_t i = 0; i < std::min(tag.nameCount, TagAttributes::MostNames); ++i) {
        if (tag.names[i].find('\0') != std::string_view::npos)
            return true;
    }
    for (unsigned attribute = 0; attribute < AttributeCount; ++attribute) {
        if (attribute == Alt || !tag.has(attribute))
            continue;
        const std::string_view value = tag.value(body, attribute);
        if (value.find('&') != std::string_view::npos || value.find('\0') != std::string_view::npos)
            return true;
    }
    return false;
}

/// Calls onValue(attribute, picture) for each attribute of the tag that refers to a file, in
/// the order the parser's reading lists them.
template <class OnValue>
void forEachReferringValue(
    std::string_view body, TagKind kind, const TagAttributes &tag, OnValue &&onValue)
{
    const bool picture = kind == TagKind::Img
        || (kind == TagKind::Input && tag.has(Type) && sameName(tag.value(body, Type), "image"));
    for (const unsigned attribute : { Src, Href, Background, Poster, Data, Value, Style }) {
        if (!tag.has(attribute))
            continue;
        if (attribute == Data && kind != TagKind::Object)
            continue;
        if (attribute == Value
            && !(kind == TagKind::Param && tag.has(Name)
                && sameName(trimmed(tag.value(body, Name)), "movie")))
            continue;
        onValue(attribute, attribute == Src && picture);
    }
}

/// Reads a tag of the body's own markup (not inside a drawing or formula) that starts at
/// `from` on line `line`, as the parser would, and adds what it refers to.
void readHtmlTag(std::string_view body, std::size_t from, std::string_view name, TagKind kind,
    const TagAttributes &tag, int line, BodyReading &reading)
{
    if (needsParser(body, kind, tag)) {
        ReferringTag referring { from, tag.after, line, std::string(), ReferringTag::Inside::Html };
        for (const char c : name)
            referring.name += lowerAscii(c);
        readTag(body, referring, reading);
        return;
    }
    forEachReferringValue(body, kind, tag, [&](unsigned attribute, bool picture) {
        const ValueSpan &span = tag.values[attribute];
        const int valueLine = line + lineBreaks(body, from, span.at);
        const std::string text = valueText(tag.value(body, attribute));
        if (attribute == Style) {
            addStyleUrls(text, valueLine, reading.references);
            return;
        }
        std::string target = trimmed(text);
        if (!target.empty())
            reading.references.push_back({ std::move(target), valueLine, picture });
    });
    if (kind == TagKind::Img && !tag.has(Alt)) {
        reading.picturesWithoutAlt.push_back(
            { tag.has(Src) ? trimmed(valueText(tag.value(body, Src))) : std::string(), line });
    }
}

/// Reads one of CheckHtml's referring tags.
void readReferringTag(std::string_view body, const ReferringTag &referring, BodyReading &reading)
{
    if (referring.inside != ReferringTag::Inside::Html) {
        readTag(body, referring, reading);
        return;
    }
    TagAttributes tag;
    const std::size_t end = nameEnd(body, referring.from + 1);
    readAttributes(body, end, tag);
    const std::string_view name = body.substr(referring.from + 1, end - referring.from - 1);
    readHtmlTag(body, referring.from, name, tagKindOf(name), tag, referring.line, reading);
}

BodyReading readReferringTags(std::string_view body, const std::vector<ReferringTag> &tags)
{
    BodyReading reading;
    for (const ReferringTag &tag : tags)
        readReferringTag(body, tag, reading);
    return reading;
}

/// Adds each target once, in the order they first appear.
class DistinctTargets
{
public:
    void add(std::string target)
    {
        if (!target.empty() && m_seen.insert(target).second)
            m_targets.push_back(std::move(target));
    }
    /// Adds the target of a value; a value already met adds nothing.
    void addValue(std::string_view raw, bool style)
    {
        // The values met last are looked up first, by a quick sum of their bytes.
        RecentValue &recent = m_recent[quickSum(raw, style) % m_recent.size()];
        if (recent.style == style && recent.value.data() && recent.value == raw)
            return;
        recent = { raw, style };
        if (!(style ? m_styles : m_values).insert(raw).second)
            return;
        const std::string text = valueText(raw);
        if (!style) {
            add(trimmed(text));
            return;
        }
        std::vector<BodyReference> urls;
        addStyleUrls(text, 1, urls);
        for (BodyReference &url : urls)
            add(std::move(url.target));
    }
    std::vector<std::string> take() { return std::move(m_targets); }

private:
    static std::uint64_t quickSum(std::string_view raw, bool style)
    {
        std::uint64_t head = 0;
        std::uint64_t tail = 0;
        if (raw.size() >= 8) {
            std::memcpy(&head, raw.data(), 8);
            std::memcpy(&tail, raw.data() + raw.size() - 8, 8);
        } else {
            std::memcpy(&head, raw.data(), raw.size());
        }
        return ((head * 0x9E3779B97F4A7C15ull) ^ (tail + raw.size() * 2 + (style ? 1 : 0)))
            * 0xC2B2AE3D27D4EB4Full
            >> 40;
    }

    struct RecentValue
    {
        std::string_view value;
        bool style = false;
    };
    std::array<RecentValue, 509> m_recent {};
    std::vector<std::string> m_targets;
    std::unordered_set<std::string> m_seen;
    std::unordered_set<std::string_view> m_values; ///< values met, as written in the body
    std::unordered_set<std::string_view> m_styles;
};

} // namespace

BodyReading ReadBodyReferences(std::string_view body)
{
    BodyReading reading;
    int line = 1;
    std::size_t counted = 0;
    const bool complete = findReferringTags(
        body, [&](std::size_t from, std::string_view name, TagKind kind, const TagAttributes &tag) {
            line += lineBreaks(body, counted, from);
            counted = from;
            readHtmlTag(body, from, name, kind, tag, line, reading);
        });
    return complete ? reading : readReferringTags(body, FindReferringTags(body));
}

BodyReading ReadBodyReferencesWithParser(std::string_view body)
{
    BodyReading reading;
    for (const ReferringTag &tag : CheckHtml(body).referringTags)
        readTag(body, tag, reading);
    return reading;
}

std::vector<std::string> ReadBodyTargets(std::string_view body)
{
    DistinctTargets targets;
    const auto addReading = [&](const BodyReading &reading) {
        for (const BodyReference &reference : reading.references)
            targets.add(reference.target);
    };
    const bool complete = findReferringTags(
        body, [&](std::size_t from, std::string_view name, TagKind kind, const TagAttributes &tag) {
            if (needsParser(body, kind, tag)) {
                BodyReading reading;
                readHtmlTag(body, from, name, kind, tag, 1, reading);
                addReading(reading);
                return;
            }
            forEachReferringValue(body, kind, tag, [&](unsigned attribute, bool) {
                targets.addValue(tag.value(body, attribute), attribute == Style);
            });
        });
    if (complete)
        return targets.take();
    DistinctTargets again;
    for (const BodyReference &reference :
        readReferringTags(body, FindReferringTags(body)).references)
        again.add(reference.target);
    return again.take();
}

std::vector<std::string> ReadBodyFileTargets(
    const Platform::File &file, const Platform::MappedFile &mapping, std::string &buffer)
{
    if (mapping.mapped()) {
        std::vector<std::string> targets = ReadBodyTargets(mapping.view());
        if (mapping.matchesFile())
            return targets;
    }
    Platform::readWholeFile(file, buffer);
    return ReadBodyTargets(buffer);
}

PageReading ReadPageBody(std::string_view body)
{
    PageReading reading;
    reading.blank = body.find_first_not_of(" \t\r\n") == std::string_view::npos;
    if (reading.blank)
        return reading;
    HtmlCheck check = CheckHtml(body);
    reading.htmlErrors = std::move(check.errors);
    reading.references = readReferringTags(body, check.referringTags);
    return reading;
}

SiteReading ReadSite(const Model::Project &project, const PageBodyFiles *bodyFiles)
{
    SiteReading site;
    for (const Model::PageInfo &page : Model::PageCatalogue) {
        if (Model::pageIncluded(project, page.id)) {
            site[static_cast<std::size_t>(page.id - 1)]
                = ReadPageBody(pageBodyOf(project, page.id, bodyFiles));
        }
    }
    return site;
}

SiteTargets targetsOf(const SiteReading &reading)
{
    SiteTargets targets;
    for (std::size_t page = 0; page < reading.size(); ++page) {
        std::unordered_set<std::string_view> seen;
        for (const BodyReference &reference : reading[page].references.references) {
            if (seen.insert(reference.target).second)
                targets[page].push_back(reference.target);
        }
    }
    return targets;
}

} // namespace Publish
