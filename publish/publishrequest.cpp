#include "publish/publishrequest.h"

#include "project/projectfiles.h"
#include "project/projectsession.h"

namespace Publish {

PublishRequest requestFor(Model::ProjectSession &session, std::string homeDir)
{
    return { .project = session.project(),
        .lists = session.lists(),
        .homeDir = std::move(homeDir),
        .projectDirectory = Model::projectDirectoryOf(session.fileName()),
        .target = session.publishDirectory() };
}

void readPagesOnce(PublishRequest &request)
{
    request.reading
        = std::make_shared<const SiteReading>(ReadSite(request.project, request.bodyFiles));
}

std::optional<Platform::Message> stoppedNotice(const PublishResult &result)
{
    using Platform::MessageButtons;
    using Platform::MessageIcon;
    switch (result.outcome) {
    case PublishOutcome::NoDirectory:
        return Platform::Message { Platform::ApplicationTitle,
            "Please specify a directory before continuing.", MessageIcon::Error,
            MessageButtons::Ok };
    case PublishOutcome::DirectoryMissing:
        return Platform::Message { "Error",
            "The directory " + result.directory + " does not exist.", MessageIcon::Error,
            MessageButtons::Ok };
    case PublishOutcome::DirectoryNotCreated:
        return Platform::Message { "Error",
            "Cannot create directory.\nPossible cause: the directory WEBSITE may already exist "
            "in the specified directory.",
            MessageIcon::Error, MessageButtons::Ok };
    case PublishOutcome::Completed:
    case PublishOutcome::Cancelled:
        break;
    }
    return std::nullopt;
}

std::optional<Platform::Message> notCopiedWarning(const PublishResult &result)
{
    if (result.notCopied.empty())
        return std::nullopt;
    // The first lines name the files; a long list ends in a count.
    constexpr std::size_t Shown = 20;
    std::string text = "These files that the pages refer to could not be copied into the website:";
    for (std::size_t i = 0; i < result.notCopied.size() && i < Shown; ++i)
        text += "\n" + result.notCopied[i];
    if (result.notCopied.size() > Shown)
        text += "\nand " + std::to_string(result.notCopied.size() - Shown) + " more";
    return Platform::Message { Platform::ApplicationTitle, text, Platform::MessageIcon::Warning,
        Platform::MessageButtons::Ok };
}

} // namespace Publish
