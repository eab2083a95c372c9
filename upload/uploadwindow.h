#pragma once

#include "platform/dialogs.h"
#include "upload/hostsettings.h"
#include "upload/remotefolder.h"

#include <QDialog>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace Upload {

/// The Upload window: the project's host settings, Test Connection, Upload with its progress,
/// and Cancel; the transfer runs on a thread of its own.
class UploadWindow : public QDialog
{
public:
    /// `projectFilePath` (whose ".upload" file holds the settings; may be empty) and
    /// `publishDirectory` (whose "website" folder is uploaded) are Windows-1252 full paths;
    /// `siteTitle` (Windows-1252) names the commits of a publish to git.
    UploadWindow(Platform::Dialogs &dialogs, std::string projectFilePath,
        std::string publishDirectory, QWidget *parent = nullptr, const std::string &siteTitle = {});
    ~UploadWindow() override;

    // Commands.
    void testConnection(); ///< "Test Connection"
    void upload(); ///< "Upload"
    void checkHost(); ///< "Check the Host": lists the host's files and sends again what differs
    void cancelOrClose(); ///< "Cancel": stops a run, or closes the window when none runs

    /// True while a test or an upload runs.
    bool isRunning() const { return m_running; }
    /// The settings as the form holds them.
    HostSettings formSettings() const;
    /// The outcome of the last run as the window shows it ("Upload complete: ...").
    QString statusText() const;

protected:
    /// Escape and the window's close button stop a run first, as Cancel does.
    void reject() override;

private:
    void createSettingsForm();
    void createProgressArea();
    void createButtons();
    void showSettings(const HostSettings &settings);
    void showProtocolHints();

    /// Saves the settings and the password as asked, then runs `work` off the window's thread;
    /// `work` gets the password to use.
    void startRun(std::function<void(const HostSettings &, const std::string &)> work);
    /// The password a run uses: the one typed, kept in the keyring when asked to, else the
    /// keyring's. Says why when the keyring cannot keep or give one; throws FileError when the
    /// host needs a password and there is none.
    std::string runPassword(const HostSettings &settings);
    /// Asks a question from the transfer's thread and waits for the answer.
    bool askFromWorker(const Platform::Message &message);
    /// Runs `update` on the window's thread.
    void post(std::function<void()> update);
    /// What every run asks of the window: Cancel, and the answer to a host key not known yet.
    TransferHooks runHooks();
    /// Uploads; `checkingHost` first compares the host's files with the site.
    void startUpload(bool checkingHost);
    void finishRun(const QString &status);
    // Publishing to git (uploadwindowgit.cpp).
    void createGitRows(QFormLayout *form);
    void showGitSettings(const HostSettings &settings);
    void readGitSettings(HostSettings &settings) const;
    void showGitRows(bool git);
    /// Commits the site on the branch and pushes it, or with `testOnly` says what it would do.
    void startGitRun(const std::string &websiteDir, bool testOnly);
    void setRunning(bool running);

    Platform::Dialogs &m_dialogs;
    std::string m_projectFilePath;
    std::string m_publishDirectory;
    std::string m_siteTitle; ///< UTF-8
    std::thread m_worker;
    std::atomic<bool> m_cancel = false;
    bool m_running = false;
    std::vector<std::string> m_warnings; ///< what the run told without stopping (program texts)

    QComboBox *m_protocol = nullptr;
    QLineEdit *m_host = nullptr;
    QSpinBox *m_port = nullptr;
    QLineEdit *m_user = nullptr;
    QLineEdit *m_password = nullptr;
    QCheckBox *m_rememberPassword = nullptr;
    QLineEdit *m_folder = nullptr;
    QLineEdit *m_identity = nullptr;
    QFormLayout *m_form = nullptr;
    QLineEdit *m_remote = nullptr;
    QLineEdit *m_branch = nullptr;
    QLineEdit *m_authorName = nullptr;
    QLineEdit *m_authorEmail = nullptr;
    QLabel *m_ftpWarning = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_currentFile = nullptr;
    QLabel *m_bytes = nullptr;
    QLabel *m_status = nullptr;
    QPushButton *m_test = nullptr;
    QPushButton *m_upload = nullptr;
    QPushButton *m_checkHost = nullptr;
    QPushButton *m_cancelButton = nullptr;
};

} // namespace Upload
