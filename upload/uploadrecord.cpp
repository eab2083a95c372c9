#include "upload/uploadrecord.h"

#include "upload/manifest.h"

#include "platform/encoding.h"
#include "platform/fileerror.h"
#include "platform/userfolders.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace Upload {
namespace {

/// The folder of the records: below the user's state folder, never one other users share.
std::string recordFolder()
{
    const std::optional<std::string> state = Platform::userFolder(Platform::UserFolder::State);
    if (!state)
        throw Platform::FileError(
            "Cannot find the folder for the record of uploads: HOME is not set");
    return *state + "/corvanta/uploads";
}

[[noreturn]] void throwRecordError(const std::string &path, int error)
{
    throw Platform::FileError(Platform::utf8ToCp1252(
        "Cannot keep the record of uploads " + path + " (" + Platform::errnoMessage(error) + ")"));
}

constexpr const char *Heading = "# Files corvanta uploaded to ";

} // namespace

UploadRecord::UploadRecord(const HostSettings &settings)
{
    m_destination = std::string(protocolName(settings.protocol)) + "://" + settings.user + "@"
        + settings.host + ":" + std::to_string(portOf(settings)) + "/" + settings.folder;
    m_path = recordFolder() + "/" + sha256Hex(m_destination).substr(0, 32);
    std::FILE *file = std::fopen(m_path.c_str(), "rb");
    if (file == nullptr) {
        if (errno != ENOENT)
            throwRecordError(m_path, errno);
        return;
    }
    std::string text;
    char buffer[65536];
    for (std::size_t count; (count = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        text.append(buffer, count);
    std::fclose(file);
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos;
         start = end + 1, end = text.find('\n', start)) {
        std::string name = text.substr(start, end - start);
        if (!name.starts_with("#") && nameProblem(name).empty())
            m_names.insert(std::move(name));
    }
}

void UploadRecord::add(const std::string &name)
{
    m_changed = m_names.insert(name).second || m_changed;
}

void UploadRecord::erase(const std::string &name)
{
    m_changed = m_names.erase(name) > 0 || m_changed;
}

void UploadRecord::save()
{
    if (!m_changed)
        return;
    Platform::makePrivateFolder(m_path.substr(0, m_path.rfind('/')));
    std::string text = Heading + m_destination + "\n";
    for (const std::string &name : m_names)
        text += name + "\n";
    // Written beside the old record and renamed over it, so a crash leaves one of the two whole.
    const std::string temporary = m_path + ".new";
    const int fd
        = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        throwRecordError(m_path, errno);
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t count = ::write(fd, text.data() + written, text.size() - written);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0) {
            const int error = errno;
            ::close(fd);
            throwRecordError(m_path, error);
        }
        written += static_cast<std::size_t>(count);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0 || ::rename(temporary.c_str(), m_path.c_str()) != 0)
        throwRecordError(m_path, errno);
    m_changed = false;
}

} // namespace Upload
