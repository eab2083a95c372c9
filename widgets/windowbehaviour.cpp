#include "widgets/windowbehaviour.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <QWidget>

#include <algorithm>

namespace Widgets {

namespace {

// Watches one window's own events; lives as long as the window does.
class WindowWatch : public QObject
{
public:
    enum class Kind { Centre, IgnoreEscape, Remember };

    WindowWatch(QWidget *window, Kind kind)
        : QObject(window)
        , m_window(window)
        , m_kind(kind)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_window)
            return false;
        if (m_kind == Kind::Remember && event->type() == QEvent::Hide) {
            placeSettings().setValue(placeKey(m_window), m_window->saveGeometry());
        } else if (m_kind == Kind::Remember && event->type() == QEvent::Show && !m_placed) {
            m_placed = true;
            const QByteArray place = placeSettings().value(placeKey(m_window)).toByteArray();
            if (place.isEmpty() || !m_window->restoreGeometry(place))
                centre();
        } else if (m_kind == Kind::Centre && event->type() == QEvent::Show) {
            centre();
        } else if (m_kind == Kind::IgnoreEscape && event->type() == QEvent::KeyPress) {
            // Keys the window's controls leave unused reach the window here as well.
            auto *key = static_cast<QKeyEvent *>(event);
            if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
                key->accept();
                return true;
            }
        }
        return false;
    }

private:
    void centre()
    {
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            m_window->move(screen->availableGeometry().center() - m_window->rect().center());
    }

    // Where the program keeps what it remembers for the user.
    static QSettings placeSettings()
    {
        return QSettings(QStringLiteral("corvanta"), QStringLiteral("corvanta"));
    }

    static QString placeKey(const QWidget *window)
    {
        return QStringLiteral("windows/") + window->objectName() + QStringLiteral("/geometry");
    }

    QWidget *m_window;
    Kind m_kind;
    bool m_placed = false;
};

// Watches every window of the program for the one that closes while active.
class FocusReturn : public QObject
{
public:
    explicit FocusReturn(QWidget *mainWindow)
        : QObject(mainWindow)
        , m_mainWindow(mainWindow)
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Hide || !watched->isWidgetType())
            return false;
        auto *window = static_cast<QWidget *>(watched);
        // Menus and tooltips give the focus back themselves.
        const Qt::WindowType type = window->windowType();
        if (!window->isWindow() || window == m_mainWindow || type == Qt::Popup
            || type == Qt::ToolTip)
            return false;
        QWidget *active = QApplication::activeWindow();
        if (active == nullptr || active == window) {
            // Once the window is gone from the modal windows and the events at hand are done.
            QWidget *owner = window->parentWidget() ? window->parentWidget()->window() : nullptr;
            QTimer::singleShot(0, this,
                [this, closed = QPointer<QWidget>(window), owner = QPointer<QWidget>(owner)] {
                    giveBack(closed, owner);
                });
        }
        return false;
    }

private:
    void giveBack(const QPointer<QWidget> &closed, const QPointer<QWidget> &owner)
    {
        QWidget *active = QApplication::activeWindow();
        // Another window took the keyboard meanwhile: it keeps it.
        if (active != nullptr && active != closed && active->isVisible())
            return;
        // The window still waiting for an answer, else the one the closed window belonged to.
        QWidget *target = QApplication::activeModalWidget();
        if (target == nullptr || !target->isVisible())
            target = owner;
        if (target == nullptr || !target->isVisible())
            target = m_mainWindow;
        if (!target->isVisible())
            return;
        target->raise();
        target->activateWindow();
    }

    QWidget *m_mainWindow;
};

} // namespace

void returnFocusWhenWindowsClose(QWidget *mainWindow) { new FocusReturn(mainWindow); }

void centreWhenShown(QWidget *window) { new WindowWatch(window, WindowWatch::Kind::Centre); }

void ignoreEscape(QWidget *window) { new WindowWatch(window, WindowWatch::Kind::IgnoreEscape); }

QSize fittingSize(const QWidget *window, const QSize &designSize)
{
    QLayout *layout = window->layout();
    if (!layout)
        return designSize.expandedTo(window->minimumSizeHint());
    layout->activate();
    const QSize least = layout->totalMinimumSize();
    const int width = std::max(designSize.width(), least.width());
    // Wrapped texts need less height the wider they may be.
    const int height
        = layout->hasHeightForWidth() ? layout->totalHeightForWidth(width) : least.height();
    return { width, std::max(designSize.height(), height) };
}

void fixWindowSize(QWidget *window, const QSize &designSize)
{
    window->setFixedSize(fittingSize(window, designSize));
    centreWhenShown(window);
}

void rememberPlace(QWidget *window, const QSize &designSize)
{
    window->resize(fittingSize(window, designSize));
    new WindowWatch(window, WindowWatch::Kind::Remember);
}

} // namespace Widgets
