#include "update/updatecheck.h"

#include "update/download.h"

#include "platform/encoding.h"
#include "platform/fileerror.h"
#include "platform/files.h"
#include "platform/textlines.h"
#include "platform/userfolders.h"

#include <array>

namespace Update {

std::string UpdateFilePath(const std::string &directory)
{
    return directory + "/" + UpdateFileName;
}

std::string UpdateCacheDirectory()
{
    const std::optional<std::string> cache = Platform::userFolder(Platform::UserFolder::Cache);
    if (!cache)
        throw Platform::FileError("Cannot find the cache folder: HOME is not set");
    std::string directory = Platform::utf8ToCp1252(*cache) + "/corvanta";
    if (const int error = Platform::makeDirectories(directory); error != 0)
        throw Platform::FileError(
            "Cannot create directory " + directory + ": " + Platform::errnoMessage(error));
    return directory;
}

std::string UpdateFolderOf(const std::string &fileAddress)
{
    return fileAddress.substr(0, fileAddress.rfind('/') + 1);
}

std::string PreparingText(const std::string &fileAddress)
{
    return "Preparing to get update from " + UpdateFolderOf(fileAddress) + "...";
}

std::string ReadLatestVersion(const std::string &path)
{
    Platform::File file(path, Platform::File::Mode::Read);
    std::array<char, 1024> buffer {};
    std::string line;
    for (;;) {
        const std::size_t count = file.read(buffer.data(), buffer.size());
        const std::string_view piece(buffer.data(), count);
        const std::string_view firstLinePart = Platform::firstTextLine(piece);
        line.append(firstLinePart);
        if (count == 0 || firstLinePart.size() < piece.size())
            break;
    }
    file.close();
    return line;
}

bool IsNewerVersion(std::string_view latestVersion, std::string_view currentVersion)
{
    return latestVersion != currentVersion;
}

std::optional<UpdateReport> CheckForUpdate(const std::string &fileAddress,
    const std::string &localPath, std::string_view currentVersion, const std::atomic<bool> *cancel,
    const DownloadLimits &limits)
{
    if (!DownloadUrlToFile(fileAddress, localPath, cancel, limits))
        return std::nullopt;
    UpdateReport report;
    report.latestVersion = ReadLatestVersion(localPath);
    report.newerAvailable = IsNewerVersion(report.latestVersion, currentVersion);
    return report;
}

} // namespace Update
