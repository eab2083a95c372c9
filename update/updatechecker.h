#pragma once

#include "update/connection.h"
#include "update/download.h"

#include "platform/dialogs.h"
#include "platform/maker.h"

#include <QDialog>

#include <atomic>
#include <functional>
#include <string>

class QLabel;
class QLayout;
class QPushButton;
class QTimer;

namespace Update {

/// Where the update checker fetches from and how it learns whether the computer is online;
/// the program uses the maker's server and the network interfaces.
struct UpdateSource
{
    std::string fileAddress = Platform::Maker::UpdateFileAddress;
    std::function<bool()> isConnected = IsInternetConnected;
    DownloadLimits limits;
};

/// The Update Checker: fetches the update file and says whether a newer version exists.
/// Created when first opened (its connection watch runs from then on) and shown with exec();
/// its texts stay as the last check left them.
class UpdateChecker : public QDialog
{
    Q_OBJECT

public:
    static constexpr int ConnectionWatchInterval = 1000;
    static constexpr std::size_t MaxShownVersionLength = 255;

    /// A checker that keeps the fetched update file in `cacheDir` (UpdateCacheDirectory).
    UpdateChecker(Platform::Dialogs &dialogs, std::string cacheDir,
        Update::UpdateSource source = {}, QWidget *parent = nullptr);

    /// "&Get Update Information": fetches on a thread of its own while the windows go on
    /// working, then shows the latest version and the verdict. While it fetches, the button
    /// is "&Cancel" and ends the check at once (as does closing the window), showing nothing.
    void checkNow();
    /// Whether a check is under way.
    bool checking() const { return m_checking; }
    /// The connection watch: buttons off while offline; once online, the check is enabled
    /// for good and the watch stops.
    void checkConnection();

protected:
    void reject() override;

private:
    QLayout *createInstructions();
    QLayout *createVersionRows();
    QWidget *createStatusPanel();
    void startConnectionWatch();

    Platform::Dialogs &m_dialogs;
    std::string m_cacheDir;
    std::atomic<bool> m_cancel = false;
    bool m_checking = false;
    Update::UpdateSource m_source;

    QLabel *m_currentVersion = nullptr;
    QLabel *m_latestVersion = nullptr;
    QLabel *m_status = nullptr;
    QPushButton *m_getUpdate = nullptr;
    QPushButton *m_downloadUpdate = nullptr;
    QTimer *m_connectionWatch = nullptr;
};

} // namespace Update
