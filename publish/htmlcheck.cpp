#include "publish/htmlcheck.h"

#include <gumbo.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <unordered_map>

namespace Publish {
namespace {

/// How an element behaves in a body, as far as its tags' balance goes.
enum TagFlag : unsigned {
    Void = 1u << 0, ///< never has an end tag (<img>, <br>)
    OptionalEnd = 1u << 1, ///< its end tag may be left out (<p>, <li>, <td>)
    Formatting = 1u << 2, ///< a text style a browser carries on past a misplaced end tag
    RawText = 1u << 3, ///< its content is text up to its own end tag (<script>, <textarea>)
    ClosesParagraph = 1u << 4, ///< a block that ends an open <p> first
    Ignored = 1u << 5, ///< <html>, <head> and <body>: the page around the body has them
    PlainText = 1u << 6 ///< everything after it is text
};

/// The elements whose end tag a following start tag implies; each one bit of a mask.
enum Closable : unsigned {
    P = 1u << 0,
    Li = 1u << 1,
    Dt = 1u << 2,
    Dd = 1u << 3,
    Option = 1u << 4,
    Optgroup = 1u << 5,
    Tr = 1u << 6,
    Td = 1u << 7,
    Th = 1u << 8,
    Tbody = 1u << 9,
    Thead = 1u << 10,
    Tfoot = 1u << 11
};

struct TagInfo
{
    std::string_view name;
    unsigned flags = 0;
    unsigned closable = 0; ///< its own bit among Closable, if a later tag may end it
    unsigned closes = 0; ///< the Closable elements it ends while one is innermost
};

constexpr unsigned TableParts = Td | Th | Tr | Tbody | Thead | Tfoot;

/// The elements with more than the plain behaviour, and the common plain ones; any other
/// name is an element that needs its end tag.
constexpr TagInfo KnownTags[] = {
    { "a", Formatting },
    { "address", ClosesParagraph },
    { "area", Void },
    { "article", ClosesParagraph },
    { "aside", ClosesParagraph },
    { "b", Formatting },
    { "base", Void },
    { "basefont", Void },
    { "bgsound", Void },
    { "big", Formatting },
    { "blockquote", ClosesParagraph },
    { "body", Ignored },
    { "br", Void },
    { "center", ClosesParagraph },
    { "code", Formatting },
    { "col", Void },
    { "colgroup", OptionalEnd },
    { "dd", OptionalEnd | ClosesParagraph, Dd, Dd | Dt },
    { "details", ClosesParagraph },
    { "dir", ClosesParagraph },
    { "div", ClosesParagraph },
    { "dl", ClosesParagraph },
    { "dt", OptionalEnd | ClosesParagraph, Dt, Dd | Dt },
    { "em", Formatting },
    { "embed", Void },
    { "fieldset", ClosesParagraph },
    { "figcaption", ClosesParagraph },
    { "figure", ClosesParagraph },
    { "font", Formatting },
    { "footer", ClosesParagraph },
    { "form", ClosesParagraph },
    { "frame", Void },
    { "h1", ClosesParagraph },
    { "h2", ClosesParagraph },
    { "h3", ClosesParagraph },
    { "h4", ClosesParagraph },
    { "h5", ClosesParagraph },
    { "h6", ClosesParagraph },
    { "head", Ignored },
    { "header", ClosesParagraph },
    { "hgroup", ClosesParagraph },
    { "hr", Void | ClosesParagraph },
    { "html", Ignored },
    { "i", Formatting },
    { "iframe", RawText },
    { "img", Void },
    { "input", Void },
    { "keygen", Void },
    { "li", OptionalEnd | ClosesParagraph, Li, Li },
    { "link", Void },
    { "listing", ClosesParagraph },
    { "main", ClosesParagraph },
    { "menu", ClosesParagraph },
    { "meta", Void },
    { "nav", ClosesParagraph },
    { "nobr", Formatting },
    { "noembed", RawText },
    { "noframes", RawText },
    { "ol", ClosesParagraph },
    { "optgroup", OptionalEnd, Optgroup, Option | Optgroup },
    { "option", OptionalEnd, Option, Option },
    { "p", OptionalEnd | ClosesParagraph, P, 0 },
    { "param", Void },
    { "plaintext", ClosesParagraph | PlainText },
    { "pre", ClosesParagraph },
    { "s", Formatting },
    { "script", RawText },
    { "section", ClosesParagraph },
    { "small", Formatting },
    { "source", Void },
    { "strike", Formatting },
    { "strong", Formatting },
    { "style", RawText },
    { "table", ClosesParagraph },
    { "tbody", OptionalEnd, Tbody, TableParts },
    { "td", OptionalEnd, Td, Td | Th },
    { "textarea", RawText },
    { "tfoot", OptionalEnd, Tfoot, TableParts },
    { "th", OptionalEnd, Th, Td | Th },
    { "thead", OptionalEnd, Thead, TableParts },
    { "title", RawText },
    { "tr", OptionalEnd, Tr, Td | Th | Tr },
    { "track", Void },
    { "tt", Formatting },
    { "u", Formatting },
    { "ul", ClosesParagraph },
    { "wbr", Void },
    { "xmp", RawText | ClosesParagraph },
};
constexpr std::size_t KnownTagCount = std::size(KnownTags);

constexpr bool sortedByName()
{
    for (std::size_t i = 1; i < KnownTagCount; ++i) {
        if (!(KnownTags[i - 1].name < KnownTags[i].name))
            return false;
    }
    return true;
}
static_assert(sortedByName(), "KnownTags is looked up by halving");

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool isAsciiAlnum(char c) { return isAsciiLetter(c) || (c >= '0' && c <= '9'); }

/// The blanks that end a tag name or an attribute; a lone CR counts as the line end it is.
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

/// A tag name as written and in lower case; names longer than a tag can be are cut.
struct TagName
{
    std::string_view written;
    std::string_view lowered; ///< valid until the next name is read
};

/// The first eight bytes of a name as one number, for looking it up quickly.
constexpr std::uint64_t packedName(std::string_view name)
{
    std::uint64_t key = 0;
    for (std::size_t i = 0; i < 8; ++i)
        key = (key << 8) | (i < name.size() ? static_cast<unsigned char>(name[i]) : 0u);
    return key;
}

/// KnownTags' packed names, in the same order; packing keeps the order of the names.
constexpr std::array<std::uint64_t, KnownTagCount> KnownTagKeys = [] {
    std::array<std::uint64_t, KnownTagCount> keys {};
    for (std::size_t i = 0; i < KnownTagCount; ++i)
        keys[i] = packedName(KnownTags[i].name);
    return keys;
}();

/// The index in KnownTags, or KnownTagCount.
std::size_t knownTagIndex(std::string_view lowered)
{
    const std::uint64_t key = packedName(lowered);
    const auto found = std::lower_bound(KnownTagKeys.begin(), KnownTagKeys.end(), key);
    if (found == KnownTagKeys.end() || *found != key)
        return KnownTagCount;
    const auto index = static_cast<std::size_t>(found - KnownTagKeys.begin());
    return KnownTags[index].name == lowered ? index : KnownTagCount;
}

constexpr std::size_t ImgIndex = [] {
    std::size_t index = 0;
    while (KnownTags[index].name != "img")
        ++index;
    return index;
}();

/// The attribute names whose value can refer to a file.
bool refersToFiles(std::string_view lowered)
{
    return lowered == "src" || lowered == "href" || lowered == "background" || lowered == "poster"
        || lowered == "data" || lowered == "value" || lowered == "style";
}

/// An element the check has seen open and not yet closed.
struct OpenElement
{
    std::size_t known = KnownTagCount; ///< index in KnownTags, or KnownTagCount
    std::string lowered; ///< the name of an element not in KnownTags
    std::size_t offset = 0; ///< where its start tag is in the body
};

} // namespace

bool isKnownEntityName(std::string_view name)
{
    const std::string reference = "&" + std::string(name) + ";";
    GumboOutput *output = gumbo_parse(reference.c_str());
    bool known = false;
    // The text lies in the body the parser puts around it.
    const GumboVector &top = output->root->v.element.children;
    for (unsigned i = 0; i < top.length; ++i) {
        const auto *child = static_cast<const GumboNode *>(top.data[i]);
        if (child->type != GUMBO_NODE_ELEMENT)
            continue;
        const GumboVector &inner = child->v.element.children;
        for (unsigned j = 0; j < inner.length; ++j) {
            const auto *text = static_cast<const GumboNode *>(inner.data[j]);
            if (text->type == GUMBO_NODE_TEXT)
                known = reference != text->v.text.text;
        }
    }
    gumbo_destroy_output(&kGumboDefaultOptions, output);
    return known;
}

namespace {

class HtmlChecker
{
public:
    HtmlChecker(std::string_view body, bool listErrors)
        : m_body(body)
        , m_listErrors(listErrors)
    { }

    HtmlCheck run()
    {
        std::size_t at = 0;
        while (at < m_body.size()) {
            const char *lessThan = static_cast<const char *>(
                std::memchr(m_body.data() + at, '<', m_body.size() - at));
            const std::size_t tagAt
                = lessThan ? static_cast<std::size_t>(lessThan - m_body.data()) : m_body.size();
            if (m_listErrors)
                checkEntities(at, tagAt);
            at = tagAt < m_body.size() ? readMarkup(tagAt) : tagAt;
        }
        while (!m_open.empty()) {
            const OpenElement &element = m_open.back();
            if (!(flagsOf(element) & OptionalEnd))
                addError(element.offset, "missing </" + nameOf(element) + ">");
            pop();
        }
        return finish();
    }

private:
    unsigned flagsOf(const OpenElement &element) const
    {
        return element.known < KnownTagCount ? KnownTags[element.known].flags : 0;
    }
    std::string nameOf(const OpenElement &element) const
    {
        return element.known < KnownTagCount ? std::string(KnownTags[element.known].name)
                                             : element.lowered;
    }
    int &openCount(std::size_t known, std::string_view lowered)
    {
        return known < KnownTagCount ? m_knownOpen[known] : m_otherOpen[std::string(lowered)];
    }

    void addError(std::size_t offset, std::string message)
    {
        if (!m_listErrors)
            return;
        if (m_errors.size() < MostHtmlErrors)
            m_errors.push_back({ offset, "HTML: " + std::move(message) });
        else
            ++m_errorsNotListed;
    }

    void push(std::size_t known, std::string &&lowered, std::size_t offset)
    {
        ++openCount(known, lowered);
        m_open.push_back(
            { known, known < KnownTagCount ? std::string() : std::move(lowered), offset });
    }

    void pop()
    {
        OpenElement &element = m_open.back();
        --openCount(element.known, element.lowered);
        m_open.pop_back();
    }

    /// Looks at each "&" in the text from `from` to `to`.
    void checkEntities(std::size_t from, std::size_t to)
    {
        while (from < to) {
            // The next "&" of the body is remembered, so text without one costs no search.
            if (!m_ampersandFound || m_nextAmpersand < from) {
                m_ampersandFound = true;
                const char *amp = static_cast<const char *>(
                    std::memchr(m_body.data() + from, '&', m_body.size() - from));
                m_nextAmpersand
                    = amp ? static_cast<std::size_t>(amp - m_body.data()) : m_body.size();
            }
            if (m_nextAmpersand >= to)
                return;
            from = checkEntity(m_nextAmpersand, to);
        }
    }

    /// Checks the entity at `at`; returns where the text goes on.
    std::size_t checkEntity(std::size_t at, std::size_t to)
    {
        std::size_t end = at + 1;
        const bool numeric = end < to && m_body[end] == '#';
        if (numeric) {
            ++end;
            const bool hex = end < to && lower(m_body[end]) == 'x';
            end += hex ? 1 : 0;
            const std::size_t digitsFrom = end;
            while (end < to
                && (hex ? std::isxdigit(static_cast<unsigned char>(m_body[end]))
                        : (m_body[end] >= '0' && m_body[end] <= '9')))
                ++end;
            if (end == digitsFrom)
                return end;
        } else {
            while (end < to && isAsciiAlnum(m_body[end]))
                ++end;
            if (end == at + 1)
                return end;
        }
        const std::string written(m_body.substr(at, end - at));
        const bool semicolon = end < to && m_body[end] == ';';
        if (numeric) {
            if (!semicolon)
                addError(at, "entity \"" + written + "\" doesn't end in ';'");
        } else if (semicolon) {
            if (!isKnownEntity(written.substr(1)))
                addError(at, "unescaped & or unknown entity \"" + written + "\"");
        } else if (isKnownEntity(written.substr(1))) {
            addError(at, "entity \"" + written + "\" doesn't end in ';'");
        }
        return semicolon ? end + 1 : end;
    }

    /// True when an HTML5 parser reads "&name;" as a character. Each name is asked once.
    bool isKnownEntity(const std::string &name)
    {
        const auto cached = m_entities.find(name);
        if (cached != m_entities.end())
            return cached->second;
        const bool known = isKnownEntityName(name);
        m_entities.emplace(name, known);
        return known;
    }

    /// Reads the markup starting with the "<" at `at`; returns where the text goes on.
    std::size_t readMarkup(std::size_t at)
    {
        const std::size_t next = at + 1;
        if (next >= m_body.size())
            return next;
        const char c = m_body[next];
        if (c == '!') {
            if (m_body.substr(next, 3) == "!--") {
                const std::size_t end = m_body.find("-->", next + 1);
                if (end == std::string_view::npos) {
                    addError(at, "<!-- is never closed by -->");
                    return m_body.size();
                }
                return end + 3;
            }
            return skipPast('>', next);
        }
        if (c == '?')
            return skipPast('>', next);
        if (c == '/') {
            if (next + 1 < m_body.size() && isAsciiLetter(m_body[next + 1]))
                return readEndTag(at);
            return skipPast('>', next);
        }
        if (isAsciiLetter(c))
            return readStartTag(at);
        return next;
    }

    std::size_t skipPast(char end, std::size_t from) const
    {
        const std::size_t found = m_body.find(end, from);
        return found == std::string_view::npos ? m_body.size() : found + 1;
    }

    /// The tag name starting at `from`, and where it ends.
    TagName readName(std::size_t from, std::size_t &end)
    {
        end = from;
        while (end < m_body.size() && !isBlank(m_body[end]) && m_body[end] != '/'
            && m_body[end] != '>')
            ++end;
        m_nameBuffer.resize(end - from);
        std::transform(m_body.begin() + static_cast<std::ptrdiff_t>(from),
            m_body.begin() + static_cast<std::ptrdiff_t>(end), m_nameBuffer.begin(), lower);
        return { m_body.substr(from, end - from), m_nameBuffer };
    }

    /// KnownTags' index of a name, remembered for the names met most.
    std::size_t knownIndexOf(std::string_view lowered)
    {
        if (lowered.size() > 8)
            return knownTagIndex(lowered);
        const std::uint64_t key = packedName(lowered) ^ lowered.size();
        TagCacheEntry &entry = m_tagCache[(key * 0x9E3779B97F4A7C15ull) >> 58];
        if (entry.key != key || entry.size != lowered.size()) {
            entry = { key, lowered.size(), knownTagIndex(lowered) };
        }
        return entry.index;
    }

    /// Goes over the attributes from `at` up to the tag's ">"; returns where the text goes on,
    /// or npos when the body ends inside the tag. Notes whether one can refer to a file and
    /// whether the tag closes itself ("/>").
    std::size_t readAttributes(std::size_t at, bool &selfClosing, bool &refers)
    {
        selfClosing = false;
        refers = false;
        std::string name;
        while (at < m_body.size()) {
            const char c = m_body[at];
            if (c == '>')
                return at + 1;
            if (isBlank(c)) {
                ++at;
                continue;
            }
            if (c == '/') {
                selfClosing = at + 1 < m_body.size() && m_body[at + 1] == '>';
                ++at;
                continue;
            }
            selfClosing = false;
            // A name, then perhaps "=" and a value, quoted or not.
            name.clear();
            const std::size_t nameFrom = at;
            while (at < m_body.size()
                && (at == nameFrom
                    || (!isBlank(m_body[at]) && m_body[at] != '/' && m_body[at] != '>'
                        && m_body[at] != '=')))
                name += lower(m_body[at++]);
            if (refersToFiles(name))
                refers = true;
            while (at < m_body.size() && isBlank(m_body[at]))
                ++at;
            if (at >= m_body.size() || m_body[at] != '=')
                continue;
            ++at;
            while (at < m_body.size() && isBlank(m_body[at]))
                ++at;
            if (at < m_body.size() && (m_body[at] == '"' || m_body[at] == '\'')) {
                const std::size_t close = m_body.find(m_body[at], at + 1);
                if (close == std::string_view::npos)
                    return std::string_view::npos;
                at = close + 1;
            } else {
                while (at < m_body.size() && !isBlank(m_body[at]) && m_body[at] != '>')
                    ++at;
            }
        }
        return std::string_view::npos;
    }

    std::size_t readStartTag(std::size_t at)
    {
        std::size_t end;
        TagName name = readName(at + 1, end);
        bool selfClosing, refers;
        const std::size_t after = readAttributes(end, selfClosing, refers);
        if (after == std::string_view::npos) {
            addError(
                at, "<" + std::string(name.lowered) + "> is not finished at the end of the page");
            return m_body.size();
        }
        const std::size_t known = knownIndexOf(name.lowered);
        const TagInfo info = known < KnownTagCount ? KnownTags[known] : TagInfo {};
        if (info.flags & Ignored)
            return after;
        if (refers || known == ImgIndex || (known == KnownTagCount && name.lowered == "image"))
            m_referringTags.push_back({ at, after, 1, std::string(name.lowered), inside() });
        if (info.flags & PlainText)
            return m_body.size();
        if (info.flags & RawText)
            return skipRawText(at, name.lowered, after);

        // Tags a browser ends before this one: an open paragraph before a block, the last
        // item before the next one, the last cell or row before the next.
        const unsigned closes = info.closes | ((info.flags & ClosesParagraph) ? unsigned(P) : 0u);
        while (!m_open.empty() && m_open.back().known < KnownTagCount
            && (KnownTags[m_open.back().known].closable & closes))
            pop();
        if ((info.flags & Void) || selfClosing)
            return after;
        push(known, known < KnownTagCount ? std::string() : std::string(name.lowered), at);
        return after;
    }

    /// Skips the text of a <script>, <style>, <textarea> and the like up to its end tag.
    std::size_t skipRawText(std::size_t at, std::string_view lowered, std::size_t from)
    {
        for (std::size_t candidate = m_body.find("</", from); candidate != std::string_view::npos;
             candidate = m_body.find("</", candidate + 2)) {
            const std::string_view after = m_body.substr(candidate + 2, lowered.size());
            const bool same = after.size() == lowered.size()
                && std::equal(after.begin(), after.end(), lowered.begin(),
                    [](char a, char b) { return lower(a) == b; });
            const std::size_t end = candidate + 2 + lowered.size();
            if (same
                && (end >= m_body.size() || isBlank(m_body[end]) || m_body[end] == '>'
                    || m_body[end] == '/'))
                return skipPast('>', end);
        }
        addError(at, "missing </" + std::string(lowered) + ">");
        return m_body.size();
    }

    std::size_t readEndTag(std::size_t at)
    {
        std::size_t end;
        TagName name = readName(at + 2, end);
        bool selfClosing, refers;
        std::size_t after = readAttributes(end, selfClosing, refers);
        if (after == std::string_view::npos) {
            addError(
                at, "</" + std::string(name.lowered) + "> is not finished at the end of the page");
            return m_body.size();
        }
        const std::size_t known = knownIndexOf(name.lowered);
        const unsigned flags = known < KnownTagCount ? KnownTags[known].flags : 0;
        if (flags & Ignored)
            return after;
        if (openCount(known, name.lowered) > 0) {
            // What is open inside it ends with it; all but the tags that may end unwritten
            // are errors. Each element is closed once, so this stays in proportion to the body.
            while (!(m_open.back().known == known
                && (known < KnownTagCount || m_open.back().lowered == name.lowered))) {
                const unsigned inner = flagsOf(m_open.back());
                if (!(inner & OptionalEnd)) {
                    addError(at,
                        "missing </" + nameOf(m_open.back()) + "> before </"
                            + std::string(name.lowered) + ">");
                }
                pop();
            }
            pop();
            return after;
        }
        if (!m_open.empty() && (flags & Formatting) && (flagsOf(m_open.back()) & Formatting)) {
            addError(at,
                "</" + std::string(name.lowered) + "> found where </" + nameOf(m_open.back())
                    + "> was expected");
            pop();
            return after;
        }
        addError(at, "discarding unexpected </" + std::string(name.lowered) + ">");
        return after;
    }

    /// The markup a tag starting now is part of.
    ReferringTag::Inside inside()
    {
        if (m_otherOpen.empty())
            return ReferringTag::Inside::Html;
        const auto svg = m_otherOpen.find("svg");
        if (svg != m_otherOpen.end() && svg->second > 0)
            return ReferringTag::Inside::Svg;
        const auto math = m_otherOpen.find("math");
        if (math != m_otherOpen.end() && math->second > 0)
            return ReferringTag::Inside::MathMl;
        return ReferringTag::Inside::Html;
    }

    /// The errors and tags with their lines, in body order. Lines end as an HTML parser ends
    /// them: at a line feed, or at a carriage return not followed by one.
    HtmlCheck finish()
    {
        std::stable_sort(m_errors.begin(), m_errors.end(),
            [](const PendingError &a, const PendingError &b) { return a.offset < b.offset; });
        const auto lineCounter = [this] {
            return [this, counted = std::size_t(0), line = 1](std::size_t offset) mutable {
                for (; counted < offset; ++counted) {
                    const char c = m_body[counted];
                    if (c == '\n'
                        || (c == '\r'
                            && (counted + 1 >= m_body.size() || m_body[counted + 1] != '\n')))
                        ++line;
                }
                return line;
            };
        };
        HtmlCheck check;
        auto errorLine = lineCounter();
        for (PendingError &error : m_errors)
            check.errors.push_back({ errorLine(error.offset), std::move(error.message) });
        if (m_errorsNotListed > 0) {
            check.errors.push_back({ check.errors.back().line,
                "HTML: and " + std::to_string(m_errorsNotListed) + " more errors" });
        }
        auto tagLine = lineCounter();
        for (ReferringTag &tag : m_referringTags)
            tag.line = tagLine(tag.from);
        check.referringTags = std::move(m_referringTags);
        return check;
    }

    struct PendingError
    {
        std::size_t offset;
        std::string message;
    };

    std::string_view m_body;
    bool m_listErrors = true;
    std::vector<OpenElement> m_open;
    std::array<int, KnownTagCount> m_knownOpen {};
    std::unordered_map<std::string, int> m_otherOpen;
    std::unordered_map<std::string, bool> m_entities;
    std::vector<PendingError> m_errors;
    std::size_t m_errorsNotListed = 0;
    std::vector<ReferringTag> m_referringTags;
    std::string m_nameBuffer;
    std::size_t m_nextAmpersand = 0;
    bool m_ampersandFound = false; ///< m_nextAmpersand holds the next "&" from where it was sought
    struct TagCacheEntry
    {
        std::uint64_t key = ~std::uint64_t(0);
        std::size_t size = 0;
        std::size_t index = KnownTagCount;
    };
    std::array<TagCacheEntry, 64> m_tagCache {};
};

} // namespace

HtmlCheck CheckHtml(std::string_view body) { return HtmlChecker(body, true).run(); }

std::vector<ReferringTag> FindReferringTags(std::string_view body)
{
    return HtmlChecker(body, false).run().referringTags;
}

} // namespace Publish
