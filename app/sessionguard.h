#pragma once

#include "platform/dialogs.h"
#include "project/projectsession.h"
#include "project/recoverystore.h"

#include <QObject>
#include <QTimer>

#include <string>

class QDateTime;
class QWidget;

namespace App {

/// Keeps the user's unsaved work in sight and safe: the window's title follows the session's
/// file name and unsaved state as the session announces each change, and while there are
/// unsaved changes a recovery snapshot of the whole session is written, off the window's
/// thread, shortly after a change (a burst of changes, as in typing, gives one snapshot).
/// Saving or leaving the program normally removes the snapshot.
class SessionGuard : public QObject
{
public:
    /// How long after a change its snapshot is taken.
    static constexpr int SnapshotDelayMilliseconds = 1000;

    SessionGuard(Model::ProjectSession &session, QWidget &window, Model::RecoveryStore &store);
    ~SessionGuard() override;
    SessionGuard(const SessionGuard &) = delete;
    SessionGuard &operator=(const SessionGuard &) = delete;

    /// Whether a snapshot is due: a change was made and its snapshot not yet handed over.
    bool snapshotDue() const { return m_snapshot.isActive(); }
    /// The program ends normally: the snapshot goes.
    void programEnds();

private:
    /// The session changed: the title follows now, the snapshot after a moment.
    void sessionChanged(Model::SessionChange change);
    /// Hands the whole session to the store, or removes the snapshot when nothing is unsaved.
    void keepSnapshot();

    Model::ProjectSession &m_session;
    QWidget &m_window;
    Model::RecoveryStore &m_store;
    /// Single shot, started by a change: one snapshot for a burst of changes.
    QTimer m_snapshot;
    int m_observer = 0;
    /// Whether a snapshot was handed to the store and not removed since.
    bool m_snapshotHanded = false;
    bool m_ended = false;
};

/// The recovery question's text: which project (its file, or "an unsaved project", with the
/// site's title) and when its changes were last made, counted from `now`.
std::string recoveryQuestionText(const std::string &projectFile, const std::string &siteTitle,
    const QDateTime &lastChanged, const QDateTime &now);

/// At start-up: when a program that ended without saving left a snapshot, asks whether to
/// restore it ("Restore") or throw it away ("Discard"); restoring puts the session back as it
/// was, unsaved (with a warning for each chosen template or font no longer installed). Escape
/// leaves the snapshot for the next start; otherwise it is removed. When the store has no
/// folder, says once that unsaved changes cannot be kept. Returns whether the session was
/// restored.
bool offerRecovery(
    Platform::Dialogs &dialogs, Model::ProjectSession &session, Model::RecoveryStore &store);

} // namespace App
