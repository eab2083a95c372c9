#pragma once

#include "platform/dialogs.h"
#include "project/projectsession.h"
#include "project/recoverystore.h"

#include <QObject>
#include <QTimer>

class QWidget;

namespace App {

/// Keeps the user's unsaved work in sight and safe: the window's title follows the session's
/// file name and unsaved state, and while there are unsaved changes a recovery snapshot of the
/// whole session is written, off the window's thread, within seconds of every change. Saving
/// or leaving the program normally removes the snapshot.
class SessionGuard : public QObject
{
public:
    SessionGuard(Model::ProjectSession &session, QWidget &window, Model::RecoveryStore &store);

    /// Brings the title up to date and, every few calls, the snapshot; the timer calls it
    /// twice a second.
    void check();
    /// The program ends normally: the snapshot goes.
    void programEnds();

private:
    Model::ProjectSession &m_session;
    QWidget &m_window;
    Model::RecoveryStore &m_store;
    QTimer m_timer;
    int m_ticks = 0;
};

/// At start-up: when a program that ended without saving left a snapshot, asks whether to
/// restore it; restoring puts the session back as it was, unsaved (with a warning for each
/// chosen template or font no longer installed). The snapshot is removed either way. When
/// the store has no folder, says once that unsaved changes cannot be kept. Returns whether
/// the session was restored.
bool offerRecovery(
    Platform::Dialogs &dialogs, Model::ProjectSession &session, Model::RecoveryStore &store);

} // namespace App
