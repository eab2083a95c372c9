#include "project/projectsettings.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace Model {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string escaped(std::string_view value)
{
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        const auto c = static_cast<unsigned char>(value[i]);
        const bool atEnd = i == 0 || i + 1 == value.size();
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F || (c == ' ' && atEnd)) {
            char code[5];
            std::snprintf(code, sizeof code, "\\x%02X", c);
            out += code;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string unescaped(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[i + 1];
        if (next == '\\' || next == 'n' || next == 'r' || next == 't') {
            out += next == '\\' ? '\\' : next == 'n' ? '\n' : next == 'r' ? '\r' : '\t';
            ++i;
        } else if (next == 'x' && i + 3 < text.size() && hexValue(text[i + 2]) >= 0
            && hexValue(text[i + 3]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 2]) * 16 + hexValue(text[i + 3]));
            i += 3;
        } else {
            // Not one of ours: kept as typed.
            out += '\\';
        }
    }
    return out;
}

} // namespace

ProjectSettings ProjectSettings::parse(std::string_view text)
{
    ProjectSettings settings;
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    std::string section;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view raw = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (raw.ends_with('\r'))
            raw.remove_suffix(1);

        Line line;
        line.text = std::string(raw);
        const std::string_view content = trimmed(raw);
        if (content.size() >= 2 && content.front() == '[' && content.back() == ']') {
            section = std::string(trimmed(content.substr(1, content.size() - 2)));
            line.isSectionHeader = true;
        } else if (!content.empty() && content.front() != ';' && content.front() != '#') {
            const auto equals = content.find('=');
            if (equals != std::string_view::npos && equals > 0) {
                line.isEntry = true;
                line.key = std::string(trimmed(content.substr(0, equals)));
                line.value = unescaped(trimmed(content.substr(equals + 1)));
            }
        }
        line.section = section;
        settings.m_lines.push_back(std::move(line));
    }
    return settings;
}

std::string ProjectSettings::text() const
{
    std::string out;
    for (const Line &line : m_lines) {
        out += line.text;
        out += '\n';
    }
    return out;
}

std::optional<std::string> ProjectSettings::value(
    std::string_view section, std::string_view key) const
{
    for (const Line &line : m_lines) {
        if (line.isEntry && line.section == section && line.key == key)
            return line.value;
    }
    return std::nullopt;
}

void ProjectSettings::setValue(
    std::string_view section, std::string_view key, std::string_view value)
{
    const std::string text = std::string(key) + "=" + escaped(value);
    std::size_t insertAt = m_lines.size();
    bool sectionFound = section.empty();
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        Line &line = m_lines[i];
        if (line.section != section)
            continue;
        if (line.isEntry && line.key == key) {
            if (line.value != value) {
                line.value = std::string(value);
                line.text = text;
            }
            return;
        }
        sectionFound = true;
        // After the section's last entry or header, so that blank lines and comments that
        // lead into the next section stay with it.
        if (line.isEntry || line.isSectionHeader)
            insertAt = i + 1;
    }
    if (section.empty() && insertAt == m_lines.size()) {
        // Before the first section header.
        insertAt
            = static_cast<std::size_t>(std::find_if(m_lines.begin(), m_lines.end(),
                                           [](const Line &line) { return line.isSectionHeader; })
                - m_lines.begin());
    }
    std::vector<Line> added;
    if (!sectionFound) {
        Line header;
        header.section = std::string(section);
        header.text = "[" + std::string(section) + "]";
        header.isSectionHeader = true;
        added.push_back(std::move(header));
    }
    Line entry;
    entry.section = std::string(section);
    entry.text = text;
    entry.isEntry = true;
    entry.key = std::string(key);
    entry.value = std::string(value);
    added.push_back(std::move(entry));
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insertAt),
        std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
}

bool ProjectSettings::operator==(const ProjectSettings &other) const
{
    const auto content = [](const ProjectSettings &settings) {
        std::vector<std::array<std::string, 3>> entries;
        for (Entry &entry : settings.entries()) {
            const bool choiceName = entry.section == SettingsKeys::Choices
                && (entry.key.starts_with(SettingsKeys::Template)
                    || entry.key.starts_with(SettingsKeys::FontFamily));
            if (!choiceName)
                entries.push_back(
                    { std::move(entry.section), std::move(entry.key), std::move(entry.value) });
        }
        return entries;
    };
    return content(*this) == content(other);
}

std::vector<ProjectSettings::Entry> ProjectSettings::entries() const
{
    std::vector<Entry> all;
    for (const Line &line : m_lines) {
        if (line.isEntry)
            all.push_back({ line.section, line.key, line.value });
    }
    return all;
}

// ---- How pictures are published ----

namespace {

std::optional<int> longEdgeOf(std::string_view text)
{
    if (text.empty() || text.size() > 5
        || text.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    const int value = std::stoi(std::string(text));
    if (value < SmallestLongEdge || value > LargestLongEdge)
        return std::nullopt;
    return value;
}

} // namespace

PictureSettings picturesOf(const ProjectSettings &settings)
{
    PictureSettings pictures;
    if (const auto webReady = settings.value(SettingsKeys::Pictures, SettingsKeys::WebReady))
        pictures.webReady = *webReady != "false";
    if (const auto text = settings.value(SettingsKeys::Pictures, SettingsKeys::LongEdge)) {
        if (const std::optional<int> longEdge = longEdgeOf(*text))
            pictures.longEdge = *longEdge;
    }
    return pictures;
}

void setPictures(ProjectSettings &settings, const PictureSettings &pictures)
{
    settings.setValue(
        SettingsKeys::Pictures, SettingsKeys::WebReady, pictures.webReady ? "true" : "false");
    settings.setValue(
        SettingsKeys::Pictures, SettingsKeys::LongEdge, std::to_string(pictures.longEdge));
}

std::string pictureSettingProblem(std::string_view key, std::string_view value)
{
    if (key == SettingsKeys::WebReady && value != "true" && value != "false")
        return "must be \"true\" or \"false\"";
    if (key == SettingsKeys::LongEdge && !longEdgeOf(value)) {
        return "must be a number of pixels from " + std::to_string(SmallestLongEdge) + " to "
            + std::to_string(LargestLongEdge);
    }
    return {};
}

} // namespace Model
