// The Upload window against the test's own sshd, questions answered by script.
#include "tests/support/scripteddialogs.h"
#include "tests/support/tempdir.h"
#include "tests/upload/testservers.h"
#include "upload/uploadwindow.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

using Testing::readBytes;
using Testing::writeBytes;
namespace fs = std::filesystem;

namespace {

template <typename T> T *child(QWidget &window, const char *name)
{
    return window.findChild<T *>(QString::fromLatin1(name));
}

TEST(UploadWindow, FormFilledUploadPressed_AsksHostKeyAndFolder_UploadsAndKeepsSettings)
{
    Testing::TempDir work;
    ::setenv("XDG_CONFIG_HOME", work.file("config").c_str(), 1);
    Testing::SftpServer server(work.file("server"));
    server.start();
    fs::create_directories(work.file("out/website"));
    writeBytes(work.file("out/website/index.html"), "<p>home</p>");
    writeBytes(work.file("out/website/logo.jpg"), "JPEG");
    const Upload::HostSettings settings = server.settings();

    Testing::ScriptedDialogs dialogs;
    dialogs.answerConfirm(true); // the new host key
    dialogs.answerConfirm(true); // make the missing folder
    Upload::UploadWindow window(dialogs, work.file("site.cvp"), work.file("out"));
    child<QComboBox>(window, "protocol")->setCurrentIndex(2);
    EXPECT_TRUE(child<QLabel>(window, "ftpWarning")->isVisibleTo(&window));
    child<QComboBox>(window, "protocol")->setCurrentIndex(0);
    EXPECT_FALSE(child<QLabel>(window, "ftpWarning")->isVisibleTo(&window));
    child<QLineEdit>(window, "host")->setText("127.0.0.1");
    child<QSpinBox>(window, "port")->setValue(server.port());
    child<QLineEdit>(window, "user")->setText(QString::fromStdString(settings.user));
    child<QLineEdit>(window, "password")->setText(QString::fromStdString(server.password()));
    child<QLineEdit>(window, "folder")->setText(QString::fromStdString(settings.folder));
    child<QLineEdit>(window, "identity")->setText(QString::fromStdString(settings.identity));

    child<QPushButton>(window, "upload")->click();
    EXPECT_EQ(child<QPushButton>(window, "cancel")->text(), "&Cancel");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (window.isRunning() && std::chrono::steady_clock::now() < deadline)
        QApplication::processEvents(QEventLoop::AllEvents, 50);

    ASSERT_EQ(dialogs.asked().size(), 2u);
    EXPECT_TRUE(dialogs.asked()[0].message.text.starts_with(
        "127.0.0.1 is not known yet. Its key's fingerprint is\nSHA256:"));
    EXPECT_EQ(dialogs.asked()[1].message.text,
        "The folder " + settings.folder + " does not exist on 127.0.0.1. Create it and upload?");
    EXPECT_EQ(window.statusText(), "Upload complete: 2 files sent, 0 deleted.");
    EXPECT_EQ(child<QProgressBar>(window, "progress")->value(), 100);
    EXPECT_EQ(child<QLabel>(window, "currentFile")->text(), "index.html");
    EXPECT_EQ(readBytes(settings.folder + "/index.html"), "<p>home</p>");
    const Upload::HostSettings kept = Upload::readHostSettings(work.file("site.cvp.upload"));
    EXPECT_EQ(kept.port, server.port());
    EXPECT_EQ(kept.folder, settings.folder);
    EXPECT_EQ(readBytes(work.file("site.cvp.upload")).find(server.password()), std::string::npos);
}

} // namespace
