#include "platform/fileerror.h"

#include <cerrno>

namespace Platform {

FileError::FileError(const std::string &message)
    : std::runtime_error(message)
{ }

std::string errnoMessage(int errorNumber)
{
    switch (errorNumber) {
    case ENOENT:
    case ENOTDIR:
        return "File not found";
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return "File access denied";
    case ENOSPC:
    case EDQUOT:
        return "Disk full";
    default:
        return "I/O error " + std::to_string(errorNumber);
    }
}

void throwErrno(int errorNumber) { throw FileError(errnoMessage(errorNumber)); }

std::string standardErrorText(const std::string &message)
{
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        return message + '.';
    return message;
}

} // namespace Platform
