#pragma once

#include <stdexcept>
#include <string>

namespace Platform {

/// An error that ends a command; its text is already the message the user reads
/// ("File not found", "Cannot open file /home/a/7.dat"). Each command catches it in one place
/// and shows it in the standard error box.
class FileError : public std::runtime_error
{
public:
    explicit FileError(const std::string &message);
};

/// The user's text for an errno value: "File not found", "File access denied", "Disk full",
/// or "I/O error N".
std::string errnoMessage(int errorNumber);

/// Throws the FileError of an errno value.
[[noreturn]] void throwErrno(int errorNumber);

/// The text the standard error box shows: a full stop is added when the message's last
/// character has a code above that of the full stop.
std::string standardErrorText(const std::string &message);

} // namespace Platform
