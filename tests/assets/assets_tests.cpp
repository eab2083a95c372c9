#include "assets/icons.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPalette>
#include <QSize>

#include <algorithm>

namespace {

struct Artwork
{
    const char *name;
    QSize size;
};

// Every picture the windows ask for by name, at the size its place on screen has.
const Artwork Everything[] = {
    { "sidebar-siteinfo", { 40, 36 } },
    { "sidebar-options", { 40, 36 } },
    { "sidebar-pages", { 40, 36 } },
    { "sidebar-editpages", { 40, 36 } },
    { "sidebar-finish", { 40, 36 } },
    { "finish-save", { 32, 32 } },
    { "finish-publish", { 32, 32 } },
    { "menu-new", { 16, 16 } },
    { "menu-open", { 16, 16 } },
    { "menu-save", { 16, 16 } },
    { "menu-exit", { 16, 16 } },
    { "menu-update", { 16, 16 } },
    { "menu-help", { 16, 16 } },
    { "menu-readme", { 16, 16 } },
    { "menu-website", { 16, 16 } },
    { "menu-email", { 16, 16 } },
    { "menu-about", { 16, 16 } },
    { "edit-undo", { 16, 16 } },
    { "edit-cut", { 16, 16 } },
    { "edit-copy", { 16, 16 } },
    { "edit-paste", { 16, 16 } },
    { "edit-delete", { 16, 16 } },
    { "help", { 16, 16 } },
    { "open-logo", { 16, 16 } },
    { "template-viewer", { 16, 16 } },
    { "tool-bold", { 20, 20 } },
    { "tool-italic", { 20, 20 } },
    { "tool-underline", { 20, 20 } },
    { "tool-strike", { 20, 20 } },
    { "tool-paragraph", { 20, 20 } },
    { "tool-align-left", { 20, 20 } },
    { "tool-align-center", { 20, 20 } },
    { "tool-align-right", { 20, 20 } },
    { "tool-link", { 20, 20 } },
    { "tool-anchor", { 20, 20 } },
    { "tool-mailto", { 20, 20 } },
    { "tool-hr", { 20, 20 } },
    { "tool-image", { 20, 20 } },
    { "tool-audio", { 20, 20 } },
    { "tool-flash", { 20, 20 } },
    { "tool-table", { 20, 20 } },
    { "tool-color-text", { 20, 20 } },
    { "tool-pre", { 20, 20 } },
    { "tool-heading", { 20, 20 } },
    { "tool-list", { 20, 20 } },
    { "tool-checkbox", { 20, 20 } },
    { "tool-radio", { 20, 20 } },
    { "tool-textbox", { 20, 20 } },
    { "tool-textarea", { 20, 20 } },
    { "tool-listbox", { 20, 20 } },
    { "tool-submit", { 20, 20 } },
    { "tool-reset", { 20, 20 } },
    { "tools-toggle", { 16, 16 } },
    { "publish-browse", { 13, 13 } },
    { "publish-publish", { 16, 16 } },
    { "publish-close", { 16, 16 } },
    { "update-checker", { 33, 34 } },
    { "corvanta", { 48, 48 } },
};

TEST(Artwork, EveryNamedPicture_IsCompiledInAtItsSize)
{
    for (const Artwork &artwork : Everything) {
        SCOPED_TRACE(artwork.name);
        const QPixmap picture = Assets::pixmap(artwork.name);
        ASSERT_FALSE(picture.isNull());
        EXPECT_EQ(picture.size(), artwork.size);
        // On a screen scaled to 200% the icon draws from its double-size picture.
        const QPixmap sharp = Assets::icon(artwork.name).pixmap(artwork.size, 2.0);
        EXPECT_EQ(sharp.size(), artwork.size * 2);
        EXPECT_EQ(sharp.devicePixelRatio(), 2.0);
    }
}

// Darkest visible lightness of a picture: its strokes.
int darkestStroke(const QPixmap &picture)
{
    const QImage image = picture.toImage().convertToFormat(QImage::Format_ARGB32);
    int darkest = 255;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor colour = QColor::fromRgba(image.pixel(x, y));
            if (colour.alpha() > 128)
                darkest = std::min(darkest, colour.lightness());
        }
    }
    return darkest;
}

// The bold tool's dark letter stays readable when the desktop's window colour is dark.
TEST(Artwork, OnADarkWindow_DarkStrokesAreDrawnLight)
{
    const QPalette light = QGuiApplication::palette();
    ASSERT_LT(darkestStroke(Assets::icon("tool-bold").pixmap(QSize(16, 16))), 96);
    QPalette dark = light;
    dark.setColor(QPalette::Window, QColor(0x35, 0x35, 0x35));
    QGuiApplication::setPalette(dark);
    EXPECT_GE(darkestStroke(Assets::icon("tool-bold").pixmap(QSize(16, 16))), 96);
    EXPECT_GE(darkestStroke(Assets::pixmap("tool-bold")), 96);
    QGuiApplication::setPalette(light);
}

TEST(Artwork, UnknownName_GivesAnEmptyIcon)
{
    EXPECT_TRUE(Assets::icon("no-such-picture").isNull());
    EXPECT_TRUE(Assets::pixmap("no-such-picture").isNull());
}

} // namespace
