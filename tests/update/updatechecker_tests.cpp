#include "tests/support/scripteddialogs.h"
#include "tests/support/tempdir.h"
#include "tests/update/httpserver.h"
#include "update/updatechecker.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

using namespace Testing;

namespace {

class UpdateChecker : public ::testing::Test
{
protected:
    Update::UpdateSource source(const std::string &path)
    {
        return { server.address(path), [this] { return online; }, {} };
    }
    QString text(const Update::UpdateChecker &window, const char *name)
    {
        return window.findChild<QLabel *>(QString::fromLatin1(name))->text();
    }
    QPushButton *button(const Update::UpdateChecker &window, const char *name)
    {
        return window.findChild<QPushButton *>(QString::fromLatin1(name));
    }

    HttpServer server;
    TempDir home;
    ScriptedDialogs dialogs;
    bool online = true;
};

} // namespace

TEST_F(UpdateChecker, AtStart_ShowsTheVersionAndWhereItWillAsk)
{
    const Update::UpdateChecker window(dialogs, home.path());
    EXPECT_EQ(window.windowTitle(), "Update Checker");
    EXPECT_GE(window.width(), 353);
    EXPECT_EQ(window.height(), 176);
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_TRUE(window.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(
        window.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(text(window, "Panel1"), "v1.0");
    EXPECT_EQ(text(window, "Panel2"), "Please wait...");
    EXPECT_EQ(text(window, "Panel3"),
        "Preparing to get update from http://update.corvanta.example/update/...");
    EXPECT_EQ(button(window, "Button1")->text(), "&Get Update Information");
    EXPECT_TRUE(button(window, "Button1")->isDefault());
    EXPECT_EQ(button(window, "Button2")->text(), "&Download Update");
    EXPECT_TRUE(button(window, "Button1")->isEnabled());
    EXPECT_TRUE(button(window, "Button2")->isEnabled());
    const auto *watch = window.findChild<QTimer *>("Timer1");
    EXPECT_TRUE(watch->isActive());
    EXPECT_EQ(watch->interval(), 1000);
    EXPECT_EQ(window.findChild<QLabel *>("Image1")->accessibleName(), "Update Checker");
    // A screen reader reads each panel's text, and its row's caption as the description.
    const std::pair<const char *, const char *> panels[] = { { "Panel1", "Current Version" },
        { "Panel2", "Latest Version" }, { "Panel3", "Status" } };
    for (const auto &[panel, caption] : panels) {
        QAccessibleInterface *read
            = QAccessible::queryAccessibleInterface(window.findChild<QLabel *>(panel));
        EXPECT_EQ(read->text(QAccessible::Name), text(window, panel)) << panel;
        EXPECT_EQ(read->text(QAccessible::Description), caption) << panel;
    }
}

TEST_F(UpdateChecker, ConnectionWatch_OfflineDisablesBothThenOnlineEnablesCheckForGood)
{
    online = false;
    Update::UpdateChecker window(dialogs, home.path(), source("/update/updatecv.ini"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !button(window, "Button1")->isEnabled(); }, 3000))
        << "the watch ticks by itself";
    EXPECT_FALSE(button(window, "Button2")->isEnabled());
    EXPECT_TRUE(window.findChild<QTimer *>("Timer1")->isActive());

    online = true;
    window.checkConnection();
    EXPECT_TRUE(button(window, "Button1")->isEnabled());
    EXPECT_FALSE(button(window, "Button2")->isEnabled()) << "the watch leaves Download alone";
    EXPECT_FALSE(window.findChild<QTimer *>("Timer1")->isActive());
}

TEST_F(UpdateChecker, Check_NewerThenSameVersion_VerdictAndDownloadButtonFollow)
{
    Update::UpdateChecker window(dialogs, home.path(), source("/update/updatecv.ini"));
    server.serve("/update/updatecv.ini", whole("v1.1\r\n"));
    window.checkNow();
    EXPECT_EQ(text(window, "Panel2"), "v1.1");
    EXPECT_EQ(text(window, "Panel3"), "There is a newer version available.");
    EXPECT_TRUE(button(window, "Button2")->isEnabled());

    server.serve("/update/updatecv.ini", whole("v1.0\r\n"));
    window.checkNow();
    EXPECT_EQ(text(window, "Panel2"), "v1.0");
    EXPECT_EQ(text(window, "Panel3"), "You already have the latest version.");
    EXPECT_FALSE(button(window, "Button2")->isEnabled());
    EXPECT_EQ(readBytes(home.file("updatecv.ini")), "v1.0\r\n");
    EXPECT_TRUE(dialogs.asked().empty());

    window.show();
    window.hide();
    window.show();
    EXPECT_EQ(text(window, "Panel3"), "You already have the latest version.")
        << "a second opening shows the last result";
}

TEST_F(UpdateChecker, OddServerText_ShownAsPlainTextAndOnlyItsStart)
{
    Update::UpdateChecker window(dialogs, home.path(), source("/update/updatecv.ini"));
    server.serve("/update/updatecv.ini", whole("<b>v2</b> \xE9t\xE9\r\n"));
    window.checkNow();
    EXPECT_EQ(text(window, "Panel2"), QString::fromUtf8("<b>v2</b> \u00E9t\u00E9"));
    EXPECT_EQ(window.findChild<QLabel *>("Panel2")->textFormat(), Qt::PlainText);

    server.serve(
        "/update/updatecv.ini", whole("v1.0" + std::string(std::size_t { 60 } * 1024, '!')));
    window.checkNow();
    EXPECT_EQ(text(window, "Panel2"), "v1.0" + QString(251, '!'));
    EXPECT_EQ(text(window, "Panel3"), "There is a newer version available.");
}

TEST_F(UpdateChecker, SlowServer_WindowKeepsWorkingAndCancelEndsTheCheckWithinASecond)
{
    Update::UpdateChecker window(dialogs, home.path(), source("/slow"));
    server.serve("/slow",
        { Reply::Kind::Chunked, 200, std::string(100000, 'v'), {}, 1,
            std::chrono::milliseconds(50) });
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(50);
    std::chrono::steady_clock::time_point cancelled;
    QTimer::singleShot(1000, [&] {
        EXPECT_TRUE(window.checking());
        EXPECT_EQ(button(window, "Button1")->text(), "&Cancel");
        cancelled = std::chrono::steady_clock::now();
        QTest::mouseClick(button(window, "Button1"), Qt::LeftButton);
    });
    window.checkNow();

    EXPECT_LT(std::chrono::steady_clock::now() - cancelled, std::chrono::seconds(1));
    EXPECT_GE(ticks, 10) << "the windows went on working during the check";
    EXPECT_FALSE(window.checking());
    EXPECT_EQ(button(window, "Button1")->text(), "&Get Update Information");
    EXPECT_TRUE(dialogs.notices().empty()) << "a cancelled check says nothing";
    EXPECT_FALSE(std::filesystem::exists(home.file("updatecv.ini")));
}

TEST_F(UpdateChecker, EnterKey_RunsTheCheck)
{
    Update::UpdateChecker window(dialogs, home.path(), source("/update/updatecv.ini"));
    server.serve("/update/updatecv.ini", whole("v1.1"));
    window.show();
    QTest::keyClick(&window, Qt::Key_Return);
    EXPECT_EQ(text(window, "Panel2"), "v1.1");
}

TEST_F(UpdateChecker, CheckWhileOffline_DoesNothingAtAll)
{
    Update::UpdateChecker window(dialogs, home.path(), source("/update/updatecv.ini"));
    server.serve("/update/updatecv.ini", whole("v1.1"));
    online = false;
    window.checkNow();
    EXPECT_TRUE(server.requests().empty());
    EXPECT_FALSE(std::filesystem::exists(home.file("updatecv.ini")));
    EXPECT_EQ(text(window, "Panel2"), "Please wait...");
    EXPECT_TRUE(dialogs.asked().empty());
}

TEST_F(UpdateChecker, DownloadFails_PlainMessageAndTextsKept)
{
    Update::UpdateChecker window(dialogs, home.path(), source("/update/updatecv.ini"));
    server.serve("/update/updatecv.ini", { Reply::Kind::CloseAtOnce, 200, {}, {}, 1, {} });
    window.checkNow();
    ASSERT_EQ(dialogs.notices().size(), 1u);
    const Platform::Message notice = dialogs.notices().front();
    EXPECT_EQ(notice.title, "Corvanta");
    EXPECT_EQ(notice.text, "Error in file download!");
    EXPECT_EQ(notice.icon, Platform::MessageIcon::None);
    EXPECT_EQ(notice.buttons, Platform::MessageButtons::Ok);
    EXPECT_EQ(text(window, "Panel2"), "Please wait...");
    EXPECT_EQ(text(window, "Panel3"),
        "Preparing to get update from " + QString::fromStdString(server.address("/update/"))
            + "...");
}

TEST_F(UpdateChecker, LocalCopyCannotBeWritten_StandardErrorBox)
{
    Update::UpdateChecker window(dialogs, home.path(), source("/update/updatecv.ini"));
    server.serve("/update/updatecv.ini", whole("v1.1"));
    std::filesystem::create_directory(home.file("updatecv.ini"));
    window.checkNow();
    ASSERT_EQ(dialogs.notices().size(), 1u);
    EXPECT_EQ(dialogs.notices().front().title, "Corvanta");
    EXPECT_EQ(dialogs.notices().front().text, "File access denied.");
    EXPECT_EQ(dialogs.notices().front().icon, Platform::MessageIcon::Error);
    EXPECT_EQ(text(window, "Panel2"), "Please wait...");
}

TEST_F(UpdateChecker, LargeDesktopFont_WindowGrowsForItsCaptions)
{
    const QSize designFontSize = Update::UpdateChecker(dialogs, home.path()).size();
    const QFont desktopFont = QApplication::font();
    QFont large = desktopFont;
    large.setPointSizeF(14);
    QApplication::setFont(large);
    Update::UpdateChecker window(dialogs, home.path());
    QApplication::setFont(desktopFont);
    window.show();
    EXPECT_GT(window.width(), designFontSize.width());
    EXPECT_GT(window.height(), designFontSize.height());
    for (const char *name : { "Button1", "Button2" })
        EXPECT_GE(button(window, name)->width(), button(window, name)->sizeHint().width()) << name;
    const QLabel *latest = window.findChild<QLabel *>("Panel2");
    EXPECT_GE(latest->width(), latest->sizeHint().width());
}
