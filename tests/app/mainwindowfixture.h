#pragma once

#include "app/mainwindow.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/tempdir.h"

#include <QAbstractButton>
#include <QString>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace Testing {

/// A main window started in a temporary home directory holding two templates, shown and
/// active on the offscreen screen, with scripted answers to its questions.
class MainWindowTest : public ::testing::Test
{
protected:
    MainWindowTest();
    ~MainWindowTest() override;

    /// The window's control of that object name; fails the test when there is none.
    template <typename T> T *control(const char *objectName)
    {
        T *found = window->findChild<T *>(QString::fromLatin1(objectName));
        EXPECT_NE(found, nullptr) << objectName;
        return found;
    }

    /// A key press sent to the window, as the user presses it.
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    /// A mouse click on a button, tick box or radio button, where the user would click.
    void click(QAbstractButton *button);
    /// Runs a menu item as choosing it does.
    void choose(const char *actionName);

    /// Save As or Open with the project files' dialog answered with `path`.
    void saveAs(const std::string &path);
    void openFrom(const std::string &path);

    /// The texts of the Edit Pages list as shown.
    std::vector<std::string> shownList();

    TempDir home;
    ScriptedDialogs dialogs;
    std::unique_ptr<Model::ProjectSession> session;
    std::unique_ptr<App::MainWindow> window;
};

} // namespace Testing
