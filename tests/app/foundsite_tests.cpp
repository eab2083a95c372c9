// Site Info's website address and Edit Pages' "Hide from search engines", used as a person
// uses them.
#include "tests/app/mainwindowfixture.h"

#include "project/projectsession.h"
#include "project/sitefinding.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTest>
#include <QTimer>

namespace Testing {
namespace {

using FoundSiteWindows = MainWindowTest;

TEST_F(FoundSiteWindows, WebsiteAddress_ANonAddressIsRefusedOnceAndKeptOut_AnAddressGetsItsSlash)
{
    auto *address = control<QLineEdit>("siteAddressEdit");
    EXPECT_EQ(address->accessibleName(), "Website address");
    address->setFocus();
    QTest::keyClicks(address, "lindenstreetbakery.example");
    QTest::keyClick(address, Qt::Key_Return);

    ASSERT_EQ(dialogs.notices().size(), 1u);
    EXPECT_EQ(dialogs.notices()[0].text,
        "\"lindenstreetbakery.example\" is not a website address. Type the whole address as it "
        "starts in a web browser, e.g. https://www.example.com/ (http:// or https://, the host "
        "name, and the folder of the site if it has one; no ? or #).");
    EXPECT_EQ(Model::siteAddress(session->project()), "");
    EXPECT_FALSE(session->isModified());

    address->selectAll();
    QTest::keyClicks(address, "https://LindenStreetBakery.example");
    QTest::keyClick(address, Qt::Key_Return);
    EXPECT_EQ(dialogs.notices().size(), 1u);
    EXPECT_EQ(address->text(), "https://lindenstreetbakery.example/");
    EXPECT_EQ(Model::siteAddress(session->project()), "https://lindenstreetbakery.example/");
    EXPECT_TRUE(session->isModified());
}

TEST_F(FoundSiteWindows, EditPagesContextMenu_HidesAPageFromSearchEnginesAndShowsItAgain)
{
    auto *list = control<QListWidget>("ListBox1");
    ASSERT_GE(list->count(), 1);
    const QPoint entry = list->visualItemRect(list->item(0)).center();
    const auto chooseHide = [&] {
        // The menu is modal: its entry is chosen once it is up. Whatever happens, the menu
        // is closed, so that the test cannot hang on it.
        QTimer::singleShot(0, list, [list] {
            auto *menu = list->findChild<QMenu *>();
            auto *hide = menu ? menu->findChild<QAction *>("hideFromSearchAction") : nullptr;
            EXPECT_NE(hide, nullptr);
            if (hide) {
                EXPECT_EQ(hide->text(), "&Hide from search engines");
                hide->trigger();
            }
            if (menu)
                menu->close();
        });
        QContextMenuEvent event(
            QContextMenuEvent::Mouse, entry, list->viewport()->mapToGlobal(entry));
        QApplication::sendEvent(list->viewport(), &event);
    };

    chooseHide();
    EXPECT_TRUE(Model::hiddenFromSearch(session->project(), 1));
    EXPECT_EQ(session->project().settings.value("site", "hiddenPages"), "home.html");
    EXPECT_EQ(list->item(0)->toolTip(), "Hidden from search engines");
    EXPECT_TRUE(session->isModified());

    chooseHide();
    EXPECT_FALSE(Model::hiddenFromSearch(session->project(), 1));
    EXPECT_EQ(list->item(0)->toolTip(), "");
}

} // namespace
} // namespace Testing
