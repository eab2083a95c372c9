#include "tests/app/mainwindowfixture.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QTest>

#include <filesystem>

namespace Testing {

MainWindowTest::MainWindowTest()
{
    std::filesystem::create_directory(home.path() + "/templates");
    writeBytes(home.file("templates/Beta.t"), "");
    writeBytes(home.file("templates/alpha.t"), "");
    writeBytes(home.file("templates/notes.txt"), "");
    session = std::make_unique<Model::ProjectSession>(App::programChoiceLists(home.path()));
    window = std::make_unique<App::MainWindow>(dialogs, *session, home.path());
    window->show();
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
}

MainWindowTest::~MainWindowTest() { window.reset(); }

void MainWindowTest::press(int key, Qt::KeyboardModifiers modifiers)
{
    QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
    QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
}

void MainWindowTest::click(QAbstractButton *button)
{
    ASSERT_NE(button, nullptr);
    // Tick boxes react to clicks on their box and caption only, which start at the left.
    const bool tickBox = button->inherits("QCheckBox") || button->inherits("QRadioButton");
    const QPoint where = tickBox ? QPoint(6, button->height() / 2) : button->rect().center();
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, where);
}

void MainWindowTest::choose(const char *actionName)
{
    auto *action = window->findChild<QAction *>(QString::fromLatin1(actionName));
    ASSERT_NE(action, nullptr) << actionName;
    action->trigger();
}

void MainWindowTest::saveAs(const std::string &path)
{
    dialogs.answerFile(path);
    choose("SaveProjectAs1");
}

void MainWindowTest::openFrom(const std::string &path)
{
    dialogs.answerFile(path);
    choose("OpenProject1");
}

std::vector<std::string> MainWindowTest::shownList()
{
    std::vector<std::string> entries;
    auto *list = control<QListWidget>("ListBox1");
    entries.reserve(static_cast<std::size_t>(list->count()));
    for (int row = 0; row < list->count(); ++row)
        entries.push_back(list->item(row)->text().toStdString());
    return entries;
}

} // namespace Testing
