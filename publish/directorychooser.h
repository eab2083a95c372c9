#pragma once

#include "publish/directorytrail.h"

#include "platform/dialogs.h"

#include <QDialog>

#include <optional>

#include <string>

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace Publish {

/// The directory chooser: a box with the current directory's path, where a path can be typed
/// or pasted, over a list of the directories from the root down to the current one, then the
/// current one's subdirectories. Opening an entry makes it the current directory; "&OK" hands
/// the current directory back. It keeps its place between openings.
class DirectoryChooser : public QDialog
{
    Q_OBJECT
public:
    /// The list starts at `startDirectory` (the working directory when the program starts).
    DirectoryChooser(
        Platform::Dialogs &dialogs, const std::string &startDirectory, QWidget *parent = nullptr);

    /// Shows the chooser modally, opened at `startAt` when that is a directory (otherwise where
    /// it was); the directory chosen with "&OK", or nothing on "&Cancel".
    std::optional<std::string> chooseDirectory(const std::string &startAt = {});

    /// The list's current directory (the one last opened), Windows-1252.
    const std::string &currentDirectory() const { return m_trail.current(); }
    /// Makes a listed entry the current directory, as a double click or Enter on it does.
    void openEntry(int row);
    /// Makes the directory typed in the path box the current one, as Enter there does; a path
    /// that names no directory is refused with a message. False when refused.
    bool openTypedPath();

    // Commands.
    void acceptDirectory(); ///< "&OK"
    void cancelChoice(); ///< "&Cancel"
    /// "&New Folder": asks for a name, makes the folder inside the highlighted directory and
    /// makes it the current one.
    void makeNewFolder();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    /// Fills the list for the current directory and highlights it.
    void showTrail();

    Platform::Dialogs &m_dialogs;
    Publish::DirectoryTrail m_trail;
    QLineEdit *m_pathBox = nullptr;
    QListWidget *m_list = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_newFolder = nullptr;
};

} // namespace Publish
