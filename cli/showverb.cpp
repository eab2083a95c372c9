#include "cli/clicommon.h"
#include "cli/projectfields.h"

#include "project/projectfiles.h"
#include "project/projectsession.h"

#include <algorithm>
#include <cstdio>
#include <span>
#include <vector>

namespace Cli {
namespace {

using Model::Choice;
using Model::ColorChoice;
using Model::Project;

/// Whether a settings entry is shown as a field of its own (siteAddress).
bool hasFieldOfItsOwn(const Model::ProjectSettings::Entry &entry)
{
    return std::any_of(std::begin(ProjectFields), std::end(ProjectFields), [&](const auto &field) {
        const auto *text = std::get_if<SettingsTextField>(&field.member);
        return text && entry.section == text->section && entry.key == text->key;
    });
}

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

    /// The settings as an object of sections, each an object of its keys in file order.
    void settings(const char *key, const Model::ProjectSettings &settings)
    {
        std::vector<std::pair<std::string, std::vector<Model::ProjectSettings::Entry>>> sections;
        for (Model::ProjectSettings::Entry &entry : settings.entries()) {
            // The record's positions kept beside the choices' names only mirror the record.
            if (entry.section == Model::SettingsKeys::Choices && entry.key.ends_with("Position"))
                continue;
            if (hasFieldOfItsOwn(entry))
                continue;
            auto section = std::find_if(sections.begin(), sections.end(),
                [&](const auto &known) { return known.first == entry.section; });
            if (section == sections.end())
                section = sections.insert(sections.end(), { entry.section, {} });
            section->second.push_back(std::move(entry));
        }
        this->key(key);
        m_text += "{";
        for (std::size_t i = 0; i < sections.size(); ++i) {
            m_text += i == 0 ? "\n    " : ",\n    ";
            quotedUtf8(sections[i].first);
            m_text += ": {";
            for (std::size_t k = 0; k < sections[i].second.size(); ++k) {
                m_text += k == 0 ? "" : ", ";
                quotedUtf8(sections[i].second[k].key);
                m_text += ": ";
                quotedUtf8(sections[i].second[k].value);
            }
            m_text += "}";
        }
        m_text += sections.empty() ? "}" : "\n  }";
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
        for (const char c : value)
            escaped(c);
        m_text += '"';
    }

    void escaped(char c)
    {
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
                char code[8];
                std::snprintf(code, sizeof code, "\\u%04x", static_cast<unsigned char>(c));
                m_text += code;
            } else {
                m_text += c;
            }
        }
    }

    /// A UTF-8 text with every character past ASCII as a \u escape, so that the
    /// Windows-1252 text this object builds holds any character; bytes that are not UTF-8
    /// stand as U+FFFD.
    void quotedUtf8(const std::string &value)
    {
        m_text += '"';
        for (std::size_t i = 0; i < value.size();) {
            const auto lead = static_cast<unsigned char>(value[i]);
            if (lead < 0x80) {
                escaped(static_cast<char>(lead));
                ++i;
                continue;
            }
            const std::size_t length = lead >= 0xF8 ? 0
                : lead >= 0xF0                      ? 4
                : lead >= 0xE0                      ? 3
                : lead >= 0xC0                      ? 2
                                                    : 0;
            char32_t code = length == 0 ? 0 : lead & (0x7F >> length);
            std::size_t taken = 1;
            for (; length != 0 && taken < length && i + taken < value.size(); ++taken) {
                const auto next = static_cast<unsigned char>(value[i + taken]);
                if ((next & 0xC0) != 0x80)
                    break;
                code = (code << 6) | (next & 0x3F);
            }
            const char32_t least[] = { 0, 0, 0x80, 0x800, 0x10000 };
            if (length == 0 || taken != length || code < least[length] || code > 0x10FFFF
                || (code >= 0xD800 && code <= 0xDFFF))
                code = 0xFFFD;
            i += std::max<std::size_t>(taken, 1);
            const auto unit = [&](char32_t u) {
                char escapedUnit[8];
                std::snprintf(escapedUnit, sizeof escapedUnit, "\\u%04x", static_cast<unsigned>(u));
                m_text += escapedUnit;
            };
            if (code >= 0x10000) {
                unit(0xD800 + ((code - 0x10000) >> 10));
                unit(0xDC00 + ((code - 0x10000) & 0x3FF));
            } else {
                unit(code);
            }
        }
        m_text += '"';
    }

    std::string m_text;
    bool m_first = true;
};

void runShow(const Invocation &invocation)
{
    const std::string projectFile = pathOperand(invocation.operands.at(0));
    const Model::ChoiceLists lists = choiceListsForProject(invocation.homeDir, projectFile);
    Model::ProjectSession session(lists);
    printWarnings(session.open(projectFile));
    const Model::Project &project = session.project();

    JsonObject json;
    for (const ProjectField &field : ProjectFields) {
        const char *name = field.name;
        std::visit(
            Overloaded {
                [&](Model::SiteType Project::*member) {
                    json.string(name,
                        project.*member == Model::SiteType::Personal ? "Personal" : "Business");
                },
                [&](std::string Project::*member) { json.string(name, project.*member); },
                [&](const ChoiceField &choice) {
                    visitEntries(choice.entries, lists,
                        [&](auto list) { json.choice(name, project.*choice.member, list); });
                },
                [&](ColorChoice Project::*member) { json.color(name, project.*member); },
                [&](bool Project::*member) { json.boolean(name, project.*member); },
                [&]<std::size_t N>(
                    std::array<bool, N> Project::*member) { json.booleans(name, project.*member); },
                [&](std::array<std::string, Model::PageCount> Project::*member) {
                    json.strings(name, project.*member);
                },
                [&](const SettingsTextField &text) { json.string(name, text.get(project)); },
                [&](Model::ProjectSettings Project::*) {
                    // The names of the template and font family chosen, as the next
                    // save writes them.
                    json.settings(name, Model::settingsWithChoiceNames(project, lists));
                },
            },
            field.member);
    }
    printText(json.finish());
}

const VerbRegistration registration({
    "show",
    "PROJECT.cvp",
    "Reads PROJECT.cvp and 1.dat to 14.dat beside it as the program's Open Project\n"
    "would and prints the project as one JSON object: every field by name, choices\n"
    "as their entry's text (null when none), colours as {\"text\", \"swatch\"},\n"
    "the page ticks as lists of 9 and 14 booleans, the 14 page bodies as strings,\n"
    "and the settings file PROJECT.cvp.settings as {section: {key: value}}, with the\n"
    "names of the template and font family chosen as the next save writes them.\n"
    "Its [pictures] section says how pictures are published: webReady (\"true\" or\n"
    "\"false\"; true when missing) and longEdge (480 to 8000 pixels; 1920 when missing).\n"
    "Template and font names refer to DIR/templates and the fonts installed here.",
    1,
    runShow,
});

} // namespace
} // namespace Cli
