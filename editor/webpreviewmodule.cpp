// The module corvanta-preview.so: the live preview's browser, made with Qt WebEngine, loaded
// by the program when the preview pane is first shown.
#include "editor/previewbrowser.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QOpenGLContext>
#include <QPointer>
#include <QRandomGenerator>
#include <QSurfaceFormat>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

#include <unistd.h>

// Qt's own (exported) hold of the context every OpenGL context of the program shares.
Q_GUI_EXPORT QOpenGLContext *qt_gl_global_share_context();
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext *context);

namespace {

/// Serves the preview folder, and nothing else, on an address of this computer only, so that
/// the page is a web page of its own: a page from a web address can reach none of the
/// person's files, as a page opened from a file could. The bytes go out as they are on disk.
/// Other programs on the computer can reach the port too, so every address starts with a
/// secret folder name of 128 random bits: without it nothing is served.
class FolderServer : public QTcpServer
{
public:
    FolderServer(QString folder, QObject *parent)
        : QTcpServer(parent)
        , m_folder(std::move(folder))
        , m_secret(QLatin1Char('/') + secretName())
    {
        listen(QHostAddress::LocalHost, 0);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
            }
        });
    }

    /// The address of a file inside the folder.
    QUrl address(const QString &file) const
    {
        QUrl url;
        url.setScheme(QStringLiteral("http"));
        url.setHost(QStringLiteral("127.0.0.1"));
        url.setPort(serverPort());
        url.setPath(m_secret + QDir::cleanPath(file).mid(m_folder.size()));
        return url;
    }
    /// Whether an address is one of this server's (or data the page carries itself).
    bool serves(const QUrl &url) const
    {
        const QString scheme = url.scheme();
        if (scheme == QLatin1String("data") || scheme == QLatin1String("blob")
            || url.toString() == QLatin1String("about:blank"))
            return true;
        return scheme == QLatin1String("http") && url.host() == QLatin1String("127.0.0.1")
            && url.port() == serverPort();
    }

private:
    void answer(QTcpSocket *socket)
    {
        // The browser's requests are a few hundred bytes; a client that sends more is no browser.
        constexpr qsizetype LongestRequest = qsizetype { 64 } * 1024;
        m_requests[socket] += socket->readAll();
        const QByteArray &request = m_requests[socket];
        if (request.size() > LongestRequest) {
            m_requests.remove(socket);
            socket->abort();
            return;
        }
        if (!request.contains("\r\n\r\n"))
            return;
        const QList<QByteArray> words = request.left(request.indexOf("\r\n")).split(' ');
        m_requests.remove(socket);
        QByteArray status = "404 Not Found";
        QByteArray body;
        QByteArray type = "text/plain";
        if (words.size() == 3 && (words[0] == "GET" || words[0] == "HEAD")) {
            const QString path = QUrl::fromPercentEncoding(words[1].split('?').front());
            const QString file
                = QDir::cleanPath(m_folder + QLatin1Char('/') + path.mid(m_secret.size()));
            QFile content(file);
            if (path.startsWith(m_secret + QLatin1Char('/'))
                && file.startsWith(m_folder + QLatin1Char('/'))
                && content.open(QIODevice::ReadOnly)) {
                status = "200 OK";
                body = content.readAll();
                type = contentType(file);
            }
            if (words[0] == "HEAD")
                body.clear();
        }
        socket->write("HTTP/1.1 " + status + "\r\nContent-Type: " + type
            + "\r\nContent-Length: " + QByteArray::number(body.size())
            + "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" + body);
        socket->disconnectFromHost();
    }

    static QByteArray contentType(const QString &file)
    {
        const QString suffix = QFileInfo(file).suffix().toLower();
        static const QHash<QString, QByteArray> types {
            { QStringLiteral("html"), "text/html" },
            { QStringLiteral("htm"), "text/html" },
            { QStringLiteral("css"), "text/css" },
            { QStringLiteral("js"), "text/javascript" },
            { QStringLiteral("png"), "image/png" },
            { QStringLiteral("gif"), "image/gif" },
            { QStringLiteral("jpg"), "image/jpeg" },
            { QStringLiteral("jpeg"), "image/jpeg" },
            { QStringLiteral("svg"), "image/svg+xml" },
            { QStringLiteral("webp"), "image/webp" },
            { QStringLiteral("ico"), "image/x-icon" },
            { QStringLiteral("txt"), "text/plain" },
        };
        return types.value(suffix, "application/octet-stream");
    }

    static QString secretName()
    {
        QString name;
        for (int part = 0; part < 4; ++part)
            name += QString::number(QRandomGenerator::system()->generate(), 16)
                        .rightJustified(8, QLatin1Char('0'));
        return name;
    }

    QString m_folder;
    QString m_secret;
    QHash<QTcpSocket *, QByteArray> m_requests;
};

/// Blocks every request outside the preview folder: the preview never reaches the network
/// nor the person's other files.
class FolderInterceptor : public QWebEngineUrlRequestInterceptor
{
public:
    FolderInterceptor(
        const FolderServer &server, std::function<void(const QUrl &)> blocked, QObject *parent)
        : QWebEngineUrlRequestInterceptor(parent)
        , m_server(server)
        , m_blocked(std::move(blocked))
    { }

    void interceptRequest(QWebEngineUrlRequestInfo &info) override
    {
        if (m_server.serves(info.requestUrl()))
            return;
        info.block(true);
        m_blocked(info.requestUrl());
    }

private:
    const FolderServer &m_server;
    std::function<void(const QUrl &)> m_blocked;
};

/// The preview's page: it goes only where the pane sends it, and hears the clicks the
/// pane's own script reports.
class FolderPage : public QWebEnginePage
{
public:
    FolderPage(QWebEngineProfile *profile, const FolderServer &server, QString tag, QObject *parent)
        : QWebEnginePage(profile, parent)
        , m_server(server)
        , m_tag(std::move(tag))
    { }

    void expect(const QUrl &url) { m_expected = url; }
    std::function<void(int, int, int)> clicked;

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool isMainFrame) override
    {
        if (isMainFrame)
            return url.adjusted(QUrl::RemoveFragment) == m_expected;
        return m_server.serves(url);
    }

    void javaScriptConsoleMessage(
        JavaScriptConsoleMessageLevel, const QString &message, int, const QString &) override
    {
        // Only the pane's script knows the tag; a page's own messages are not clicks.
        const QStringList parts = message.split(QLatin1Char(' '));
        if (parts.size() == 4 && parts[0] == m_tag && clicked)
            clicked(parts[1].toInt(), parts[2].toInt(), parts[3].toInt());
    }

private:
    const FolderServer &m_server;
    QString m_tag;
    QUrl m_expected;
};

// Runs in a world of its own, beside the page's scripts, which neither see it nor change it.
const char *ClickScript = R"(
(function () {
    function pieceNumber(node) {
        const walker = document.createTreeWalker(document, NodeFilter.SHOW_TEXT);
        for (let n = walker.nextNode(), i = 0; n; n = walker.nextNode(), ++i)
            if (n === node)
                return i;
        return -1;
    }
    document.addEventListener('click', function (event) {
        const range = document.caretRangeFromPoint(event.clientX, event.clientY);
        if (!range || range.startContainer.nodeType !== Node.TEXT_NODE)
            return;
        const piece = pieceNumber(range.startContainer);
        if (piece >= 0)
            console.log('%1 ' + piece + ' ' + range.startOffset + ' ' + range.startContainer.length);
    }, true);
})();
)";

const char *RevealScript = R"(
(function (piece, offset, length) {
    const walker = document.createTreeWalker(document, NodeFilter.SHOW_TEXT);
    const near = [];
    for (let n = walker.nextNode(), i = 0; n && i <= piece + 3; n = walker.nextNode(), ++i)
        if (i >= piece - 3)
            near.push([Math.abs(i - piece), n]);
    // The piece itself, or the nearest of that length when the page's scripts moved it.
    near.sort((a, b) => a[0] - b[0]);
    const fit = near.find(entry => entry[0] === 0 && entry[1].length === length)
        || near.find(entry => entry[1].length === length) || near.find(entry => entry[0] === 0);
    if (!fit)
        return;
    const node = fit[1];
    const range = document.createRange();
    range.setStart(node, Math.min(offset, node.length));
    let box = range.getBoundingClientRect();
    if (box.top === 0 && box.bottom === 0 && node.parentElement)
        box = node.parentElement.getBoundingClientRect();
    if (box.top < 0 || box.bottom > window.innerHeight)
        window.scrollBy(0, box.top - window.innerHeight / 3);
})(%1, %2, %3);
)";

// Makes a change to the shown page in place (see Editor::PageChange), or nothing when the
// page is not as the change expects: its scripts changed it, or the new markup reads
// otherwise inside the element than in the whole page. Lays the page out before it answers.
const char *ChangeScript = R"(
(function (change) {
    const spaces = { 'http://www.w3.org/1999/xhtml': 'h', 'http://www.w3.org/2000/svg': 's',
        'http://www.w3.org/1998/Math/MathML': 'm' };
    function shape(nodes) {
        let out = '';
        function visit(node, depth) {
            out += depth;
            if (node.nodeType === Node.ELEMENT_NODE) {
                out += 'e' + (spaces[node.namespaceURI] || 'x') + node.localName.toLowerCase()
                    + ' ' + node.attributes.length + ';';
                for (const child of node.childNodes)
                    visit(child, depth + 1);
            } else if (node.nodeType === Node.TEXT_NODE) {
                out += 't' + node.data.length + ';';
            } else {
                out += node.nodeType === Node.COMMENT_NODE ? 'c;' : 'x;';
            }
        }
        for (const node of nodes)
            visit(node, 0);
        return out;
    }
    let element = document;
    for (const place of change.path) {
        element = element === document
            ? Array.prototype.filter.call(document.childNodes,
                node => node.nodeType !== Node.DOCUMENT_TYPE_NODE)[place]
            : element.childNodes[place];
        if (!element)
            return false;
    }
    if (element.nodeType !== Node.ELEMENT_NODE || element.localName !== change.parentName
        || element.childNodes.length !== change.parentChildren)
        return false;
    const old = Array.prototype.slice.call(element.childNodes, change.first,
        change.first + change.removed);
    if (shape(old) !== change.removedShape)
        return false;
    const range = document.createRange();
    range.selectNodeContents(element);
    const made = range.createContextualFragment(change.markup);
    if (shape(made.childNodes) !== change.addedShape)
        return false;
    const next = element.childNodes[change.first + change.removed] || null;
    for (const node of old)
        node.remove();
    element.insertBefore(made, next);
    document.documentElement.getBoundingClientRect();
    return true;
})(%1);
)";

class WebPreviewBrowser : public Editor::PreviewBrowser
{
public:
    WebPreviewBrowser(const QString &folder, QWidget *parent)
        : m_folder(QDir::cleanPath(folder))
        , m_tag(QStringLiteral("corvanta-preview-%1")
                    .arg(QRandomGenerator::system()->generate64(), 0, 16))
    {
        m_view = new QWebEngineView(parent);
        m_view->setObjectName(QStringLiteral("previewBrowser"));
        m_view->setAccessibleName(QStringLiteral("Page preview"));
        m_view->setContextMenuPolicy(Qt::NoContextMenu);
        // Off the record: nothing of the preview is kept on disk.
        auto *profile = new QWebEngineProfile(m_view);
        profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
        profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
        m_server = new FolderServer(m_folder, m_view);
        profile->setUrlRequestInterceptor(new FolderInterceptor(
            *m_server, [this](const QUrl &) { blocked(); }, profile));
        QWebEngineSettings *settings = profile->settings();
        settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
        settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
        settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
        settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
        settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
        settings->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
        settings->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
        settings->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);

        QWebEngineScript click;
        click.setName(QStringLiteral("corvanta-click"));
        click.setSourceCode(QString::fromLatin1(ClickScript).arg(m_tag));
        click.setInjectionPoint(QWebEngineScript::DocumentCreation);
        click.setWorldId(QWebEngineScript::ApplicationWorld);
        click.setRunsOnSubFrames(false);
        profile->scripts()->insert(click);

        m_page = new FolderPage(profile, *m_server, m_tag, m_view);
        m_page->clicked = [this](int piece, int offset, int length) {
            if (textClicked)
                textClicked(piece, offset, length);
        };
        m_view->setPage(m_page);
        QObject::connect(m_page, &QWebEnginePage::loadFinished, m_view, [this](bool ok) {
            if (m_scroll != QPointF()) {
                m_page->runJavaScript(
                    QStringLiteral("window.scrollTo(%1, %2);").arg(m_scroll.x()).arg(m_scroll.y()),
                    QWebEngineScript::ApplicationWorld);
            }
            if (pageShown)
                pageShown(ok);
        });
    }

    ~WebPreviewBrowser() override
    {
        // The page goes before the view and its profile, which must outlive it.
        if (m_view) {
            delete m_page;
            delete m_view;
        }
    }

    QWidget *widget() override { return m_view; }

    void showPage(const QString &pageFile, bool keepScroll) override
    {
        m_scroll = keepScroll ? m_page->scrollPosition() : QPointF();
        m_blocked = 0;
        ++m_loads;
        const QUrl url = m_server->address(pageFile);
        m_page->expect(url);
        // The same page again is reloaded, which keeps the browser's page process; a new
        // load would start another one.
        if (m_page->url() == url)
            m_page->triggerAction(QWebEnginePage::Reload);
        else
            m_page->load(url);
    }

    void changePage(const QString &pageFile, const Editor::PageChange &change) override
    {
        // The blocked requests are counted afresh for each page loaded: a change made in
        // place would count a blocked address again.
        if (m_blocked > 0) {
            showPage(pageFile, true);
            return;
        }
        QJsonArray path;
        for (const int place : change.path)
            path.append(place);
        const QJsonObject object { { QStringLiteral("path"), path },
            { QStringLiteral("parentName"), change.parentName },
            { QStringLiteral("parentChildren"), change.parentChildren },
            { QStringLiteral("first"), change.first },
            { QStringLiteral("removed"), change.removed },
            { QStringLiteral("removedShape"), change.removedShape },
            { QStringLiteral("markup"), change.markup },
            { QStringLiteral("addedShape"), change.addedShape } };
        const QString script
            = QString::fromLatin1(ChangeScript)
                  .arg(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
        const QUrl url = m_server->address(pageFile);
        m_page->runJavaScript(script, QWebEngineScript::ApplicationWorld,
            [this, pageFile, url](const QVariant &changed) {
                if (changed.toBool() && m_page->url() == url) {
                    if (pageShown)
                        pageShown(true);
                } else {
                    showPage(pageFile, true);
                }
            });
    }

    int pageLoads() const override { return m_loads; }

    void reveal(int piece, int offset, int length) override
    {
        m_page->runJavaScript(QString::fromLatin1(RevealScript).arg(piece).arg(offset).arg(length),
            QWebEngineScript::ApplicationWorld);
    }

    QPointF scrollPosition() const override { return m_page->scrollPosition(); }

    int blockedRequests() const override { return m_blocked; }
    QUrl shownAddress() const override { return m_page->url(); }

private:
    void blocked()
    {
        ++m_blocked;
        if (requestBlocked)
            requestBlocked(m_blocked);
    }

    QString m_folder;
    QString m_tag;
    QPointer<QWebEngineView> m_view;
    FolderServer *m_server = nullptr;
    FolderPage *m_page = nullptr;
    QPointF m_scroll;
    int m_blocked = 0;
    int m_loads = 0;
};

} // namespace

extern "C" Q_DECL_EXPORT Editor::PreviewBrowser *corvantaPreviewBrowser(
    const QString &folder, QWidget *parent)
{
    // The engine draws through an OpenGL context shared with the program's. A program asks
    // Qt for that context before it starts, at the price of opening OpenGL at every start;
    // this one opens it only now, when the preview is first shown.
    if (!qt_gl_global_share_context()) {
        auto *shared = new QOpenGLContext(QCoreApplication::instance());
        shared->setFormat(QSurfaceFormat::defaultFormat());
        if (!shared->create()) {
            delete shared;
            return nullptr;
        }
        qt_gl_set_global_share_context(shared);
    }
    // Chromium's sandbox refuses to start for the root user (a test machine's virtual
    // display, a container); only there is it switched off. The pages shown are the
    // person's own, and they still reach nothing outside the preview folder.
    if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    return new WebPreviewBrowser(folder, parent);
}
