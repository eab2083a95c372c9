#pragma once

#include "upload/hostsettings.h"

#include <set>
#include <string>

namespace Upload {

/// What this program uploaded to one destination (protocol, user, host, port and folder), kept
/// on this machine in $XDG_STATE_HOME/corvanta/uploads/. Anyone with access to the host can
/// edit the manifest there; a file is deleted on the host only when this record, too, says it
/// was uploaded from here.
class UploadRecord
{
public:
    /// Reads the record of the destination; none kept yet is an empty record. Throws
    /// Platform::FileError when it cannot be read.
    explicit UploadRecord(const HostSettings &settings);

    bool holds(const std::string &name) const { return m_names.contains(name); }
    void add(const std::string &name);
    void erase(const std::string &name);
    /// Writes the record when it changed, replacing the old one whole. Throws
    /// Platform::FileError.
    void save();

    const std::string &path() const { return m_path; }

private:
    std::string m_path;
    std::string m_destination;
    std::set<std::string> m_names;
    bool m_changed = false;
};

} // namespace Upload
