#include "cli/clicommon.h"

#include "project/projectsession.h"

#include <cstdio>
#include <span>

namespace Cli {
namespace {

using Model::Choice;
using Model::ColorChoice;

/// Builds the JSON text in Windows-1252; printText turns it into UTF-8 as a whole.
class JsonObject
{
public:
    JsonObject() { m_text = "{"; }

    void string(const char *key, const std::string &value)
    {
        this->key(key);
        quoted(value);
    }

    void choice(const char *key, const Choice &choice, std::span<const std::string> list)
    {
        choiceValue(key, choice && *choice < list.size() ? &list[*choice] : nullptr);
    }

    void choice(const char *key, const Choice &choice, std::span<const char *const> list)
    {
        if (choice && *choice < list.size()) {
            const std::string entry = list[*choice];
            choiceValue(key, &entry);
        } else {
            choiceValue(key, nullptr);
        }
    }

    void color(const char *key, const ColorChoice &color)
    {
        this->key(key);
        m_text += "{\"text\": ";
        quoted(color.text);
        m_text += ", \"swatch\": ";
        quoted(Model::FormatHtmlColor(
            color.swatch & 0xFF, (color.swatch >> 8) & 0xFF, (color.swatch >> 16) & 0xFF));
        m_text += "}";
    }

    void boolean(const char *key, bool value)
    {
        this->key(key);
        m_text += value ? "true" : "false";
    }

    template <std::size_t N> void booleans(const char *key, const std::array<bool, N> &values)
    {
        this->key(key);
        m_text += "[";
        for (std::size_t i = 0; i < N; ++i)
            m_text += std::string(i == 0 ? "" : ", ") + (values[i] ? "true" : "false");
        m_text += "]";
    }

    template <std::size_t N> void strings(const char *key, const std::array<std::string, N> &values)
    {
        this->key(key);
        m_text += "[";
        for (std::size_t i = 0; i < N; ++i) {
            m_text += i == 0 ? "\n    " : ",\n    ";
            quoted(values[i]);
        }
        m_text += "\n  ]";
    }

    std::string finish() { return m_text + "\n}\n"; }

private:
    void key(const char *name)
    {
        m_text += m_first ? "\n  \"" : ",\n  \"";
        m_first = false;
        m_text += name;
        m_text += "\": ";
    }

    void choiceValue(const char *key, const std::string *entry)
    {
        this->key(key);
        if (entry)
            quoted(*entry);
        else
            m_text += "null";
    }

    void quoted(const std::string &value)
    {
        m_text += '"';
        for (const char c : value) {
            switch (c) {
            case '"':
                m_text += "\\\"";
                break;
            case '\\':
                m_text += "\\\\";
                break;
            case '\n':
                m_text += "\\n";
                break;
            case '\r':
                m_text += "\\r";
                break;
            case '\t':
                m_text += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(
                        escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
                    m_text += escaped;
                } else {
                    m_text += c;
                }
            }
        }
        m_text += '"';
    }

    std::string m_text;
    bool m_first = true;
};

void runShow(const Invocation &invocation)
{
    namespace Lists = Model::Lists;
    const std::string projectFile = pathOperand(invocation.operands.at(0));
    const Model::ChoiceLists lists = choiceListsForProject(invocation.homeDir, projectFile);
    Model::ProjectSession session(lists);
    session.open(projectFile);
    const Model::Project &project = session.project();

    JsonObject json;
    json.string(
        "siteType", project.siteType == Model::SiteType::Personal ? "Personal" : "Business");
    json.choice("templateName", project.templateName, lists.templates);
    json.string("siteTitle", project.siteTitle);
    json.string("siteDescription", project.siteDescription);
    json.string("siteKeywords", project.siteKeywords);
    json.string("copyrightYears", project.copyrightYears);
    json.string("logoPath", project.logoPath);
    json.string("slogan", project.slogan);
    json.choice("fontFamily", project.fontFamily, lists.fonts);
    json.color("fontColor", project.fontColor);
    json.choice("fontSize", project.fontSize, Lists::FontSizes);
    json.choice("fontVariant", project.fontVariant, Lists::FontVariants);
    json.color("linkColor", project.linkColor);
    json.choice("linkDecoration", project.linkDecoration, Lists::Decorations);
    json.color("hoverColor", project.hoverColor);
    json.choice("hoverDecoration", project.hoverDecoration, Lists::Decorations);
    json.color("activeColor", project.activeColor);
    json.choice("activeDecoration", project.activeDecoration, Lists::Decorations);
    json.color("visitedColor", project.visitedColor);
    json.choice("visitedDecoration", project.visitedDecoration, Lists::Decorations);
    json.choice("listStyleType", project.listStyleType, Lists::ListStyles);
    json.choice("imageBorderStyle", project.imageBorderStyle, Lists::BorderStyles);
    json.choice("imageBorderWidth", project.imageBorderWidth, Lists::BorderSizes);
    json.color("imageBorderColor", project.imageBorderColor);
    json.boolean("addTextNavigation", project.addTextNavigation);
    json.boolean("addCopyrightFooter", project.addCopyrightFooter);
    json.boolean("addMadeWithLink", project.addMadeWithLink);
    json.boolean("generateSitemap", project.generateSitemap);
    json.booleans("personalPages", project.personalPages);
    json.booleans("businessPages", project.businessPages);
    json.strings("pageBody", project.pageBody);
    printText(json.finish());
}

const VerbRegistration registration({
    "show",
    "PROJECT.cvp",
    "Reads PROJECT.cvp and 1.dat to 14.dat beside it as the program's Open Project\n"
    "would and prints the project as one JSON object: every field by name, choices\n"
    "as their entry's text (null when none), colours as {\"text\", \"swatch\"},\n"
    "the page ticks as lists of 9 and 14 booleans, the 14 page bodies as strings.\n"
    "Template and font names refer to DIR/templates and the fonts installed here.",
    1,
    runShow,
});

} // namespace
} // namespace Cli
