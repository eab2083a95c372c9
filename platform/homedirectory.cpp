#include "platform/homedirectory.h"

#include "platform/encoding.h"
#include "platform/files.h"

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace Platform {

std::string installedDataDirectory(const std::string &relativeDataDir)
{
    std::string program(PATH_MAX, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", program.data(), program.size());
    if (length <= 0)
        return {};
    program.resize(static_cast<std::size_t>(length));
    const std::filesystem::path data
        = (std::filesystem::path(program).parent_path() / relativeDataDir).lexically_normal();
    std::string native = data.string();
    if (native.size() > 1 && native.back() == '/')
        native.pop_back();
    return utf8ToCp1252Exact(native).value_or(std::string());
}

std::string defaultHomeDirectory()
{
    std::string working = currentDirectory();
    const auto holdsTemplates = [](const std::string &directory) {
        return !directory.empty()
            && isDirectory(directory + (directory == "/" ? "" : "/") + "templates");
    };
    if (holdsTemplates(working))
        return working;
    const std::string installed = installedDataDirectory(CORVANTA_INSTALLED_DATA_DIR);
    return holdsTemplates(installed) ? installed : working;
}

} // namespace Platform
