#include "project/projectsession.h"
#include "project/sitefinding.h"

#include "platform/encoding.h"
#include "platform/fileerror.h"
#include "platform/files.h"
#include "platform/maker.h"
#include "project/projectfiles.h"

#include <algorithm>
#include <utility>

namespace Model {

namespace {

/// A body held as bytes.
class BodyBytes final : public BodyText
{
public:
    explicit BodyBytes(std::string body)
        : m_body(std::move(body))
    { }
    std::string bytes() const override { return m_body; }

private:
    const std::string m_body;
};

} // namespace

std::shared_ptr<const BodyText> bodyTextOf(std::string body)
{
    return std::make_shared<const BodyBytes>(std::move(body));
}

Project ProjectSnapshot::project() const
{
    Project whole;
    static_cast<ProjectFields &>(whole) = m_fields;
    for (std::size_t index = 0; index < PageCount; ++index)
        whole.pageBody[index] = m_bodies[index]->bytes();
    return whole;
}

ProjectSession::ProjectSession(ChoiceLists lists)
    : m_lists(std::move(lists))
    , m_project(DefaultProject(m_lists))
{
    m_selection.resetList();
    markSaved();
}

void PageBodyEditor::reportEdit(PageId page, bool unsaved)
{
    if (m_session)
        m_session->bodyEdited(page, unsaved);
}

void ProjectSession::setTemplates(std::vector<std::string> templates)
{
    const auto follow = [&](ProjectFields &project) {
        // The template chosen, or the name kept for one that was not installed when the
        // project was opened: the one just added may be it.
        std::optional<std::string> name;
        if (project.templateName && *project.templateName < m_lists.templates.size())
            name = m_lists.templates[*project.templateName];
        else if (const auto kept
            = project.settings.value(SettingsKeys::Choices, SettingsKeys::Template))
            name = Platform::utf8ToCp1252Exact(*kept);
        if (!name)
            return;
        const auto found = std::find(templates.begin(), templates.end(), *name);
        project.templateName = found == templates.end()
            ? Choice()
            : Choice(static_cast<std::size_t>(found - templates.begin()));
    };
    follow(m_project);
    follow(m_savedFields);
    if (m_beforeNew) {
        follow(m_beforeNew->project);
        follow(m_beforeNew->savedFields);
    }
    m_lists.templates = std::move(templates);
}

const Project &ProjectSession::project()
{
    collectBodies();
    return m_project;
}

ProjectSnapshot ProjectSession::snapshot()
{
    ProjectSnapshot taken;
    // The bodies are not copied here: they may be large, and while an editor is attached it
    // holds every one of them (the session hands it each body it has). Nothing of the project
    // is written either: a publishing run may be reading it on its own thread meanwhile.
    taken.m_fields = static_cast<const ProjectFields &>(m_project);
    for (PageId page = 1; page <= PageCount; ++page) {
        const auto index = static_cast<std::size_t>(page - 1);
        taken.m_bodies[index]
            = m_editor ? m_editor->pageTextNow(page) : bodyTextOf(m_project.pageBody[index]);
    }
    return taken;
}

Project &ProjectSession::fields()
{
    collectBodies();
    return m_project;
}

int ProjectSession::observe(std::function<void(SessionChange)> observer)
{
    m_observers.emplace_back(++m_lastObserver, std::move(observer));
    return m_lastObserver;
}

void ProjectSession::stopObserving(int id)
{
    std::erase_if(m_observers, [id](const auto &observer) { return observer.first == id; });
}

void ProjectSession::notify(SessionChange change)
{
    // An observer may stop observing while it is told.
    const auto observers = m_observers;
    for (const auto &[id, observer] : observers)
        observer(change);
}

void ProjectSession::fieldsEdited() { notify(SessionChange::Fields); }

void ProjectSession::bodyEdited(PageId page, bool unsaved)
{
    const auto index = static_cast<std::size_t>(page - 1);
    m_editedInEditor.at(index) = true;
    m_unsavedInEditor[index] = unsaved;
    notify(SessionChange::PageBody);
}

bool ProjectSession::editorTextsUnsaved() const
{
    return std::find(m_unsavedInEditor.begin(), m_unsavedInEditor.end(), true)
        != m_unsavedInEditor.end();
}

bool ProjectSession::isModified()
{
    // The fields are compared without the bodies, which may be large and live in the editor.
    if (!(static_cast<const ProjectFields &>(m_project) == m_savedFields))
        return true;
    if (m_bodiesUnsaved || m_restoredUnsaved)
        return true;
    return m_editor ? editorTextsUnsaved() : m_project.pageBody != m_savedBodies;
}

void ProjectSession::attachBodyEditor(PageBodyEditor *editor)
{
    if (m_editor == editor)
        return;
    collectBodies();
    // Whether the bodies differ from the saved ones carries over from one editor to the next.
    m_bodiesUnsaved = m_bodiesUnsaved
        || (m_editor ? editorTextsUnsaved() : m_project.pageBody != m_savedBodies);
    if (m_editor)
        m_editor->m_session = nullptr;
    m_editor = editor;
    m_editedInEditor = {};
    m_unsavedInEditor = {};
    if (!m_editor)
        return;
    for (PageId page = 1; page <= PageCount; ++page)
        m_editor->setPageText(page, m_project.pageBody[static_cast<std::size_t>(page - 1)]);
    m_editor->markTextsSaved();
    m_editor->m_session = this;
}

void ProjectSession::collectBodies()
{
    if (!m_editor)
        return;
    for (PageId page = 1; page <= PageCount; ++page) {
        const auto index = static_cast<std::size_t>(page - 1);
        if (m_editedInEditor[index]) {
            m_project.pageBody[index] = m_editor->pageText(page);
            m_editedInEditor[index] = false;
        }
    }
}

void ProjectSession::distributeBodies(const std::array<std::string, PageCount> &before)
{
    if (!m_editor)
        return;
    // The editor's own reports of these changes would only bring the same bodies back.
    m_editor->m_session = nullptr;
    for (PageId page = 1; page <= PageCount; ++page) {
        const auto index = static_cast<std::size_t>(page - 1);
        if (m_project.pageBody[index] != before[index]) {
            m_editor->setPageText(page, m_project.pageBody[index]);
            m_unsavedInEditor[index] = false;
        }
    }
    m_editor->m_session = this;
}

void ProjectSession::markSaved()
{
    m_savedFields = static_cast<const ProjectFields &>(m_project);
    m_bodiesUnsaved = false;
    m_restoredUnsaved = false;
    m_unsavedInEditor = {};
    if (m_editor)
        m_editor->markTextsSaved();
    else
        m_savedBodies = m_project.pageBody;
}

void ProjectSession::newProject()
{
    collectBodies();
    const auto bodiesBefore = m_project.pageBody;
    m_beforeNew = BeforeNew { m_project, m_selection.listState(), m_savedFields, m_savedBodies,
        isModified(), m_restoredUnsaved, m_fileName, m_publishDirectory };
    // The site map flag is not part of a new project's settings; it keeps its value.
    const bool generateSitemap = m_project.generateSitemap;
    m_selection.setSiteType(SiteType::Personal);
    m_selection.resetForNew();
    m_project = DefaultProject(m_lists);
    m_project.generateSitemap = generateSitemap;
    distributeBodies(bodiesBefore);
    m_fileName.clear();
    m_publishDirectory.clear();
    markSaved();
    notify(SessionChange::Project);
}

bool ProjectSession::canUndoNew() { return m_beforeNew && m_fileName.empty() && !isModified(); }

void ProjectSession::undoNew()
{
    if (!canUndoNew())
        return;
    collectBodies();
    BeforeNew before = std::move(*m_beforeNew);
    m_beforeNew.reset();
    const auto bodiesNow = m_project.pageBody;
    m_project = std::move(before.project);
    m_selection.restoreListState(std::move(before.list));
    distributeBodies(bodiesNow);
    m_fileName = std::move(before.fileName);
    m_publishDirectory = std::move(before.publishDirectory);
    m_savedFields = std::move(before.savedFields);
    m_savedBodies = std::move(before.savedBodies);
    m_unsavedInEditor = {};
    if (m_editor)
        m_editor->markTextsSaved();
    // Whether it had unsaved changes is what counts; which ones is not kept apart.
    m_bodiesUnsaved = before.modified;
    m_restoredUnsaved = before.restoredUnsaved;
    notify(SessionChange::Project);
}

std::string ProjectSession::windowTitle()
{
    std::string program = Platform::ProgramNameAndVersion;
    const bool modified = isModified();
    if (m_fileName.empty() && !modified)
        return program;
    const std::string name = m_fileName.empty() ? "Untitled" : Platform::fileNameOf(m_fileName);
    return name + (modified ? "*" : "") + " - " + program;
}

namespace {

/// Snapshots of version 1, without the settings, are still restored.
constexpr std::string_view SnapshotHeader = "corvanta recovery 2\n";
constexpr std::string_view SnapshotHeaderWithoutSettings = "corvanta recovery 1\n";

void appendChunk(std::string &out, std::string_view bytes)
{
    out += std::to_string(bytes.size());
    out += '\n';
    out += bytes;
}

std::string_view takeChunk(std::string_view &rest)
{
    const auto newline = rest.find('\n');
    if (newline == std::string_view::npos || newline == 0 || newline > 12)
        throw Platform::FileError("Read beyond end of file");
    std::size_t size = 0;
    for (const char digit : rest.substr(0, newline)) {
        if (digit < '0' || digit > '9')
            throw Platform::FileError("Read beyond end of file");
        size = size * 10 + static_cast<std::size_t>(digit - '0');
    }
    rest.remove_prefix(newline + 1);
    if (size > rest.size())
        throw Platform::FileError("Read beyond end of file");
    const std::string_view chunk = rest.substr(0, size);
    rest.remove_prefix(size);
    return chunk;
}

std::string recoveryBytes(const std::string &fileName, const std::string &publishDirectory,
    const Project &project, const ChoiceLists &lists)
{
    std::string out(SnapshotHeader);
    appendChunk(out, fileName);
    appendChunk(out, publishDirectory);
    appendChunk(out, encodeProjectRecord(project));
    appendChunk(out, settingsWithChoiceNames(project, lists).text());
    for (const std::string &body : project.pageBody)
        appendChunk(out, body);
    return out;
}

} // namespace

std::string ProjectSession::recoverySnapshot() { return recoverySnapshotLater()(); }

std::function<std::string()> ProjectSession::recoverySnapshotLater()
{
    return [taken = snapshot(), fileName = m_fileName, publishDirectory = m_publishDirectory,
               lists = m_lists] {
        return recoveryBytes(fileName, publishDirectory, taken.project(), lists);
    };
}

std::vector<std::string> ProjectSession::restoreRecoverySnapshot(std::string_view snapshot)
{
    const bool withSettings = snapshot.starts_with(SnapshotHeader);
    if (!withSettings && !snapshot.starts_with(SnapshotHeaderWithoutSettings))
        throw Platform::FileError("Read beyond end of file");
    std::string_view rest
        = snapshot.substr((withSettings ? SnapshotHeader : SnapshotHeaderWithoutSettings).size());
    const std::string_view fileName = takeChunk(rest);
    const std::string_view publishDirectory = takeChunk(rest);
    const std::string_view record = takeChunk(rest);
    const std::string_view settings = withSettings ? takeChunk(rest) : std::string_view();
    std::array<std::string, PageCount> bodies;
    for (std::string &body : bodies)
        body = takeChunk(rest);
    if (record.size() != ProjectRecordSize || !rest.empty())
        throw Platform::FileError("Read beyond end of file");

    collectBodies();
    const auto bodiesBefore = m_project.pageBody;
    applyProjectRecord(record, m_selection, m_lists);
    m_project.settings = ProjectSettings::parse(settings);
    std::vector<std::string> warnings = applyChoiceNames(m_project, m_lists);
    m_project.pageBody = std::move(bodies);
    distributeBodies(bodiesBefore);
    m_fileName = fileName;
    m_publishDirectory = publishDirectory;
    m_restoredUnsaved = true;
    notify(SessionChange::Project);
    return warnings;
}

namespace {

bool isProjectFileName(const std::string &name)
{
    if (name.size() <= 4)
        return false;
    std::string extension = name.substr(name.size() - 4);
    for (char &c : extension)
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    return extension == ".cvp";
}

// The letters, digits and plain punctuation of a title, as a folder and file name: a quote
// or a slash would make a name that is hard to type or not a name at all ("Rosie's Bakery"
// gives "Rosies Bakery").
std::string nameFromTitle(const std::string &title)
{
    std::string name;
    for (const char c : title) {
        const auto byte = static_cast<unsigned char>(c);
        const bool kept = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z')
            || (byte >= '0' && byte <= '9') || c == '-' || c == '_' || c == '&' || c == ','
            || c == '(' || c == ')' || (byte >= 0xC0 && byte != 0xD7 && byte != 0xF7);
        if (kept)
            name += c;
        else if ((c == ' ' || c == '.' || c == '\t') && !name.empty() && name.back() != ' ')
            name += ' ';
    }
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    // Long enough to recognise, short enough for the folder, the file and its page names.
    constexpr std::size_t MostLetters = 60;
    if (name.size() > MostLetters) {
        name.resize(MostLetters);
        while (!name.empty() && name.back() == ' ')
            name.pop_back();
    }
    return name.empty() ? "My Website" : name;
}

} // namespace

std::string otherProjectInFolder(const std::string &projectFilePath)
{
    const std::string own = Platform::fileNameOf(projectFilePath);
    const std::string folder = projectFilePath.substr(0, projectFilePath.size() - own.size());
    std::string other;
    for (const Platform::DirectoryEntry &entry :
        Platform::listDirectory(folder.empty() ? "." : folder)) {
        const bool file = entry.kind == Platform::EntryKind::File
            || entry.kind == Platform::EntryKind::SymbolicLink;
        // The first in name order, so that the message names the same one every time.
        if (file && entry.name != own && isProjectFileName(entry.name)
            && (other.empty() || entry.name < other))
            other = entry.name;
    }
    return other;
}

std::string proposedProjectFile(const std::string &parentFolder, const std::string &siteTitle)
{
    const std::string name = nameFromTitle(siteTitle);
    const std::string parent
        = parentFolder.empty() || parentFolder.back() == '/' ? parentFolder : parentFolder + "/";
    for (int number = 1;; ++number) {
        const std::string folderName = number == 1 ? name : name + " " + std::to_string(number);
        std::string file = parent + folderName + "/" + folderName + ".cvp";
        if (!Platform::pathExists(file) && otherProjectInFolder(file).empty())
            return file;
    }
}

std::vector<std::string> ProjectSession::open(const std::string &projectFilePath)
{
    // Pages whose content file cannot be read keep the text they have.
    collectBodies();
    const auto bodiesBefore = m_project.pageBody;
    std::vector<std::string> warnings;
    try {
        warnings = ReadProjectFiles(projectFilePath, m_selection, m_lists);
    } catch (const Platform::FileError &) {
        // What was read before the error stays applied and shows; it is not what any file
        // holds, so it counts as changed.
        distributeBodies(bodiesBefore);
        notify(SessionChange::Project);
        throw;
    }
    distributeBodies(bodiesBefore);
    m_fileName = projectFilePath;
    markSaved();
    notify(SessionChange::Project);
    return warnings;
}

std::vector<std::string> ProjectSession::openFields(const std::string &projectFilePath)
{
    std::vector<std::string> warnings = ReadProjectRecord(projectFilePath, m_selection, m_lists);
    m_fileName = projectFilePath;
    markSaved();
    notify(SessionChange::Project);
    return warnings;
}

void ProjectSession::save(const std::string &projectFilePath)
{
    collectBodies();
    // The names are written with the files, and kept only when the save succeeds.
    ProjectSettings saved = settingsWithChoiceNames(m_project, m_lists);
    // The day each page body changed, for the sitemap.
    recordPageChanges(saved, m_project, todayUtc());
    ProjectSettings previous = std::exchange(m_project.settings, std::move(saved));
    try {
        WriteProjectFiles(m_project, projectFilePath);
    } catch (...) {
        m_project.settings = std::move(previous);
        throw;
    }
    m_fileName = projectFilePath;
    markSaved();
    notify(SessionChange::Saved);
}

} // namespace Model
