#include <QApplication>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>

// Window tests run on Qt's offscreen platform unless a display is asked for explicitly.
int main(int argc, char **argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // What the windows keep for the user (settings, recovery snapshots, the update file's
    // copy) goes to folders of this run, never to the home of whoever runs the tests.
    // A test program started by a test keeps the folders it was given.
    char folder[] = "/tmp/corvanta-gui-test-XXXXXX";
    const bool given = std::getenv("CORVANTA_TEST_FOLDERS") != nullptr;
    if (!given && ::mkdtemp(folder) != nullptr) {
        ::setenv("CORVANTA_TEST_FOLDERS", folder, 1);
        for (const char *name : { "XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME" }) {
            const std::string path = std::string(folder) + "/" + name;
            ::mkdir(path.c_str(), 0700);
            ::setenv(name, path.c_str(), 1);
        }
    }
    QApplication application(argc, argv);
    // Remembered choices go to a test folder, never into the user's own settings.
    QStandardPaths::setTestModeEnabled(true);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    if (!given)
        std::filesystem::remove_all(folder);
    return result;
}
