#pragma once

#include "platform/files.h"

#include <cstddef>
#include <string_view>

namespace Platform {

/// The content of an open file seen in memory without copying it: the system lends the pages
/// of its file cache. Another program may cut the file short while it is seen; the pages past
/// its new end then read as zero bytes instead of stopping this program, and matchesFile()
/// tells that the view is no longer the file's content.
class MappedFile
{
public:
    /// Maps `file` as it is now. Where the system cannot map it, or it is empty, nothing is
    /// mapped and mapped() is false.
    explicit MappedFile(const File &file);
    ~MappedFile();
    MappedFile(const MappedFile &) = delete;
    MappedFile &operator=(const MappedFile &) = delete;

    bool mapped() const { return m_data != nullptr; }
    std::string_view view() const { return { m_data, m_size }; }
    /// True when the file still has the size it had when it was mapped and no page of the view
    /// was found cut off: what was read through the view was the file's content.
    bool matchesFile() const;

private:
    const File &m_file;
    const char *m_data = nullptr;
    std::size_t m_size = 0;
    int m_slot = -1;
};

} // namespace Platform
