#include "project/projectfiles.h"

#include "platform/encoding.h"
#include "platform/fileerror.h"
#include "platform/filegroup.h"
#include "platform/files.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace Model {
namespace {

// Where each field of the project file lives. Multi-byte numbers are little-endian.
namespace Offset {
constexpr std::size_t SiteType = 0;
constexpr std::size_t TemplateName = 1;
constexpr std::size_t SiteTitle = 2;
constexpr std::size_t SiteDescription = 258;
constexpr std::size_t SiteKeywords = 514;
constexpr std::size_t CopyrightYears = 770;
constexpr std::size_t LogoPath = 1026;
constexpr std::size_t Slogan = 1282;
constexpr std::size_t FontFamily = 1538;
constexpr std::size_t FontColorText = 1539;
constexpr std::size_t FontColorSwatch = 1548;
constexpr std::size_t FontSize = 1552;
constexpr std::size_t FontVariant = 1553;
constexpr std::size_t ListStyleType = 1617;
constexpr std::size_t ImageBorderStyle = 1618;
constexpr std::size_t ImageBorderWidth = 1619;
constexpr std::size_t ImageBorderColorText = 1620;
constexpr std::size_t ImageBorderColorSwatch = 1628;
constexpr std::size_t AddTextNavigation = 1632;
constexpr std::size_t AddCopyrightFooter = 1633;
constexpr std::size_t AddMadeWithLink = 1634;
constexpr std::size_t GenerateSitemap = 1635;
constexpr std::size_t PersonalPages = 1636;
constexpr std::size_t BusinessPages = 1645;
} // namespace Offset

constexpr std::size_t ShortTextLimit = 255;
constexpr std::size_t ColorTextLimit = 7;
constexpr std::uint8_t NoChoice = 255;
constexpr std::uint32_t SwatchBits = 0xFFFFFF;

class RecordWriter
{
public:
    RecordWriter()
        : m_bytes(ProjectRecordSize, '\0')
    { }

    void byte(std::size_t offset, std::uint8_t value)
    {
        m_bytes[offset] = static_cast<char>(value);
    }
    void flag(std::size_t offset, bool on) { byte(offset, on ? 1 : 0); }

    void choice(std::size_t offset, const Choice &position)
    {
        // 255 is also the value of "none", and larger positions have no byte at all: both are
        // written as none, so a reader never picks a wrong entry.
        byte(offset,
            position && *position < NoChoice ? static_cast<std::uint8_t>(*position) : NoChoice);
    }

    void text(std::size_t offset, std::string_view value, std::size_t limit)
    {
        const std::size_t length = std::min(value.size(), limit);
        byte(offset, static_cast<std::uint8_t>(length));
        std::copy_n(
            value.begin(), length, m_bytes.begin() + static_cast<std::ptrdiff_t>(offset + 1));
    }

    void number(std::size_t offset, std::uint32_t value)
    {
        for (std::size_t i = 0; i < 4; ++i)
            byte(offset + i, static_cast<std::uint8_t>(value >> (8 * i)));
    }

    void color(std::size_t textOffset, std::size_t swatchOffset, const ColorChoice &color)
    {
        text(textOffset, color.text, ColorTextLimit);
        number(swatchOffset, color.swatch & SwatchBits);
    }

    std::string take() { return std::move(m_bytes); }

private:
    std::string m_bytes;
};

class RecordReader
{
public:
    explicit RecordReader(std::string_view record)
        : m_bytes(record)
    { }

    std::uint8_t byte(std::size_t offset) const
    {
        return static_cast<std::uint8_t>(m_bytes[offset]);
    }
    bool flag(std::size_t offset) const { return byte(offset) == 1; }

    Choice choice(std::size_t offset, std::size_t listSize) const
    {
        const std::uint8_t value = byte(offset);
        if (value == NoChoice || value >= listSize)
            return std::nullopt;
        return value;
    }

    std::string text(std::size_t offset, std::size_t limit) const
    {
        // A colour text has room for 7 characters only; a larger length byte from a damaged
        // file must not reach into the fields after it.
        const std::size_t length = std::min<std::size_t>(byte(offset), limit);
        return std::string(m_bytes.substr(offset + 1, length));
    }

    std::uint32_t number(std::size_t offset) const
    {
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < 4; ++i)
            value |= static_cast<std::uint32_t>(byte(offset + i)) << (8 * i);
        return value;
    }

    ColorChoice color(std::size_t textOffset, std::size_t swatchOffset) const
    {
        return { text(textOffset, ColorTextLimit), number(swatchOffset) & SwatchBits };
    }

private:
    std::string_view m_bytes;
};

// The four link states, each stored as colour text, swatch and decoration. The padding after
// the colour text is two bytes for the first state and three for the others.
struct LinkState
{
    std::size_t textOffset;
    std::size_t swatchOffset;
    std::size_t decorationOffset;
    ColorChoice Project::*color;
    Choice Project::*decoration;
};

constexpr std::array<LinkState, 4> LinkStates = { {
    { 1554, 1564, 1568, &Project::linkColor, &Project::linkDecoration },
    { 1569, 1580, 1584, &Project::hoverColor, &Project::hoverDecoration },
    { 1585, 1596, 1600, &Project::activeColor, &Project::activeDecoration },
    { 1601, 1612, 1616, &Project::visitedColor, &Project::visitedDecoration },
} };

struct TextField
{
    std::size_t offset;
    std::string Project::*field;
};

// In the order they are stored and applied.
constexpr std::array<TextField, 6> TextFields = { {
    { Offset::SiteTitle, &Project::siteTitle },
    { Offset::SiteDescription, &Project::siteDescription },
    { Offset::SiteKeywords, &Project::siteKeywords },
    { Offset::CopyrightYears, &Project::copyrightYears },
    { Offset::LogoPath, &Project::logoPath },
    { Offset::Slogan, &Project::slogan },
} };

} // namespace

std::string encodeProjectRecord(const Project &project)
{
    RecordWriter record;
    record.byte(Offset::SiteType, project.siteType == SiteType::Personal ? 0 : 1);
    record.choice(Offset::TemplateName, project.templateName);
    for (const TextField &text : TextFields)
        record.text(text.offset, project.*text.field, ShortTextLimit);

    record.choice(Offset::FontFamily, project.fontFamily);
    record.color(Offset::FontColorText, Offset::FontColorSwatch, project.fontColor);
    record.choice(Offset::FontSize, project.fontSize);
    record.choice(Offset::FontVariant, project.fontVariant);

    for (const LinkState &state : LinkStates) {
        record.color(state.textOffset, state.swatchOffset, project.*state.color);
        record.choice(state.decorationOffset, project.*state.decoration);
    }

    record.choice(Offset::ListStyleType, project.listStyleType);
    record.choice(Offset::ImageBorderStyle, project.imageBorderStyle);
    record.choice(Offset::ImageBorderWidth, project.imageBorderWidth);
    record.color(
        Offset::ImageBorderColorText, Offset::ImageBorderColorSwatch, project.imageBorderColor);

    record.flag(Offset::AddTextNavigation, project.addTextNavigation);
    record.flag(Offset::AddCopyrightFooter, project.addCopyrightFooter);
    record.flag(Offset::AddMadeWithLink, project.addMadeWithLink);
    record.flag(Offset::GenerateSitemap, project.generateSitemap);
    for (std::size_t i = 0; i < project.personalPages.size(); ++i)
        record.flag(Offset::PersonalPages + i, project.personalPages[i]);
    for (std::size_t i = 0; i < project.businessPages.size(); ++i)
        record.flag(Offset::BusinessPages + i, project.businessPages[i]);
    return record.take();
}

bool namesInstalledFontFamily(std::string_view record)
{
    if (record.size() <= Offset::FontFamily)
        return false;
    const auto position = static_cast<std::uint8_t>(record[Offset::FontFamily]);
    return position >= Lists::FixedFontFamilies.size() && position != NoChoice;
}

void applyProjectRecord(std::string_view record, PageSelection &selection, const ChoiceLists &lists)
{
    if (record.size() < ProjectRecordSize)
        throw Platform::FileError("Read beyond end of file");
    const RecordReader in(record);
    Project &project = selection.project();

    // The site type first: it decides which column of ticks the user may change.
    selection.setSiteType(in.byte(Offset::SiteType) == 0 ? SiteType::Personal : SiteType::Business);
    project.templateName = in.choice(Offset::TemplateName, lists.templates.size());
    for (const TextField &text : TextFields)
        project.*text.field = in.text(text.offset, ShortTextLimit);

    project.fontFamily = in.choice(Offset::FontFamily, lists.fonts.size());
    project.fontColor = in.color(Offset::FontColorText, Offset::FontColorSwatch);
    project.fontSize = in.choice(Offset::FontSize, Lists::FontSizes.size());
    project.fontVariant = in.choice(Offset::FontVariant, Lists::FontVariants.size());

    for (const LinkState &state : LinkStates) {
        project.*state.color = in.color(state.textOffset, state.swatchOffset);
        project.*state.decoration = in.choice(state.decorationOffset, Lists::Decorations.size());
    }

    project.listStyleType = in.choice(Offset::ListStyleType, Lists::ListStyles.size());
    project.imageBorderStyle = in.choice(Offset::ImageBorderStyle, Lists::BorderStyles.size());
    project.imageBorderWidth = in.choice(Offset::ImageBorderWidth, Lists::BorderSizes.size());
    project.imageBorderColor
        = in.color(Offset::ImageBorderColorText, Offset::ImageBorderColorSwatch);

    project.addTextNavigation = in.flag(Offset::AddTextNavigation);
    project.addCopyrightFooter = in.flag(Offset::AddCopyrightFooter);
    project.addMadeWithLink = in.flag(Offset::AddMadeWithLink);
    project.generateSitemap = in.flag(Offset::GenerateSitemap);

    // Ticks go through the tick rule so that the Edit Pages list follows every change, in
    // this order: personal column, then business column, each by page.
    for (PageId page = 1; page <= PersonalPageCount; ++page) {
        selection.SetPageTick(Column::Personal, page,
            in.flag(Offset::PersonalPages + static_cast<std::size_t>(page - 1)));
    }
    for (PageId page = 1; page <= PageCount; ++page) {
        selection.SetPageTick(Column::Business, page,
            in.flag(Offset::BusinessPages + static_cast<std::size_t>(page - 1)));
    }
}

std::string saveJournalPath(const std::string &projectFilePath)
{
    // A name near the system's limit of 255 bytes leaves no room for the marks around it.
    const std::string name = Platform::fileNameOf(projectFilePath);
    return Platform::siblingPath(projectFilePath,
        (Platform::nativePath(name).size() <= 240 ? "." + name : ".corvanta-save") + ".journal");
}

namespace {

std::vector<std::string> projectFilePaths(const std::string &projectFilePath)
{
    std::vector<std::string> paths { projectFilePath };
    for (PageId page = 1; page <= PageCount; ++page)
        paths.push_back(pageContentPath(projectFilePath, page));
    paths.push_back(settingsPath(projectFilePath));
    return paths;
}

/// The entry a name (UTF-8) stands for in a list of Windows-1252 names.
Choice positionOfName(const std::string &name, const std::vector<std::string> &list)
{
    const std::optional<std::string> entry = Platform::utf8ToCp1252Exact(name);
    if (!entry)
        return std::nullopt;
    const auto found = std::find(list.begin(), list.end(), *entry);
    if (found == list.end())
        return std::nullopt;
    return static_cast<std::size_t>(found - list.begin());
}

struct NamedChoice
{
    Choice Project::*choice;
    std::vector<std::string> ChoiceLists::*list;
    const char *key;
    const char *what;
};

constexpr std::array<NamedChoice, 2> NamedChoices = { {
    { &Project::templateName, &ChoiceLists::templates, SettingsKeys::Template, "template" },
    { &Project::fontFamily, &ChoiceLists::fonts, SettingsKeys::FontFamily, "font" },
} };

/// A save that was stopped after its journal was written is completed before the files are
/// read, so that what opens is wholly one save.
void finishInterruptedSave(const std::string &projectFilePath)
{
    Platform::finishInterruptedReplacement(
        projectFilePaths(projectFilePath), saveJournalPath(projectFilePath));
}

} // namespace

std::string settingsPath(const std::string &projectFilePath)
{
    // A name near the system's limit of 255 bytes leaves no room for the ending: it is cut
    // short and a number made from the whole name keeps it apart from the settings of other
    // projects whose names begin the same.
    constexpr std::size_t NameLimit = 255;
    const std::string name = Platform::fileNameOf(projectFilePath);
    const std::string ending = ".settings";
    if (Platform::nativePath(name).size() + ending.size() <= NameLimit)
        return projectFilePath + ending;
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : name)
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    char number[18];
    std::snprintf(number, sizeof number, "-%016llx", static_cast<unsigned long long>(hash));
    std::string start = name;
    while (Platform::nativePath(start).size() + sizeof number - 1 + ending.size() > NameLimit)
        start.pop_back();
    return Platform::siblingPath(projectFilePath, start + number + ending);
}

namespace {

/// The settings key that keeps the position the record held when a choice's name was saved.
std::string positionKey(const NamedChoice &named) { return std::string(named.key) + "Position"; }

/// Whether the record's position of a choice was changed since its name was saved, by a copy
/// of the program (or a tool) that knows only the record: that later choice then stands.
bool positionChangedSinceSave(const Project &project, const NamedChoice &named)
{
    const Choice &position = project.*named.choice;
    const std::optional<std::string> saved
        = project.settings.value(SettingsKeys::Choices, positionKey(named));
    return position && saved && *saved != std::to_string(*position);
}

} // namespace

ProjectSettings settingsWithChoiceNames(const Project &project, const ChoiceLists &lists)
{
    ProjectSettings settings = project.settings;
    for (const NamedChoice &named : NamedChoices) {
        const Choice &position = project.*named.choice;
        const std::vector<std::string> &list = lists.*named.list;
        if (position && *position < list.size()) {
            settings.setValue(
                SettingsKeys::Choices, named.key, Platform::cp1252ToUtf8(list[*position]));
            // The record holds positions up to 254; past that it holds none.
            settings.setValue(SettingsKeys::Choices, positionKey(named),
                *position < 255 ? std::to_string(*position) : "none");
        }
    }
    return settings;
}

std::vector<std::string> applyChoiceNames(Project &project, const ChoiceLists &lists)
{
    std::vector<std::string> warnings;
    for (const NamedChoice &named : NamedChoices) {
        const std::optional<std::string> name
            = project.settings.value(SettingsKeys::Choices, named.key);
        if (!name || positionChangedSinceSave(project, named))
            continue;
        project.*named.choice = positionOfName(*name, lists.*named.list);
        if (!(project.*named.choice)) {
            warnings.push_back(std::string("The ") + named.what + " \""
                + Platform::utf8ToCp1252(*name) + "\" chosen for this project is not installed. "
                + "The project keeps it until you choose another " + named.what + ".");
        }
    }
    return warnings;
}

bool namesInstalledFontFamily(const ProjectSettings &settings)
{
    const std::optional<std::string> name
        = settings.value(SettingsKeys::Choices, SettingsKeys::FontFamily);
    return name
        && std::none_of(Lists::FixedFontFamilies.begin(), Lists::FixedFontFamilies.end(),
            [&](const char *fixed) { return *name == Platform::cp1252ToUtf8(fixed); });
}

void WriteProjectFiles(const Project &project, const std::string &projectFilePath)
{
    const std::string record = encodeProjectRecord(project);
    const std::string settings = project.settings.text();
    std::vector<Platform::FileReplacement> files;
    files.push_back({ projectFilePath, record, Platform::OpenFailure::ErrnoText });
    for (PageId page = 1; page <= PageCount; ++page) {
        files.push_back({ pageContentPath(projectFilePath, page),
            project.pageBody[static_cast<std::size_t>(page - 1)],
            Platform::OpenFailure::NamedText });
    }
    // A project of an older version in a folder where only its files may be written is
    // saved without one: its positions still hold the choices.
    files.push_back(
        { settingsPath(projectFilePath), settings, Platform::OpenFailure::NamedText, true });
    Platform::replaceFileGroup(files, saveJournalPath(projectFilePath));
}

ProjectSettings ReadProjectSettings(const std::string &projectFilePath)
{
    const std::string path = settingsPath(projectFilePath);
    if (!Platform::pathExists(path))
        return {};
    return ProjectSettings::parse(Platform::readWholeFile(path, Platform::OpenFailure::NamedText));
}

std::vector<std::string> ReadProjectRecord(
    const std::string &projectFilePath, PageSelection &selection, const ChoiceLists &lists)
{
    finishInterruptedSave(projectFilePath);
    // Read only: a project on a read-only medium or without write permission still opens.
    std::string record(ProjectRecordSize, '\0');
    {
        Platform::File file(
            projectFilePath, Platform::File::Mode::Read, Platform::OpenFailure::ErrnoText);
        if (file.readFully(record.data(), record.size()) < record.size())
            throw Platform::FileError("Read beyond end of file");
        file.close();
    }
    ProjectSettings settings = ReadProjectSettings(projectFilePath);
    applyProjectRecord(record, selection, lists);
    selection.project().settings = std::move(settings);
    return applyChoiceNames(selection.project(), lists);
}

std::string pageContentPath(const std::string &projectFilePath, PageId page)
{
    return Platform::siblingPath(projectFilePath, pageInfo(page).contentFile);
}

std::string projectDirectoryOf(const std::string &projectFilePath)
{
    const std::size_t slash = projectFilePath.rfind('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? std::string("/") : projectFilePath.substr(0, slash);
}

std::vector<std::string> ReadProjectFiles(
    const std::string &projectFilePath, PageSelection &selection, const ChoiceLists &lists)
{
    std::vector<std::string> warnings = ReadProjectRecord(projectFilePath, selection, lists);

    // Each body is replaced as soon as its file is read, so a missing file leaves that page
    // and the pages after it as they were.
    Project &project = selection.project();
    for (PageId page = 1; page <= PageCount; ++page) {
        project.pageBody[static_cast<std::size_t>(page - 1)] = Platform::readWholeFile(
            pageContentPath(projectFilePath, page), Platform::OpenFailure::NamedText);
    }
    return warnings;
}

} // namespace Model
