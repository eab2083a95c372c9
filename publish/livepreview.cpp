#include "publish/livepreview.h"

#include "publish/previewpage.h"

#include "platform/files.h"

namespace Publish {

namespace {

/// Keeps what publishing says for the pane's notice line; nobody is there to answer.
class CollectedDialogs : public Platform::Dialogs
{
public:
    bool confirm(const Platform::Message &question) override
    {
        notify(question);
        return false;
    }
    void notify(const Platform::Message &notice) override { notices.push_back(notice.text); }
    std::string askText(const std::string &, const std::string &, const std::string &) override
    {
        return {};
    }
    std::optional<std::string> chooseFile(const Platform::FileDialogSpec &) override
    {
        return std::nullopt;
    }
    std::optional<Platform::Colour> chooseColour(Platform::Colour) override { return std::nullopt; }
    void openDocument(const std::string &) override { }

    std::vector<std::string> notices;
};

} // namespace

LivePreview renderLivePreview(const Model::Project &project, const Model::ChoiceLists &lists,
    Model::PageId page, const std::string &homeDir, const std::string &previewDir,
    const std::string &projectDirectory)
{
    CollectedDialogs dialogs;
    LivePreview preview;
    preview.pageFile = PreviewPage(
        project, lists, page, homeDir, previewDir, dialogs, nullptr, projectDirectory);
    preview.sourceMap = PageSourceMap(Platform::readWholeFile(preview.pageFile),
        project.pageBody.at(static_cast<std::size_t>(page - 1)));
    preview.notices = std::move(dialogs.notices);
    return preview;
}

} // namespace Publish
