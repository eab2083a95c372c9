#include "publish/references.h"

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

} // namespace

BodyReading ReadBodyReferences(std::string_view body)
{
    const std::string utf8 = Platform::cp1252ToUtf8(body);
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0; // HTML errors are the check's business, not this reader's
    GumboOutput *output = gumbo_parse_with_options(&options, utf8.data(), utf8.size());
    BodyReading reading;
    // Walked with an explicit stack: a body of thousands of nested tags must not exhaust the
    // call stack.
    std::vector<const GumboNode *> pending { output->root };
    while (!pending.empty()) {
        const GumboNode *node = pending.back();
        pending.pop_back();
        if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE)
            continue;
        const GumboElement &element = node->v.element;
        // Elements the parser made up (the html, head and body around a bare body, copies of
        // formatting elements it reopens) would count the user's attributes twice or not at all.
        const unsigned madeUp = GUMBO_INSERTION_BY_PARSER
            | GUMBO_INSERTION_RECONSTRUCTED_FORMATTING_ELEMENT
            | GUMBO_INSERTION_ADOPTION_AGENCY_CLONED;
        if (!(node->parse_flags & madeUp))
            readElement(element, reading);
        for (unsigned i = element.children.length; i > 0; --i)
            pending.push_back(static_cast<const GumboNode *>(element.children.data[i - 1]));
    }
    gumbo_destroy_output(&options, output);
    // Parents are met before their children; order by line so the list reads as the body does.
    std::stable_sort(reading.references.begin(), reading.references.end(),
        [](const BodyReference &a, const BodyReference &b) { return a.line < b.line; });
    return reading;
}

} // namespace Publish
