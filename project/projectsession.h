#pragma once

#include "project/pageselection.h"
#include "project/project.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Model {

/// A window that holds the page bodies while the user edits them. While one is attached, its
/// texts are the bodies: the session reads them before it saves or hands the project on, and
/// gives it the bodies that New and Open change.
class PageBodyHolder
{
public:
    virtual ~PageBodyHolder() = default;
    /// The whole body of a page (Windows-1252, CR LF line breaks).
    virtual std::string pageText(PageId page) const = 0;
    /// Replaces the whole body of a page.
    virtual void setPageText(PageId page, const std::string &body) = 0;
    /// Whether any text was edited since the last markTextsSaved.
    virtual bool textsEdited() const = 0;
    /// The texts as they are now count as saved.
    virtual void markTextsSaved() = 0;
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
public:
    /// A session with the start-up project: DefaultProject and the Edit Pages list "Home".
    explicit ProjectSession(ChoiceLists lists);
    ProjectSession(const ProjectSession &) = delete;
    ProjectSession &operator=(const ProjectSession &) = delete;

    /// The project with its page bodies as they are now (the attached holder's texts).
    const Project &project();
    /// The project's fields for reading and changing; its page bodies may lag behind an
    /// attached holder's texts.
    Project &fields() { return m_project; }
    const Project &fields() const { return m_project; }
    PageSelection &selection() { return m_selection; }
    const PageSelection &selection() const { return m_selection; }
    const ChoiceLists &lists() const { return m_lists; }

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
    /// Puts back a session from recoverySnapshot's bytes, marked as unsaved; returns the
    /// warnings of choice names that are no longer installed (see open). Throws FileError
    /// when the bytes are not a whole snapshot, and then nothing has changed.
    std::vector<std::string> restoreRecoverySnapshot(std::string_view snapshot);

    /// Attaches the window that holds the page bodies and hands it the project's bodies;
    /// nullptr detaches it after copying its texts back.
    void attachBodyHolder(PageBodyHolder *holder);

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
    /// Copies the holder's texts into the project.
    void collectBodies();
    /// Hands the holder the bodies that differ from `before`; the others keep their caret.
    void distributeBodies(const std::array<std::string, PageCount> &before);
    /// What is on disk (or new) now: the base isModified compares with.
    void markSaved();

    /// What New replaced, for Undo.
    struct BeforeNew
    {
        Project project;
        PageSelection::ListState list;
        Project savedFields;
        std::array<std::string, PageCount> savedBodies;
        bool modified = false;
        bool restoredUnsaved = false;
        std::string fileName;
        std::string publishDirectory;
    };

    ChoiceLists m_lists;
    Project m_project;
    PageSelection m_selection { m_project };
    Project m_savedFields; ///< the fields as last opened, saved or made new; no bodies
    std::array<std::string, PageCount> m_savedBodies; ///< compared while no holder is attached
    PageBodyHolder *m_holder = nullptr;
    bool m_bodiesUnsaved = false; ///< known unsaved when the bodies changed keeper
    bool m_restoredUnsaved = false; ///< restored from a snapshot, not saved since
    std::optional<BeforeNew> m_beforeNew;
    std::string m_fileName;
    std::string m_lastOpenName;
    std::string m_lastSaveName;
    std::string m_publishDirectory;
};

} // namespace Model
