#pragma once

#include "platform/directory.h"
#include "project/project.h"
#include "publish/references.h"
#include "publish/renderpage.h"
#include "publish/webpictures.h"

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace Publish {

/// What a reference in a page body points at.
enum class ReferenceKind {
    Address, ///< a web address, mail or phone link, fragment, script or inline data
    SitePage, ///< one of the site's own page files ("about.html", "index.html")
    UserFile ///< a file of the user's, beside the project file or below it
};

/// A reference judged against the project's folder, without reading the file.
struct LocatedReference
{
    ReferenceKind kind = ReferenceKind::Address;
    Model::PageId page = 0; ///< SitePage: the page whose file it names; 0 for index.html
    std::string relativePath; ///< UserFile: the path inside the project folder (UTF-8, "/")
    std::string problem; ///< UserFile: why it cannot be copied, Windows-1252; empty if it can
};

/// Judges one reference (UTF-8, as a browser would request it): the query and fragment are
/// dropped, percent-escapes decoded, and a file of the user's is looked up inside
/// `projectDir` (Windows-1252). A path that leaves the folder by "..", by being absolute or
/// through a link is reported, never followed, and so is one of the project's own files
/// (isProjectFileName, or a file with its ".upload" or ".settings" file beside it), by
/// whatever name or link it is reached; nothing is opened.
LocatedReference LocateReference(const std::string &projectDir, std::string_view target);

/// Judges many references against one project folder, as LocateReference does, with the
/// folder's own place looked up once.
class ReferenceLocator
{
public:
    explicit ReferenceLocator(const std::string &projectDir);
    /// The judgement of LocateReference.
    LocatedReference locate(std::string_view target) const;

private:
    /// Why the file of the user's at `relative` (a path inside the project folder) cannot be
    /// copied; empty when it can.
    std::string userFileProblem(const std::string &relative) const;
    /// The part of userFileProblem that looks at the file itself and the links on its way.
    std::string foundFileProblem(const std::string &relative) const;
    /// True when `file` is one of the project's own files in the project folder, by any name:
    /// those of isProjectFileName, and a project file of any name that has its upload or
    /// settings file beside it.
    bool isProjectFile(const struct stat &file) const;

    std::string m_projectDir;
    std::string m_realRoot; ///< the folder with every link on the way resolved; empty if none
    /// The project's own files in the folder, by device and inode; listed when first needed.
    mutable std::optional<std::set<std::pair<dev_t, ino_t>>> m_projectFiles;
};

/// True when a file of this name is one of a project's own files, never part of a website: a
/// project file ("*.cvp"), its upload or settings file, a save's journal or temporary file,
/// or, `inProjectFolder`, a page file ("1.dat" to "14.dat").
bool isProjectFileName(std::string_view name, bool inProjectFolder);

/// Copies every file of the user's that the ticked pages refer to, as `targets` lists them,
/// into `website` at the same relative path, subfolders made as needed. Only regular files
/// inside `projectDir` are read, each once, and everything is written through `website` as
/// it was opened, never again by a path. Returns one line for each file that could not be
/// copied and why (Windows-1252), in page order. With an empty `projectDir` nothing can be
/// found. With `pictures`, a JPEG, PNG or WebP (by its content) gets its name in the website
/// and is left to WritePictures.
std::vector<std::string> CopyUserFiles(const Model::Project &project, const std::string &projectDir,
    const Platform::Directory &website, const SiteTargets &targets,
    PicturesToMake *pictures = nullptr);

} // namespace Publish
