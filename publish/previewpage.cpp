#include "publish/previewpage.h"

#include "publish/publishwebsite.h"
#include "publish/userfiles.h"

#include "platform/encoding.h"
#include "platform/fileerror.h"
#include "platform/files.h"
#include "platform/userfolders.h"

#include <filesystem>
#include <system_error>

namespace Publish {

namespace {

/// Passes on what publishing asks and the errors it reports; its notices, which speak of the
/// publish directory the user chose or of the files left out of the website, mean nothing
/// for a preview (the check lists the files that cannot be found).
class PreviewDialogs : public Platform::Dialogs
{
public:
    explicit PreviewDialogs(Platform::Dialogs &user)
        : m_user(user)
    { }
    bool confirm(const Platform::Message &question) override { return m_user.confirm(question); }
    void notify(const Platform::Message &notice) override
    {
        const bool notCopied = notice.text.starts_with(NotCopiedHeading);
        if ((notice.icon == Platform::MessageIcon::Error
                || notice.icon == Platform::MessageIcon::Warning)
            && !notCopied)
            m_user.notify(notice);
    }
    std::string askText(const std::string &caption, const std::string &prompt,
        const std::string &initialText) override
    {
        return m_user.askText(caption, prompt, initialText);
    }
    std::optional<std::string> chooseFile(const Platform::FileDialogSpec &request) override
    {
        return m_user.chooseFile(request);
    }
    std::optional<Platform::Colour> chooseColour(Platform::Colour initial) override
    {
        return m_user.chooseColour(initial);
    }
    void openDocument(const std::string &target) override { m_user.openDocument(target); }

private:
    Platform::Dialogs &m_user;
};

} // namespace

std::string previewDirectory()
{
    const std::optional<std::string> cache = Platform::userFolder(Platform::UserFolder::Cache);
    if (!cache)
        throw Platform::FileError("Cannot find the cache folder: HOME is not set");
    return Platform::utf8ToCp1252(*cache) + "/corvanta/preview";
}

std::string PreviewPage(const Model::Project &project, const Model::ChoiceLists &lists,
    Model::PageId page, const std::string &homeDir, const std::string &previewDir,
    Platform::Dialogs &dialogs, const PageBodyFiles *bodyFiles, const std::string &projectDirectory)
{
    const Model::PageInfo &info = Model::pageInfo(page);
    if (!Model::pageIncluded(project, page)) {
        throw Platform::FileError(std::string("The page ") + info.caption
            + " is not part of the website; tick it on the Pages pane to preview it");
    }
    if (Platform::makeDirectories(previewDir) != 0)
        throw Platform::FileError("Cannot create directory " + previewDir);
    // Publishing writes only into a new "website" folder, so the last preview goes first.
    const std::string websiteDir = websiteDirectoryOf(previewDir);
    std::error_code error;
    std::filesystem::remove_all(Platform::nativePath(websiteDir), error);
    if (error)
        throw Platform::FileError("Cannot remove the earlier preview " + websiteDir);

    PreviewDialogs previewDialogs(dialogs);
    const PublishOutcome outcome = PublishWebsite(project, lists, homeDir, previewDir,
        previewDialogs, nullptr, bodyFiles, ExistingWebsite::Keep, projectDirectory);
    if (outcome != PublishOutcome::Completed)
        throw Platform::FileError("Cannot create directory " + websiteDir);
    return websiteDir + "/" + info.pageFile;
}

} // namespace Publish
