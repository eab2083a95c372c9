// The Upload window against the test's own sshd, questions answered by script.
#include "tests/support/scripteddialogs.h"
#include "tests/support/tempdir.h"
#include "tests/upload/testservers.h"
#include "upload/uploadwindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

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

void waitWhileRunning(const Upload::UploadWindow &window, int seconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (window.isRunning() && std::chrono::steady_clock::now() < deadline)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
}

TEST(UploadWindow, NoKeyringToGiveOrKeepThePassword_SaysWhyAndWhatToDo_UploadsWithTheTypedOne)
{
    Testing::TempDir work;
    ::setenv("XDG_CONFIG_HOME", work.file("config").c_str(), 1);
    ::setenv("XDG_STATE_HOME", work.file("state").c_str(), 1);
    // No session bus at all, so no keyring, and no X display to start one from.
    ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + work.file("no-bus")).c_str(), 1);
    ::unsetenv("DISPLAY");
    Testing::SftpServer server(work.file("server"));
    server.start();
    fs::create_directories(server.root() + "/site");
    fs::create_directories(work.file("out/website"));
    writeBytes(work.file("out/website/index.html"), "<p>home</p>");
    Upload::writeHostSettings(work.file("site.cvp.upload"), server.settings());
    Testing::ScriptedDialogs dialogs;
    Upload::UploadWindow window(dialogs, work.file("site.cvp"), work.file("out"));
    // Without a key file and with nothing typed, no password is found, and nothing is sent.
    auto *identity = child<QLineEdit>(window, "identity");
    const QString keyFile = identity->text();
    identity->clear();
    child<QPushButton>(window, "upload")->click();
    EXPECT_FALSE(window.isRunning());
    ASSERT_EQ(dialogs.notices().size(), 1u);
    EXPECT_EQ(dialogs.notices()[0].text,
        "No password for 127.0.0.1: no desktop keyring is running (Could not connect: No such "
        "file or directory). Type it in the password box, or unlock the desktop's keyring and "
        "try again.");
    EXPECT_FALSE(fs::exists(server.root() + "/site/index.html"));
    // Typed, with the key file, to be kept: the keyring cannot keep it; the upload goes on.
    dialogs.clear();
    dialogs.answerConfirm(true); // the new host key
    identity->setText(keyFile);
    child<QLineEdit>(window, "password")->setText(QString::fromStdString(server.password()));
    child<QCheckBox>(window, "rememberPassword")->setChecked(true);

    child<QPushButton>(window, "upload")->click();
    waitWhileRunning(window, 30);
    ASSERT_EQ(dialogs.notices().size(), 1u);
    EXPECT_EQ(dialogs.notices()[0].text,
        "The password was not kept in the desktop's keyring: no desktop keyring is running "
        "(Could not connect: No such file or directory).\nThe password you typed is used this "
        "time. To keep it for next time, unlock the desktop's keyring (or start one, such as "
        "GNOME Keyring or KWallet), then type the password again with \"Keep the password in "
        "the desktop's keyring\" ticked.");
    EXPECT_EQ(dialogs.notices()[0].icon, Platform::MessageIcon::Warning);
    EXPECT_EQ(window.statusText(), "Upload complete: 1 files sent, 0 deleted.");
    EXPECT_EQ(readBytes(server.root() + "/site/index.html"), "<p>home</p>");

    // With a key file and nothing typed, the key is tried without its passphrase.
    dialogs.clear();
    child<QLineEdit>(window, "password")->clear();
    child<QPushButton>(window, "upload")->click();
    waitWhileRunning(window, 30);
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    ASSERT_EQ(dialogs.notices().size(), 2u);
    EXPECT_EQ(dialogs.notices()[0].text,
        "The key is used without a passphrase: no desktop keyring is running (Could not connect: "
        "No such file or directory).");
    EXPECT_EQ(dialogs.notices()[1].text,
        "127.0.0.1 refused the key " + server.settings().identity + " or its passphrase.");
}

TEST(UploadWindow, HostHangs_WindowAnswersAndCancels_CheckTheHostSendsWhatItLost)
{
    Testing::TempDir work;
    ::setenv("XDG_CONFIG_HOME", work.file("config").c_str(), 1);
    ::setenv("XDG_STATE_HOME", work.file("state").c_str(), 1);
    Testing::SftpServer server(work.file("server"));
    server.start();
    fs::create_directories(server.root() + "/site");
    fs::create_directories(work.file("out/website"));
    writeBytes(work.file("out/website/index.html"), "<p>home</p>");
    writeBytes(work.file("out/website/logo.jpg"), "JPEG");
    Upload::writeHostSettings(work.file("site.cvp.upload"), server.settings());
    Testing::ScriptedDialogs dialogs;
    dialogs.answerConfirm(true); // the new host key
    Upload::UploadWindow window(dialogs, work.file("site.cvp"), work.file("out"));
    child<QLineEdit>(window, "password")->setText(QString::fromStdString(server.password()));
    child<QPushButton>(window, "upload")->click();
    waitWhileRunning(window, 30);
    ASSERT_EQ(window.statusText(), "Upload complete: 2 files sent, 0 deleted.");

    // The host stops answering in the middle of a large picture.
    const std::string picture(60000000, 'j'); // NOLINT(bugprone-string-constructor): on purpose
    writeBytes(work.file("out/website/big.jpg"), picture);
    child<QPushButton>(window, "upload")->click();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (child<QLabel>(window, "currentFile")->text() != "big.jpg"
        && std::chrono::steady_clock::now() < deadline)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    server.freeze(true);
    ASSERT_TRUE(window.isRunning());
    const auto frozen = std::chrono::steady_clock::now();
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(100);
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < 1500)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_GE(ticks, 10);
    EXPECT_TRUE(window.isRunning());
    child<QPushButton>(window, "cancel")->click();
    EXPECT_EQ(window.statusText(), "Cancelling...");
    waitWhileRunning(window, 20);
    EXPECT_LT(std::chrono::steady_clock::now() - frozen, std::chrono::seconds(9));
    EXPECT_EQ(window.statusText(), "Cancelled.");
    server.freeze(false);
    child<QPushButton>(window, "upload")->click();
    waitWhileRunning(window, 30);
    EXPECT_EQ(window.statusText(), "Upload complete: 1 files sent, 0 deleted.");
    child<QPushButton>(window, "upload")->click();
    waitWhileRunning(window, 30);
    EXPECT_EQ(window.statusText(), "Upload complete: nothing changed.");

    fs::remove(server.root() + "/site/index.html");
    child<QPushButton>(window, "checkHost")->click();
    waitWhileRunning(window, 30);
    EXPECT_EQ(window.statusText(), "Upload complete: 1 files sent, 0 deleted.");
    EXPECT_EQ(readBytes(server.root() + "/site/index.html"), "<p>home</p>");
    ASSERT_EQ(dialogs.notices().size(), 1u);
    EXPECT_EQ(dialogs.notices()[0].text, "index.html is missing on the host; it is sent again.");
    EXPECT_EQ(dialogs.notices()[0].icon, Platform::MessageIcon::Warning);
}

} // namespace
