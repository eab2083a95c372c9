#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace Model {

/// Where recovery snapshots of unsaved sessions are kept: one file per running program in
/// $XDG_STATE_HOME/corvanta/recovery/ (or ~/.local/state/corvanta/recovery/), readable by the
/// user alone (0600 in a folder of 0700 that the user owns). Without XDG_STATE_HOME and HOME
/// there is no store: nothing is written, and nothing is offered. Paths are the system's
/// (UTF-8).
class RecoveryStore
{
public:
    /// The store of the user running the program, for the program with process id `pid`.
    explicit RecoveryStore(int pid);
    ~RecoveryStore();
    RecoveryStore(const RecoveryStore &) = delete;
    RecoveryStore &operator=(const RecoveryStore &) = delete;

    /// Whether there is a folder for snapshots; false when neither XDG_STATE_HOME nor HOME
    /// names one.
    bool available() const { return !m_directory.empty(); }
    const std::string &directory() const { return m_directory; }
    /// This program's snapshot file.
    const std::string &snapshotPath() const { return m_path; }

    /// The newest snapshot that a program which is no longer running left behind, if any.
    std::optional<std::string> leftSnapshot() const;

    /// Hands a snapshot to the writer thread, which makes its bytes with `makeBytes` and
    /// replaces this program's snapshot file with them atomically; the caller waits neither
    /// for the bytes nor for the disk. Bytes that are the same as the last ones are not
    /// written again.
    void write(std::function<std::string()> makeBytes);
    void write(std::string bytes);
    /// Removes this program's snapshot (after a save or at a normal exit); waits for a write
    /// in progress.
    void remove();
    /// Waits until every handed snapshot is on disk.
    void flush();

private:
    void writerLoop();

    std::string m_directory;
    std::string m_path;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::function<std::string()> m_pending;
    std::string m_lastWritten;
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_writer;
};

} // namespace Model
