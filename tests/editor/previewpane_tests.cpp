// The live preview pane beside the page editor, with the real browser module (Qt WebEngine),
// the real publishing core and corvanta-cli.
#include "editor/pageeditor.h"
#include "editor/pagetext.h"
#include "editor/previewbrowser.h"
#include "editor/previewpane.h"
#include "project/projectsession.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/tempdir.h"

#include <QLabel>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QToolButton>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <functional>
#include <tuple>

#include <gtest/gtest.h>

// Qt WebEngine's own code frees some of its objects with a sized delete of another size; it
// is not this program's and not built with the sanitizers, so that one check is left out here.
extern "C" const char *__asan_default_options() { return "new_delete_type_mismatch=0"; }

namespace Testing {
namespace {

// Qt's offscreen platform has no OpenGL for the module to open late, so the test asks for the
// shared context before the application object is made (the module then finds it made).
const bool SharedContexts = [] {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    return true;
}();

/// The page editor with its live preview on a project of the Classic template, saved.
class LivePreview : public ::testing::Test
{
protected:
    explicit LivePreview(QStringList modulePlaces = { QStringLiteral(CORVANTA_PREVIEW_MODULE) })
    {
        session.fields().templateName = 0;
        session.fields().siteTitle = "Rosies Bakery";
        session.attachBodyEditor(&editor);
        editor.attachLivePreview(session, std::move(modulePlaces));
        editor.setPageText(1, "<p>Fresh bread</p>");
        session.save(dir.file("site.cvp"));
        editor.resize(1200, 700);
    }
    ~LivePreview() override { session.attachBodyEditor(nullptr); }

    /// Shows the editor with the pane and waits for the first page in the browser.
    void showWithPreview()
    {
        editor.setLivePreviewShown(true);
        editor.show();
        ASSERT_TRUE(QTest::qWaitFor([this] { return pane()->upToDate(); }, 20000))
            << "no page shown";
    }
    /// Replaces the body as typing would and waits for the page that shows it.
    void retype(const std::string &body)
    {
        text()->selectAll();
        text()->replaceSelection(body);
        ASSERT_TRUE(QTest::qWaitFor([this] { return pane()->upToDate(); }, 10000))
            << "no update shown";
    }
    static bool eventually(const std::function<bool()> &holds, int ms = 5000)
    {
        return QTest::qWaitFor(holds, ms);
    }
    Editor::PreviewPane *pane() const { return editor.previewPane(); }
    Editor::PageText *text() const { return editor.pageControl(1); }
    QWidget *view() const { return pane()->browser()->widget(); }

    // Each story starts with the editor's choices never made.
    const bool settingsCleared = [] {
        QSettings(QStringLiteral("corvanta"), QStringLiteral("editor")).clear();
        return true;
    }();
    Model::ChoiceLists lists { { "Classic" }, { "Arial" } };
    TempDir dir;
    ScriptedDialogs dialogs;
    Model::ProjectSession session { lists };
    Editor::PageEditor editor { dialogs, CORVANTA_DATA_DIR };
};

TEST_F(LivePreview, ShownPage_IsTheCommandLinePreviewByteForByteAndFollowsTheText)
{
    showWithPreview();
    ASSERT_NE(pane()->browser(), nullptr);
    retype("<p>Fresh <b>rye</b> bread</p>");
    session.save(dir.file("site.cvp"));

    QProcess cli;
    cli.start(QStringLiteral(CORVANTA_CLI),
        { "--home", CORVANTA_DATA_DIR, "preview", QString::fromStdString(dir.file("site.cvp")),
            "home.html" });
    ASSERT_TRUE(cli.waitForFinished(30000));
    ASSERT_EQ(cli.exitStatus(), QProcess::NormalExit);
    ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    const std::string published
        = QString::fromLocal8Bit(cli.readAllStandardOutput()).trimmed().toStdString();
    const std::string shown = readBytes(pane()->shownFile());
    EXPECT_NE(shown.find("<p>Fresh <b>rye</b> bread</p>\r\n"), std::string::npos);
    EXPECT_EQ(shown, readBytes(published));

    // A page that is not part of the site shows why instead of the page shown before.
    editor.selectPage(10); // Products: not part of a personal site
    EXPECT_TRUE(eventually([&] { return pane()->explanation()->isVisible(); }));
    EXPECT_EQ(pane()->explanation()->text().toStdString(),
        "The page Products is not part of the website; tick it on the Pages pane to preview it");
}

TEST_F(LivePreview, KeysTypedWhilePagesArePublished_TheNewestTextIsShown)
{
    // A page long enough that keys typed after a pause come while its run goes on.
    std::string body;
    for (int line = 0; line < 20000; ++line)
        body += "<p>Line " + std::to_string(line) + " of the price list</p>\r\n";
    showWithPreview();
    retype(body);
    text()->placeCaret(15000, 3);
    for (const char *word : { "rye ", "spelt ", "oat " }) {
        QTest::keyClicks(text(), word);
        QTest::qWait(Editor::PreviewPane::PauseMs + 10); // the pause ends: a run starts
    }
    QTest::keyClicks(text(), "bread ");
    ASSERT_TRUE(eventually([&] { return pane()->upToDate(); }, 10000));
    const std::string shown = readBytes(pane()->shownFile());
    EXPECT_NE(shown.find("<p>rye spelt oat bread Line 15000 of"), std::string::npos);
    // The whole text as the control holds it, every key in its place.
    EXPECT_NE(shown.find(text()->body()), std::string::npos);
}

TEST_F(LivePreview, ClickOnAWord_PutsTheCaretThereAndTheCaretScrollsThePage)
{
    // The words stand where the test knows them, above the template's own parts.
    std::string body = "<div style=\"position:fixed;left:0;top:0;z-index:9;background:#fff;"
                       "font:40px monospace\">Oven bakery</div>";
    for (int line = 0; line < 200; ++line)
        body += "\r\n<p>Line " + std::to_string(line) + "</p>";
    body += "\r\n<p>Last words</p>";
    showWithPreview();
    retype(body);

    // "Oven " is five characters of about 24 pixels: the click lands on the "k" of "bakery".
    QWidget *target = view()->focusProxy() ? view()->focusProxy() : view();
    QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, QPoint(5 * 24 + 2 * 24 + 12, 25));
    const int bakery = static_cast<int>(body.find("bakery"));
    EXPECT_TRUE(eventually([&] { return text()->caretColumn() > bakery; }))
        << text()->caretLine() << ":" << text()->caretColumn();
    EXPECT_EQ(text()->caretLine(), 0);
    EXPECT_LE(text()->caretColumn(), bakery + 6);

    // The caret on the last line brings it into view; an update keeps the page there.
    EXPECT_EQ(pane()->browser()->scrollPosition().y(), 0);
    text()->placeCaret(201, 5);
    EXPECT_TRUE(eventually([&] { return pane()->browser()->scrollPosition().y() > 1000; }));
    const double scrolled = pane()->browser()->scrollPosition().y();
    QTest::keyClicks(text(), "s");
    ASSERT_TRUE(eventually([&] { return pane()->upToDate(); }));
    EXPECT_TRUE(eventually([&] { return pane()->browser()->scrollPosition().y() == scrolled; }))
        << pane()->browser()->scrollPosition().y() << " after " << scrolled;
}

TEST_F(LivePreview, PaneAndWidth_AreSwitchedByKeyAndButtonAndRememberedForTheNextEditor)
{
    editor.show();
    editor.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
    text()->setFocus();
    QTest::keyClick(text(), Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(editor.livePreviewShown());
    EXPECT_TRUE(pane()->isVisible());
    ASSERT_TRUE(eventually([this] { return pane()->upToDate(); }, 20000));

    auto *phone = pane()->findChild<QToolButton *>(QStringLiteral("previewPhoneWidth"));
    ASSERT_NE(phone, nullptr);
    QTest::mouseClick(phone, Qt::LeftButton);
    EXPECT_EQ(view()->width(), Editor::PreviewPane::PhoneWidth);

    Editor::PageEditor next(dialogs, CORVANTA_DATA_DIR);
    EXPECT_TRUE(next.livePreviewShown());
    EXPECT_TRUE(next.previewPane()->phoneWidth());

    pane()->findChild<QToolButton *>(QStringLiteral("previewDeskWidth"))->click();
    EXPECT_TRUE(eventually([this] { return view()->width() > Editor::PreviewPane::PhoneWidth; }));
    QTest::keyClick(text(), Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(pane()->isVisible());
    EXPECT_FALSE(Editor::PageEditor(dialogs, CORVANTA_DATA_DIR).livePreviewShown());
}

/// The document a page shows, as the browser writes it out.
std::string documentMarkup(QWebEnginePage &page)
{
    QString markup;
    bool answered = false;
    page.runJavaScript(
        QStringLiteral("document.documentElement.outerHTML"), [&](const QVariant &value) {
            markup = value.toString();
            answered = true;
        });
    return QTest::qWaitFor([&] { return answered; }, 10000) ? markup.toStdString() : "no answer";
}

/// The document of a page loaded afresh, in a browser of its own, from the same address.
std::string freshlyLoaded(const QUrl &address)
{
    QWebEngineView view;
    QWebEngineProfile profile; // off the record
    QWebEnginePage page(&profile);
    view.setPage(&page);
    QSignalSpy loaded(&page, &QWebEnginePage::loadFinished);
    page.load(address);
    if (!loaded.wait(20000) || !loaded.front().front().toBool())
        return "not loaded";
    std::string markup = documentMarkup(page);
    view.setPage(nullptr);
    return markup;
}

TEST_F(LivePreview, ChangesMadeInPlace_ShowWhatAFreshLoadOfThePublishedPageShows)
{
    showWithPreview();
    auto *shown = qobject_cast<QWebEngineView *>(view());
    ASSERT_NE(shown, nullptr);
    const auto matchesFreshLoad = [&](const std::string &body) {
        retype(body);
        EXPECT_EQ(documentMarkup(*shown->page()), freshlyLoaded(pane()->browser()->shownAddress()))
            << body;
    };
    // Words, elements added and taken away, ends the parser implies, a character reference,
    // a leading line break that a pre drops, and a blank changed inside a tag only.
    const int loads = pane()->browser()->pageLoads();
    matchesFreshLoad("<p>Fresh rye bread</p>");
    matchesFreshLoad("<p>Fresh <b>rye</b> bread</p>\r\n<ul><li>Buns<li>Rolls &amp; more</ul>");
    matchesFreshLoad("<h2>Today</h2>\r\n<p>Fresh <b>rye</b> bread</p>\r\n<ul><li>Buns<li>Rolls</ul>"
                     "\r\n<pre>\nOpen 7-12</pre>");
    matchesFreshLoad(
        "<h2>Today</h2>\r\n<ul><li>Buns<li>Rolls<li>Cake</ul>\r\n<pre>\nOpen 7-12</pre>");
    matchesFreshLoad(
        "<h2 >Today</h2>\r\n<ul><li>Buns<li>Rolls<li>Cake</ul>\r\n<pre>\nOpen 7-12</pre>");
    EXPECT_EQ(pane()->browser()->pageLoads(), loads);

    // A part the template's script changes as the page loads (its menu's links, found by
    // class), formatting the parser carries into the next paragraph, a script in the body:
    // the page is loaded again, each time.
    const std::string menu = "<p class=\"nav\"><a href=\"home.html\">Home</a></p>";
    matchesFreshLoad(menu);
    EXPECT_EQ(pane()->browser()->pageLoads(), loads + 1);
    matchesFreshLoad(menu + "\r\n<p><b>Bold</p>\r\n<p>Plain</p>");
    EXPECT_EQ(pane()->browser()->pageLoads(), loads + 2);
    matchesFreshLoad("<p>Rye</p><script>document.body.append('More');</script>");
    EXPECT_EQ(pane()->browser()->pageLoads(), loads + 3);
}

TEST_F(LivePreview, PictureChangedOnDisk_IsShownAfreshWithTheNextChange)
{
    writeBytes(dir.file("cake.png"), "first");
    showWithPreview();
    retype("<p><img src=\"cake.png\"> Cake</p>");
    const int loads = pane()->browser()->pageLoads();

    // The page's new bytes alone could be changed in place; the picture it shows could not.
    writeBytes(dir.file("cake.png"), "second");
    retype("<p><img src=\"cake.png\"> Cakes</p>");
    EXPECT_EQ(pane()->browser()->pageLoads(), loads + 1);
    const std::string shown = pane()->shownFile();
    EXPECT_EQ(readBytes(shown.substr(0, shown.rfind('/')) + "/cake.png"), "second");
}

/// A real HTTP server on 127.0.0.1 that counts every connection made to it.
class CountingServer
{
public:
    CountingServer()
    {
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket *socket = server.nextPendingConnection()) {
                ++connections;
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                    socket->readAll();
                    socket->write(
                        "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
                    socket->disconnectFromHost();
                });
            }
        });
    }
    std::string address(const char *path) const
    {
        return "http://127.0.0.1:" + std::to_string(server.serverPort()) + path;
    }
    QTcpServer server;
    int connections = 0;
};

TEST_F(LivePreview, AddressesOutsideThePreview_AreBlockedCountedAndNeverReached)
{
    CountingServer server;
    ASSERT_TRUE(server.server.isListening());
    showWithPreview();
    retype("<img src=\"" + server.address("/cake.png") + "\">\r\n"
        + "<link rel=\"stylesheet\" href=\"" + server.address("/site.css") + "\">\r\n"
        + "<script>fetch('" + server.address("/send") + "').catch(() => {});\r\n"
        + "new WebSocket('" + server.address("/talk").replace(0, 4, "ws")
        + "');\r\n"
        // Nor may a page's script take the preview elsewhere or open a window.
        + "window.open('" + server.address("/window") + "');\r\n"
        + "setTimeout(() => { location.href = '" + server.address("/away") + "'; }, 0);</script>");

    EXPECT_TRUE(eventually([&] { return pane()->browser()->blockedRequests() >= 4; }, 10000))
        << pane()->browser()->blockedRequests();
    EXPECT_TRUE(pane()->noticeLine()->isVisible());
    EXPECT_EQ(pane()->noticeLine()->text().toStdString(),
        "4 addresses outside the preview were blocked: the preview never loads anything from "
        "the network.");
    QTest::qWait(500); // time for anything that did get out to arrive
    EXPECT_EQ(server.connections, 0);

    // The picture asked for again by a change to it is still one address blocked.
    const std::string picture = "<p><img src=\"" + server.address("/cake.png") + "\"";
    retype(picture + "> Cake</p>");
    retype(picture + " alt=\"Cake\"> Cake</p>");
    EXPECT_EQ(pane()->browser()->blockedRequests(), 1);
    EXPECT_EQ(server.connections, 0);
}

/// The first line of the answer to a GET of `path` at the address's server, as another
/// program on the computer would ask; the waits let the browser's server answer meanwhile.
std::string firstAnswerLine(const QUrl &address, const QByteArray &path)
{
    QTcpSocket socket;
    socket.connectToHost(address.host(), static_cast<quint16>(address.port()));
    if (!QTest::qWaitFor([&] { return socket.state() == QAbstractSocket::ConnectedState; }, 5000))
        return "no connection";
    socket.write("GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    std::ignore = QTest::qWaitFor(
        [&] { return socket.state() == QAbstractSocket::UnconnectedState; }, 5000);
    const QByteArray answer = socket.readAll();
    return answer.left(answer.indexOf("\r\n")).toStdString();
}

TEST_F(LivePreview, OtherProgramsOnTheComputer_GetNothingWithoutThePreviewsSecretAddress)
{
    showWithPreview();
    const QUrl shown = pane()->browser()->shownAddress();
    const QByteArray page = shown.path().toUtf8();
    const QByteArray secret = page.left(page.indexOf('/', 1));
    ASSERT_EQ(secret.size(), 33) << page.toStdString();

    EXPECT_EQ(firstAnswerLine(shown, page), "HTTP/1.1 200 OK");
    const QByteArray folder = page.left(page.lastIndexOf('/'));
    EXPECT_EQ(firstAnswerLine(shown, folder + "/styles.css"), "HTTP/1.1 200 OK");
    EXPECT_EQ(firstAnswerLine(shown, page.mid(secret.size())), "HTTP/1.1 404 Not Found");
    EXPECT_EQ(firstAnswerLine(shown, "/" + page.mid(secret.size())), "HTTP/1.1 404 Not Found");
    EXPECT_EQ(
        firstAnswerLine(shown, secret + "/../" + secret + "/styles.css"), "HTTP/1.1 404 Not Found");
}

class WithoutEngine : public LivePreview
{
protected:
    // A place no module is at; not inside `dir`, which is not made yet when this is given.
    WithoutEngine()
        : LivePreview({ QStringLiteral("/nonexistent-corvanta/corvanta-preview.so") })
    { }
};

TEST_F(WithoutEngine, Pane_SaysWhichPackageBringsTheEngineAndTheEditorWorksOn)
{
    editor.setLivePreviewShown(true);
    editor.show();
    EXPECT_TRUE(eventually(
        [&] { return pane()->explanation()->text().contains("libqt6webenginewidgets6"); }));
    EXPECT_TRUE(pane()->explanation()->isVisible());
    EXPECT_EQ(pane()->browser(), nullptr);
    text()->setFocus();
    QTest::keyClicks(text(), "Still here");
    EXPECT_EQ(editor.pageText(1).substr(0, 10), "Still here");
    EXPECT_TRUE(dialogs.asked().empty());
}

} // namespace
} // namespace Testing
