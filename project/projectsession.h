#pragma once

#include "project/pageselection.h"
#include "project/project.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Model {

class ProjectSession;

/// A page body's text at one moment, kept in the form its holder has it (a text control keeps
/// its own characters), so that taking it costs next to nothing however large the page; its
/// bytes are made only when asked, on any thread.
class BodyText
{
public:
    virtual ~BodyText() = default;
    /// The body: Windows-1252, CR LF line breaks. May be called on any thread, any number of
    /// times, and always gives the text as it was when it was taken.
    virtual std::string bytes() const = 0;
};

/// A body already in bytes, as a BodyText.
std::shared_ptr<const BodyText> bodyTextOf(std::string body);

/// A window where the user edits the page bodies. The session holds the bodies; the window
/// reports each edit (reportEdit) and the session takes the edited text only when it needs
/// it, so an edit costs no copy of a large body.
class PageBodyEditor
{
public:
    virtual ~PageBodyEditor() = default;
    /// The whole body of a page as edited now (Windows-1252, CR LF line breaks); asked only
    /// for pages reported edited.
    virtual std::string pageText(PageId page) const = 0;
    /// The text of a page as it is now, whose bytes may be made later on another thread; asked
    /// for every page when the session is taken in a moment. This one takes pageText's bytes
    /// at once, which suits an editor that keeps its pages as bytes.
    virtual std::shared_ptr<const BodyText> pageTextNow(PageId page) const
    {
        return bodyTextOf(pageText(page));
    }
    /// The session's body of a page changed (New, Open, a restored snapshot): shows it.
    virtual void setPageText(PageId page, const std::string &body) = 0;
    /// The texts as they are now count as saved.
    virtual void markTextsSaved() = 0;

protected:
    /// Tells the attached session that the user changed the text of `page`; `unsaved` is
    /// whether the text now differs from the one last saved.
    void reportEdit(PageId page, bool unsaved);

private:
    friend class ProjectSession;
    ProjectSession *m_session = nullptr;
};

/// What changed in a session, told to its observers as it happens.
enum class SessionChange {
    Fields, ///< a field of the project (a text, a choice, a tick, the site type)
    PageBody, ///< the text of a page body, edited
    Project, ///< the whole project: New, Open, Undo New or a restored snapshot
    Saved, ///< the project was saved
};

/// The project at one moment, taken on the window thread in far less time than a copy of the
/// project: the fields are copied and the bodies held as their holders have them. Making the
/// whole project from it converts the bodies, which takes time for large pages, so a worker
/// thread does that.
class ProjectSnapshot
{
public:
    /// The project with its fourteen bodies as they were when the snapshot was taken. May be
    /// called on any thread.
    Project project() const;

private:
    friend class ProjectSession;
    ProjectFields m_fields;
    std::array<std::shared_ptr<const BodyText>, PageCount> m_bodies;
};

/// The project file other than `projectFilePath` itself already in that file's folder, by
/// its name; empty when there is none. The page files beside a project file (1.dat ...
/// 14.dat) belong to it, so a second project saved into its folder would overwrite them.
std::string otherProjectInFolder(const std::string &projectFilePath);

/// Where a project's first save proposes to put it: a folder of its own named after the
/// site's title inside `parentFolder`, holding the project file of the same name
/// ("Documents/Rosies Bakery/Rosies Bakery.cvp"). A title that gives no name is "My Website";
/// when that folder already holds a project, "<name> 2", "<name> 3" and so on.
std::string proposedProjectFile(const std::string &parentFolder, const std::string &siteTitle);

/// The open project and every command on it: the project, its page selection and Edit Pages
/// list, the choice lists, the file names last used, the publish directory and whether
/// anything changed since the project was last saved. Every front (the windows and the
/// command line) goes through one session; it asks no questions and shows nothing.
class ProjectSession
{
    friend class PageBodyEditor;

public:
    /// A session with the start-up project: DefaultProject and the Edit Pages list "Home".
    explicit ProjectSession(ChoiceLists lists);
    ProjectSession(const ProjectSession &) = delete;
    ProjectSession &operator=(const ProjectSession &) = delete;

    /// The project with its page bodies as they are now (with the attached editor's edits).
    const Project &project();
    /// The project as it is now, taken in a moment (see ProjectSnapshot): what a worker thread
    /// needs to publish or keep the project while the window thread goes on.
    ProjectSnapshot snapshot();
    /// The project for changing its fields (its page bodies as project() gives them); a front
    /// that changes a field says so with fieldsEdited.
    Project &fields();

    /// Observers learn of every change as it happens, on the thread that made it. Returns
    /// the number that removes the observer again.
    int observe(std::function<void(SessionChange)> observer);
    void stopObserving(int id);
    /// A front changed a field through fields() or selection(): the observers are told.
    void fieldsEdited();
    PageSelection &selection() { return m_selection; }
    const PageSelection &selection() const { return m_selection; }
    const ChoiceLists &lists() const { return m_lists; }
    /// The template catalogue read again (a template was added): the project keeps the
    /// template it chose, whose position follows its name, or takes the one added when it is
    /// the template the project named but that was not installed; that alone changes
    /// nothing unsaved.
    void setTemplates(std::vector<std::string> templates);

    /// The project file the project was last opened from or saved to; empty for a new one.
    const std::string &fileName() const { return m_fileName; }
    /// The name last chosen in the Open and Save dialogs, where they start next time.
    const std::string &lastOpenName() const { return m_lastOpenName; }
    const std::string &lastSaveName() const { return m_lastSaveName; }
    void setLastOpenName(std::string name) { m_lastOpenName = std::move(name); }
    void setLastSaveName(std::string name) { m_lastSaveName = std::move(name); }

    /// The directory the site is published into (the publish window's choice); empty until
    /// one is chosen, and again after New.
    const std::string &publishDirectory() const { return m_publishDirectory; }
    void setPublishDirectory(std::string directory) { m_publishDirectory = std::move(directory); }

    /// Whether anything differs from what was last opened, saved or started new, or the
    /// project was restored from a recovery snapshot and not saved since.
    bool isModified();

    /// The main window's title: the project file's name, "*" while there are unsaved changes,
    /// then the program ("site.cvp* - Corvanta v1.0"); an unchanged new project shows the
    /// program alone.
    std::string windowTitle();

    /// Whether Undo can take back the last New: nothing changed since it.
    bool canUndoNew();
    /// Brings back the project as it was before the last New (one level), with its file name,
    /// publish directory and unsaved state.
    void undoNew();

    /// The whole session as bytes for a recovery snapshot: every field, the fourteen bodies,
    /// the file name and the publish directory.
    std::string recoverySnapshot();
    /// recoverySnapshot's bytes, taken in a moment (see snapshot()): the function returned
    /// makes them, on any thread, as they were when it was taken.
    std::function<std::string()> recoverySnapshotLater();
    /// Puts back a session from recoverySnapshot's bytes, marked as unsaved; returns the
    /// warnings of choice names that are no longer installed (see open). Throws FileError
    /// when the bytes are not a whole snapshot, and then nothing has changed.
    std::vector<std::string> restoreRecoverySnapshot(std::string_view snapshot);

    /// Attaches the window where the user edits the page bodies and hands it the project's
    /// bodies; nullptr detaches it after taking its edits.
    void attachBodyEditor(PageBodyEditor *editor);

    /// New: every field back to its start-up value except the site map flag, the site type
    /// personal, the ticks and the Edit Pages list reset, the publish directory forgotten.
    void newProject();
    /// Open: the project file, its settings and its page content files applied to the
    /// project. Returns the warnings the front shows: one for each chosen template or font
    /// that is no longer installed (the project keeps its name until another is chosen).
    /// Throws FileError at the first failure; what was read before it stays applied.
    std::vector<std::string> open(const std::string &projectFilePath);
    /// Open without the page bodies: the project file and its settings alone, for a front
    /// that reads the bodies straight from their files. Returns open's warnings. Throws
    /// FileError, and then nothing has changed.
    std::vector<std::string> openFields(const std::string &projectFilePath);
    /// Save: the project file, its fourteen page content files and its settings with the
    /// names of the choices made. Throws FileError, and then nothing has changed.
    void save(const std::string &projectFilePath);

private:
    /// The editor reported an edit of a page.
    void bodyEdited(PageId page, bool unsaved);
    /// Takes the texts of the pages the editor reported edited into the project.
    void collectBodies();
    /// Whether the editor reported a page whose text differs from the saved one.
    bool editorTextsUnsaved() const;
    void notify(SessionChange change);
    /// Hands the editor the bodies that differ from `before`; the others keep their caret.
    void distributeBodies(const std::array<std::string, PageCount> &before);
    /// What is on disk (or new) now: the base isModified compares with.
    void markSaved();

    /// What New replaced, for Undo.
    struct BeforeNew
    {
        Project project;
        PageSelection::ListState list;
        ProjectFields savedFields;
        std::array<std::string, PageCount> savedBodies;
        bool modified = false;
        bool restoredUnsaved = false;
        std::string fileName;
        std::string publishDirectory;
    };

    ChoiceLists m_lists;
    Project m_project;
    PageSelection m_selection { m_project };
    ProjectFields m_savedFields; ///< as last opened, saved or made new
    std::array<std::string, PageCount> m_savedBodies; ///< compared while no editor is attached
    PageBodyEditor *m_editor = nullptr;
    std::array<bool, PageCount> m_editedInEditor {}; ///< edited there, not yet taken
    std::array<bool, PageCount> m_unsavedInEditor {}; ///< as the editor last reported it
    std::vector<std::pair<int, std::function<void(SessionChange)>>> m_observers;
    int m_lastObserver = 0;
    bool m_bodiesUnsaved = false; ///< known unsaved when the editor was attached or detached
    bool m_restoredUnsaved = false; ///< restored from a snapshot, not saved since
    std::optional<BeforeNew> m_beforeNew;
    std::string m_fileName;
    std::string m_lastOpenName;
    std::string m_lastSaveName;
    std::string m_publishDirectory;
};

} // namespace Model
