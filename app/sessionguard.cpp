#include "app/sessionguard.h"

#include "platform/encoding.h"
#include "platform/fileerror.h"
#include "platform/files.h"
#include "widgets/cp1252text.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLocale>
#include <QWidget>

#include <unistd.h>

#include <utility>

namespace App {
SessionGuard::SessionGuard(
    Model::ProjectSession &session, QWidget &window, Model::RecoveryStore &store)
    : m_session(session)
    , m_window(window)
    , m_store(store)
{
    m_snapshot.setSingleShot(true);
    m_snapshot.setInterval(SnapshotDelayMilliseconds);
    connect(&m_snapshot, &QTimer::timeout, this, &SessionGuard::keepSnapshot);
    m_observer = m_session.observe([this](Model::SessionChange change) { sessionChanged(change); });
    sessionChanged(Model::SessionChange::Project);
}

SessionGuard::~SessionGuard() { m_session.stopObserving(m_observer); }

void SessionGuard::sessionChanged(Model::SessionChange /*change*/)
{
    if (m_ended)
        return;
    const QString title = Widgets::fromCp1252(m_session.windowTitle());
    if (m_window.windowTitle() != title)
        m_window.setWindowTitle(title);
    if (!m_session.isModified()) {
        // Nothing unsaved is left to keep.
        m_snapshot.stop();
        if (std::exchange(m_snapshotHanded, false))
            m_store.remove();
    } else if (!m_snapshot.isActive()) {
        m_snapshot.start();
    }
}

void SessionGuard::keepSnapshot()
{
    if (m_session.isModified()) {
        // The bytes are made on the store's thread: a large page being typed in would stop
        // the window thread while they were.
        m_store.write(m_session.recoverySnapshotLater());
        m_snapshotHanded = true;
    } else if (std::exchange(m_snapshotHanded, false)) {
        m_store.remove();
    }
}

void SessionGuard::programEnds()
{
    m_ended = true;
    m_snapshot.stop();
    m_store.remove();
}

std::string recoveryQuestionText(const std::string &projectFile, const std::string &siteTitle,
    const QDateTime &lastChanged, const QDateTime &now)
{
    std::string project = projectFile.empty() ? "an unsaved project" : projectFile;
    if (!siteTitle.empty())
        project += " (\"" + siteTitle + "\")";
    const QLocale english = QLocale::c();
    const qint64 daysAgo = lastChanged.date().daysTo(now.date());
    QString when = daysAgo == 0 ? QStringLiteral("today")
        : daysAgo == 1          ? QStringLiteral("yesterday")
                                : QStringLiteral("on ")
            + english.toString(lastChanged.date(), QStringLiteral("d MMMM yyyy"));
    when += QStringLiteral(" at ") + english.toString(lastChanged.time(), QStringLiteral("HH:mm"));
    return "Corvanta ended without saving the changes to " + project + ".\n"
        + "They were last changed " + Widgets::toCp1252(when) + ".\n\n"
        + "Restore them as they were, or discard them?";
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
    try {
        const std::string bytes = Platform::readWholeFile(Platform::utf8ToCp1252(*snapshot));
        // Read into a session of its own first, to name the project in the question.
        Model::ProjectSession left(session.lists());
        left.restoreRecoverySnapshot(bytes);
        const QDateTime lastChanged = QFileInfo(QString::fromStdString(*snapshot)).lastModified();
        const std::optional<std::size_t> answer = dialogs.askChoice(
            { "Restore Unsaved Changes",
                recoveryQuestionText(left.fileName(), left.project().siteTitle, lastChanged,
                    QDateTime::currentDateTime()),
                Platform::MessageIcon::Question, Platform::MessageButtons::OkCancel },
            { "&Restore", "&Discard" });
        // Escape keeps the snapshot: the question comes again at the next start.
        if (!answer)
            return false;
        if (*answer == 0) {
            warnings = session.restoreRecoverySnapshot(bytes);
            restored = true;
        }
    } catch (const Platform::FileError &error) {
        dialogs.notify({ "Error", std::string("The changes could not be restored: ") + error.what(),
            Platform::MessageIcon::Error, Platform::MessageButtons::Ok });
    }
    ::unlink(snapshot->c_str());
    for (const std::string &warning : warnings) {
        dialogs.notify(
            { "Warning", warning, Platform::MessageIcon::Warning, Platform::MessageButtons::Ok });
    }
    return restored;
}

} // namespace App
