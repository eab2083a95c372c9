#include "about/aboutwindow.h"
#include "about/productpicture.h"
#include "about/splashwindow.h"
#include "tests/support/scripteddialogs.h"

#include "platform/fileerror.h"
#include "platform/jpegimage.h"

#include <QElapsedTimer>
#include <QEnterEvent>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace Testing;

namespace {

QToolButton *linkStrip(const About::AboutWindow &window)
{
    return window.findChild<QToolButton *>("SpeedButton1");
}

// The window as drawn, in the picture's own pixels.
QImage drawn(QWidget &window)
{
    return window.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

TEST(ProductPicture, DecodedFromTheProgramsOwnJpeg)
{
    const QPixmap picture = About::productPicture();
    EXPECT_EQ(picture.size(), QSize(452, 302));
    try {
        Platform::readJpegResource(":/about/missing.jpg");
        ADD_FAILURE() << "a missing resource decoded";
    } catch (const Platform::FileError &error) {
        EXPECT_STREQ(error.what(), "Cannot open file :/about/missing.jpg");
    }
}

TEST(Splash, AtStart_HiddenWithItsTimerRunning)
{
    const About::SplashWindow splash;
    EXPECT_FALSE(splash.isVisible());
    EXPECT_EQ(splash.size(), QSize(452, 302));
    EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(splash.windowFlags() & Qt::WindowStaysOnTopHint);
    const auto *timer = splash.findChild<QTimer *>("Timer1");
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 2000);
    EXPECT_EQ(splash.findChild<QLabel *>("Image1")->geometry(), splash.rect());
}

TEST(Splash, ShownOncePerRun_HiddenByEveryTick)
{
    About::SplashWindow splash;
    splash.showSplash();
    EXPECT_TRUE(splash.isVisible());
    splash.hideSplash();
    EXPECT_FALSE(splash.isVisible());
    splash.showSplash();
    EXPECT_FALSE(splash.isVisible()) << "the splash shows once per run";
    splash.hideSplash();
    EXPECT_FALSE(splash.isVisible());
}

TEST(Splash, ShownLate_StillGoesAboutTwoSecondsAfterStart)
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    About::SplashWindow splash;
    QTest::qWait(1200);
    splash.showSplash();
    ASSERT_TRUE(splash.isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !splash.isVisible(); }, 5000));
    EXPECT_GE(sinceStart.elapsed(), 1800);
}

TEST(About, Window_PictureWithTheLinkStripOverIt)
{
    ScriptedDialogs dialogs;
    const About::AboutWindow window(dialogs);
    EXPECT_EQ(window.windowTitle(), "About Corvanta");
    EXPECT_EQ(window.size(), QSize(452, 302));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    const Qt::WindowFlags flags = window.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(flags
        & (Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
            | Qt::WindowMaximizeButtonHint | Qt::WindowContextHelpButtonHint));
    EXPECT_EQ(window.findChild<QLabel *>("Image1")->cursor().shape(), Qt::PointingHandCursor);

    const QToolButton *link = linkStrip(window);
    EXPECT_EQ(link->geometry(), QRect(40, 266, 369, 33));
    EXPECT_TRUE(link->autoRaise());
    EXPECT_TRUE(link->text().isEmpty());
    EXPECT_TRUE(link->icon().isNull());
    EXPECT_EQ(link->toolTip(), "Visit https://www.corvanta.example/");
    EXPECT_EQ(link->accessibleName(), link->toolTip());
}

TEST(About, LinkStrip_PictureShowsThroughUntilThePointerComes)
{
    ScriptedDialogs dialogs;
    About::AboutWindow window(dialogs);
    window.show();
    QToolButton *link = linkStrip(window);
    link->setFocus(); // as on opening: focused, but no focus rectangle until a key is used
    const QImage picture = About::productPicture().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect strip = link->geometry();
    EXPECT_EQ(drawn(window).copy(strip), picture.copy(strip));

    QEnterEvent enter(QPointF(5, 5), QPointF(45, 271), QPointF(45, 271));
    QCoreApplication::sendEvent(link, &enter);
    const QImage raised = drawn(window);
    EXPECT_NE(raised.pixel(strip.topLeft()), picture.pixel(strip.topLeft())) << "a raised frame";
    EXPECT_EQ(raised.pixel(strip.center()), picture.pixel(strip.center())) << "nothing filled";

    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(link, &leave);
    EXPECT_EQ(drawn(window).copy(strip), picture.copy(strip));
}

TEST(About, LinkThenPicture_SiteOpensAndTheWindowStaysUntilThePictureIsClicked)
{
    ScriptedDialogs dialogs;
    About::AboutWindow window(dialogs);
    bool openAfterLink = false;
    QTimer::singleShot(0, &window, [&] {
        QTest::mouseClick(linkStrip(window), Qt::LeftButton, {}, QPoint(100, 16));
        openAfterLink = window.isVisible();
        QTest::mouseClick(
            window.findChild<QLabel *>("Image1"), Qt::LeftButton, {}, QPoint(300, 40));
    });
    window.exec();
    EXPECT_TRUE(openAfterLink);
    EXPECT_FALSE(window.isVisible());
    ASSERT_EQ(dialogs.asked().size(), 1u);
    EXPECT_EQ(dialogs.asked().front().kind, Asked::Kind::OpenDocument);
    EXPECT_EQ(dialogs.asked().front().target, "https://www.corvanta.example/");

    // Opened again, it looks the same and closes the same way.
    QTimer::singleShot(0, &window, [&] {
        QTest::mouseClick(
            window.findChild<QLabel *>("Image1"), Qt::LeftButton, {}, QPoint(10, 290));
    });
    window.exec();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(dialogs.asked().size(), 1u) << "a click beside the strip opens nothing";
}

TEST(About, Keyboard_SpaceOpensTheSiteAndEscapeCloses)
{
    ScriptedDialogs dialogs;
    About::AboutWindow window(dialogs);
    window.show();
    QToolButton *link = linkStrip(window);
    link->setFocus();
    QTest::keyClick(link, Qt::Key_Space);
    EXPECT_EQ(dialogs.asked().size(), 1u);
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
}
