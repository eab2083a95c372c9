#include "app/sessionguard.h"

#include "platform/encoding.h"
#include "platform/fileerror.h"
#include "platform/files.h"
#include "widgets/cp1252text.h"

#include <QWidget>

#include <unistd.h>

namespace App {
namespace {

constexpr int TickMilliseconds = 500;
/// A snapshot at every fourth tick: at most two seconds after a change.
constexpr int TicksPerSnapshot = 4;

} // namespace

SessionGuard::SessionGuard(
    Model::ProjectSession &session, QWidget &window, Model::RecoveryStore &store)
    : m_session(session)
    , m_window(window)
    , m_store(store)
{
    connect(&m_timer, &QTimer::timeout, this, &SessionGuard::check);
    m_timer.start(TickMilliseconds);
}

void SessionGuard::check()
{
    const QString title = Widgets::fromCp1252(m_session.windowTitle());
    if (m_window.windowTitle() != title)
        m_window.setWindowTitle(title);
    if (++m_ticks % TicksPerSnapshot != 0)
        return;
    if (m_session.isModified())
        m_store.write(m_session.recoverySnapshot());
    else
        m_store.remove();
}

void SessionGuard::programEnds()
{
    m_timer.stop();
    m_store.remove();
}

bool offerRecovery(
    Platform::Dialogs &dialogs, Model::ProjectSession &session, Model::RecoveryStore &store)
{
    if (!store.available()) {
        dialogs.notify({ "Warning",
            "Unsaved changes cannot be kept for recovery while Corvanta runs: neither "
            "XDG_STATE_HOME nor HOME names a folder of yours to keep them in.",
            Platform::MessageIcon::Warning, Platform::MessageButtons::Ok });
        return false;
    }
    const std::optional<std::string> snapshot = store.leftSnapshot();
    if (!snapshot)
        return false;
    bool restored = false;
    std::vector<std::string> warnings;
    if (dialogs.confirm({ "Confirm",
            "Corvanta ended without saving the changes to a project.\n"
            "Restore them as they were?",
            Platform::MessageIcon::Question, Platform::MessageButtons::OkCancel })) {
        try {
            warnings = session.restoreRecoverySnapshot(
                Platform::readWholeFile(Platform::utf8ToCp1252(*snapshot)));
            restored = true;
        } catch (const Platform::FileError &error) {
            dialogs.notify(
                { "Error", std::string("The changes could not be restored: ") + error.what(),
                    Platform::MessageIcon::Error, Platform::MessageButtons::Ok });
        }
    }
    ::unlink(snapshot->c_str());
    for (const std::string &warning : warnings) {
        dialogs.notify(
            { "Warning", warning, Platform::MessageIcon::Warning, Platform::MessageButtons::Ok });
    }
    return restored;
}

} // namespace App
