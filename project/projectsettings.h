#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Model {

/// The settings file beside a project ("PROJECT.cvp.settings"): what the fixed-size project
/// record has no room for, as INI text in UTF-8, sections of "key=value" lines:
///
///     [choices]
///     template=Plain
///     fontFamily=arial, sans-serif, verdana
///
/// Every line this program does not know (other sections and keys, comments, blank lines) is
/// kept as it was read and written back unchanged, so that keys of a later version survive a
/// save by this one; an entry keeps its exact line until its value is changed.
/// A value is the text after the first "=", without the blanks around it. In a written value
/// a backslash is "\\", a line feed "\n", a carriage return "\r", a tab "\t", another control
/// character or a blank at either end "\xHH"; reading undoes these.
class ProjectSettings
{
public:
    ProjectSettings() = default;

    /// Reads the text of a settings file. Never fails: a line that is neither a section nor
    /// an entry is kept as it is.
    static ProjectSettings parse(std::string_view text);
    /// The text of the file; empty for no lines.
    std::string text() const;

    /// The first value of `key` in `section` ("" is the part before any section).
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    /// Sets a value: in its line when the key is there, else as a new line at the end of its
    /// section, which is added at the end of the file when it is missing.
    void setValue(std::string_view section, std::string_view key, std::string_view value);

    struct Entry
    {
        std::string section;
        std::string key;
        std::string value;
    };
    /// Every entry in file order.
    std::vector<Entry> entries() const;

    /// The same entries in the same order, apart from the names of the template and font
    /// family: those stand for the project's choices, which are compared by themselves.
    /// Comments, blank lines and the spelling of lines are layout, not content.
    bool operator==(const ProjectSettings &other) const;

private:
    struct Line
    {
        std::string section; ///< the section the line is in
        std::string text; ///< the line as written, without its line break
        bool isEntry = false;
        bool isSectionHeader = false;
        std::string key;
        std::string value; ///< unescaped
    };
    std::vector<Line> m_lines;
};

/// Where the names of a project's choices are kept in its settings.
namespace SettingsKeys {
inline constexpr const char *Choices = "choices";
inline constexpr const char *Template = "template";
inline constexpr const char *FontFamily = "fontFamily";
} // namespace SettingsKeys

// ---- How pictures are published: the [pictures] section ----

/// Whether publishing makes web copies of the person's pictures, and how large they may be.
struct PictureSettings
{
    bool webReady = true; ///< "Make pictures web-ready"
    int longEdge = 1920; ///< the longest side of a web copy, in pixels
    bool operator==(const PictureSettings &) const = default;
};

namespace SettingsKeys {
inline constexpr const char *Pictures = "pictures";
inline constexpr const char *WebReady = "webReady";
inline constexpr const char *LongEdge = "longEdge";
} // namespace SettingsKeys

/// The sizes a web copy's long edge may be set to.
inline constexpr int SmallestLongEdge = 480;
inline constexpr int LargestLongEdge = 8000;

/// The picture settings a project's settings hold. A project saved before they existed has
/// none: its pictures are made web-ready too, since that only changes what is published (the
/// person's own files stay as they are) and keeps the place a photo was taken off the web. A
/// value that cannot be read counts as missing.
PictureSettings picturesOf(const ProjectSettings &settings);
/// Writes the picture settings into their section.
void setPictures(ProjectSettings &settings, const PictureSettings &pictures);
/// Why a value cannot be a picture setting, or "" when it can be.
std::string pictureSettingProblem(std::string_view key, std::string_view value);

} // namespace Model
