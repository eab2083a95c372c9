#include "publish/references.h"

#include "publish/userfiles.h"

#include "platform/encoding.h"

#include <gumbo.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace Publish {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

std::string trimmed(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return std::string(text);
}

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
        while (at < style.size() && isBlank(style[at]))
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

BodyReading readReferringTags(std::string_view body, const std::vector<ReferringTag> &tags)
{
    BodyReading reading;
    for (const ReferringTag &tag : tags)
        readTag(body, tag, reading);
    return reading;
}

} // namespace

BodyReading ReadBodyReferences(std::string_view body)
{
    return readReferringTags(body, CheckHtml(body).referringTags);
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

} // namespace Publish
