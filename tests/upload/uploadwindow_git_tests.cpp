// The Upload window publishing to a bare git repository on this computer; the git program
// reads what arrived.
#include "tests/support/scripteddialogs.h"
#include "tests/support/tempdir.h"
#include "upload/uploadwindow.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

using Testing::readBytes;
using Testing::writeBytes;
namespace fs = std::filesystem;

namespace {

template <typename T> T *child(QWidget &window, const char *name)
{
    return window.findChild<T *>(QString::fromLatin1(name));
}

std::string gitOutput(const std::string &command)
{
    std::string out;
    FILE *pipe = ::popen(command.c_str(), "r");
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        out += buffer;
    EXPECT_EQ(::pclose(pipe), 0) << command;
    return out;
}

void waitWhileRunning(const Upload::UploadWindow &window)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (window.isRunning() && std::chrono::steady_clock::now() < deadline)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

TEST(UploadWindowGit, GitChosen_RowsSwap_PublishesByObjects_NothingChanged_CancelWithinASecond)
{
    Testing::TempDir work;
    Testing::TemporaryHome home;
    const std::string bare = work.file("site.git");
    ASSERT_EQ(std::system(("git init -q --bare '" + bare + "'").c_str()), 0);
    fs::create_directories(work.file("out/website"));
    writeBytes(work.file("out/website/index.html"), "<p>home</p>");
    writeBytes(work.file("out/website/logo.jpg"), "JPEG");

    Testing::ScriptedDialogs dialogs;
    Upload::UploadWindow window(
        dialogs, work.file("site.cvp"), work.file("out"), nullptr, "Caf\xe9 Rosie");
    window.show();
    child<QComboBox>(window, "protocol")->setCurrentIndex(3);
    EXPECT_FALSE(child<QLineEdit>(window, "host")->isVisible());
    EXPECT_TRUE(child<QLineEdit>(window, "remote")->isVisible());
    EXPECT_FALSE(child<QPushButton>(window, "checkHost")->isVisible());
    child<QLineEdit>(window, "remote")->setText(QString::fromStdString(bare));
    child<QPushButton>(window, "testConnection")->click();
    waitWhileRunning(window);
    EXPECT_EQ(window.statusText().toStdString(),
        "Connected to " + bare
            + "; the branch pages does not exist yet, and the first upload "
              "makes it.");

    child<QPushButton>(window, "upload")->click();
    waitWhileRunning(window);
    EXPECT_EQ(window.statusText(), "Upload complete: 3 files sent, 0 deleted.");
    EXPECT_EQ(child<QLabel>(window, "bytesSent")->text(), "3 of 3 objects");
    EXPECT_EQ(gitOutput("git --git-dir '" + bare + "' log --format=%an:%s pages"),
        "Caf\xc3\xa9 Rosie:Publish Caf\xc3\xa9 Rosie " + gitOutput("date +%F"));
    EXPECT_EQ(gitOutput("git --git-dir '" + bare + "' show pages:index.html"), "<p>home</p>");
    const Upload::HostSettings kept = Upload::readHostSettings(work.file("site.cvp.upload"));
    EXPECT_EQ(kept.protocol, Upload::Protocol::Git);
    EXPECT_EQ(kept.remote, bare);

    child<QPushButton>(window, "upload")->click();
    waitWhileRunning(window);
    EXPECT_EQ(window.statusText(), "Upload complete: nothing changed.");

    // A larger site: Cancel while it is read stops the run within a second, nothing published.
    for (int i = 0; i < 200; ++i)
        writeBytes(work.file("out/website/picture" + std::to_string(i) + ".jpg"),
            std::string(500000, static_cast<char>('a' + i % 26)));
    child<QPushButton>(window, "upload")->click();
    while (window.isRunning() && child<QLabel>(window, "currentFile")->text().isEmpty())
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    ASSERT_TRUE(window.isRunning());
    const auto cancelled = std::chrono::steady_clock::now();
    child<QPushButton>(window, "cancel")->click();
    waitWhileRunning(window);
    EXPECT_LT(std::chrono::steady_clock::now() - cancelled, std::chrono::seconds(1));
    EXPECT_EQ(window.statusText(), "Cancelled.");
    EXPECT_EQ(gitOutput("git --git-dir '" + bare + "' rev-list --count pages"), "1\n");
    EXPECT_TRUE(dialogs.asked().empty());
}

TEST(UploadWindowGit, RemoteWithAccents_ItsErrorsShowItAsTyped)
{
    Testing::TempDir work;
    Testing::TemporaryHome home;
    fs::create_directories(work.file("out/website"));
    writeBytes(work.file("out/website/index.html"), "<p>home</p>");
    Testing::ScriptedDialogs dialogs;
    Upload::UploadWindow window(dialogs, work.file("site.cvp"), work.file("out"));
    child<QComboBox>(window, "protocol")->setCurrentIndex(3);
    // Typed as "dépôt.git": the window's texts are the program's, in which é and ô are a byte
    // each.
    const std::string missing = work.file("d\xc3\xa9p\xc3\xb4t.git");
    const std::string shown = work.file("d\xe9p\xf4t.git");
    for (const std::string &remote : { missing, std::string("d\xc3\xa9p\xc3\xb4t.git") }) {
        child<QLineEdit>(window, "remote")->setText(QString::fromStdString(remote));
        child<QPushButton>(window, "testConnection")->click();
        waitWhileRunning(window);
    }
    std::vector<std::string> notices;
    for (const Platform::Message &notice : dialogs.notices())
        notices.push_back(notice.text);
    EXPECT_EQ(notices,
        (std::vector<std::string> { "Cannot open the repository " + shown
                + ": failed to resolve path '" + shown + "': No such file or directory.",
            "The remote d\xe9p\xf4t.git is neither an SSH address (git@host:owner/repo.git) nor a "
            "full path." }));
}

} // namespace
