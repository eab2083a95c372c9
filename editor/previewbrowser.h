#pragma once

#include <QPointF>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>

class QWidget;

namespace Editor {

/// A change made to the shown page in place: children `first` to `first + removed` of the
/// element at `path` become the nodes `markup` makes inside it (see Publish::PagePatch).
struct PageChange
{
    QList<int> path;
    QString parentName;
    int parentChildren = 0;
    int first = 0;
    int removed = 0;
    QString removedShape;
    QString markup;
    QString addedShape;
};

/// The browser of the live preview pane. It lives in a module of its own
/// (corvanta-preview.so) with Qt WebEngine, which the program loads when the pane is first
/// shown: the engine's libraries are large, loading them at start-up would keep the first
/// window waiting, and the program runs without them. The browser shows only files inside
/// its preview folder: every other address a page asks for is blocked and counted, and the
/// page cannot navigate anywhere else.
class PreviewBrowser
{
public:
    virtual ~PreviewBrowser() = default;
    /// The browser's widget, made with the parent given to the module.
    virtual QWidget *widget() = 0;
    /// Shows a page file inside the preview folder. With `keepScroll` the new page opens
    /// where the one shown before was scrolled to.
    virtual void showPage(const QString &pageFile, bool keepScroll) = 0;
    /// Shows the page file `pageFile`, the page shown with `change` made: in place when the
    /// page shown is as the change expects, else by loading it again where it was scrolled.
    virtual void changePage(const QString &pageFile, const PageChange &change) = 0;
    /// How many times a page was loaded; a change made in place loads none.
    virtual int pageLoads() const = 0;
    /// Scrolls the page so that character `offset` of text piece `piece` (see
    /// Publish::PageSourceMap), `length` characters long, is in view; a place already in view
    /// stays where it is. A near piece of that length is taken when the page's own scripts
    /// have added or removed pieces before it.
    virtual void reveal(int piece, int offset, int length) = 0;
    /// How far the shown page is scrolled, in the page's pixels.
    virtual QPointF scrollPosition() const = 0;
    /// The addresses outside the preview folder the shown page asked for.
    virtual int blockedRequests() const = 0;
    /// The web address the shown page is read from (the browser's own server on this computer).
    virtual QUrl shownAddress() const = 0;

    /// A page asked for by showPage finished loading (false: it could not be shown).
    std::function<void(bool shown)> pageShown;
    /// The user clicked character `offset` of text piece `piece`, `length` characters long.
    std::function<void(int piece, int offset, int length)> textClicked;
    /// A request outside the preview folder was blocked; the count for the shown page.
    std::function<void(int blocked)> requestBlocked;
};

/// The module's entry point, found by name: a new browser showing files inside `folder` only.
using PreviewBrowserEntry = PreviewBrowser *(*)(const QString &folder, QWidget *parent);

/// Loads the browser module from the first of `places` that loads and makes a browser in
/// `parent`; nullptr when none loads, with the reason in `error`.
std::unique_ptr<PreviewBrowser> loadPreviewBrowser(
    const QStringList &places, const QString &folder, QWidget *parent, QString *error);

/// Where the module is looked for: beside the program in a build, in the program's library
/// folder once installed.
QStringList previewModulePlaces();

} // namespace Editor

/// The module's entry point.
extern "C" Editor::PreviewBrowser *corvantaPreviewBrowser(const QString &folder, QWidget *parent);
