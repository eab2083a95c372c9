#pragma once

#include "platform/dialogs.h"
#include "project/projectsession.h"
#include "publish/publishrequest.h"

#include <QDialog>

#include <functional>
#include <stop_token>
#include <string>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace Publish {

class DirectoryChooser;

/// The publish window: the user picks a directory with the directory chooser and publishes
/// the project into a new "website" directory inside it, watching the steps in a status text
/// and a progress bar. Made when first opened; the chosen directory stays until New.
class PublishWindow : public QDialog
{
    Q_OBJECT
public:
    /// Publishes the session's project into the session's publish directory; templates are
    /// read below `homeDir`.
    PublishWindow(Platform::Dialogs &dialogs, std::string homeDir, Model::ProjectSession &session,
        Publish::DirectoryChooser &chooser, QWidget *parent = nullptr);

    /// The main window's Publish command: the bar back to 0, the status "Waiting...", then
    /// the window modally.
    void openFromMainWindow();
    /// The bar back to 0 and the status "Waiting...", as every opening starts.
    void resetProgress();

    /// The directory the site goes into (Windows-1252); empty until one is chosen.
    const std::string &publishDirectory() const { return m_session.publishDirectory(); }

    // Commands.
    /// The browse button: the directory chooser; its "&OK" sets the directory.
    void browseForDirectory();
    /// "&Publish": the publish run. An existing website is replaced when the user says Yes;
    /// No cancels quietly and the window stays. A file error ends it in the standard error
    /// box; the window closes when the website directory cannot be made. A finished run says
    /// where the site is and offers to open its folder, view it and upload it.
    void publish();
    /// "Open &Folder": the published site's folder in the desktop's file manager.
    void openSiteFolder();
    /// "&View Site": the published site's home page in the browser.
    void viewSite();
    /// "&Close": the bar back to 0 and the window closed; the status keeps its text.
    void closeWindow();
    /// "&Cancel", shown in the place of "&Close" while a run goes on (Escape presses it): the
    /// run stops as soon as it can and leaves nothing of itself; an earlier site stays.
    void cancelRun();
    /// Closing the window while a run goes on cancels the run instead.
    void reject() override;

    /// What "&Upload" does; the button shows after a publish that succeeded once this is set.
    void setUploadCommand(std::function<void()> command) { m_uploadCommand = std::move(command); }

protected:
    /// Escape presses Cancel while a run goes on, and does nothing otherwise.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void createHeading();
    void createDirectoryRow();
    void createProgress();
    void createButtons();
    void createFinishRow();
    /// Shows or hides where the site is and what can be done with it next.
    void showFinished(bool finished);
    void setPublishDirectory(const std::string &directory);
    /// Shows a step of the run; a cancelled run's steps no longer replace "Cancelling...".
    void showStep(int percent, const QString &status);
    /// Runs the publish run on a thread of its own while the window keeps answering, so that
    /// Cancel can stop it; returns when the run has ended. A file error is thrown here.
    PublishResult runAside(PublishRequest &request);
    /// What the window takes while a run goes on: Cancel only.
    void setRunning(bool running);

    Platform::Dialogs &m_dialogs;
    std::string m_homeDir;
    Model::ProjectSession &m_session;
    Publish::DirectoryChooser &m_chooser;

    QLineEdit *m_directoryBox = nullptr;
    QToolButton *m_browse = nullptr;
    QLabel *m_heading = nullptr;
    QLabel *m_status = nullptr;
    QProgressBar *m_gauge = nullptr;
    QPushButton *m_publish = nullptr;
    QPushButton *m_close = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_upload = nullptr;
    QLabel *m_siteLocation = nullptr;
    QPushButton *m_openFolder = nullptr;
    QPushButton *m_viewSite = nullptr;
    std::function<void()> m_uploadCommand;
    bool m_running = false;
    std::stop_source m_stop; ///< stops the run going on
};

} // namespace Publish
