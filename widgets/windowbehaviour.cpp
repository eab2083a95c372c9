#include "widgets/windowbehaviour.h"

#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QWidget>

namespace Widgets {

namespace {

// Watches one window's own events; lives as long as the window does.
class WindowWatch : public QObject
{
public:
    enum class Kind { Centre, IgnoreEscape };

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
        if (m_kind == Kind::Centre && event->type() == QEvent::Show) {
            if (const QScreen *screen = QGuiApplication::primaryScreen())
                m_window->move(screen->availableGeometry().center() - m_window->rect().center());
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
    QWidget *m_window;
    Kind m_kind;
};

} // namespace

void centreWhenShown(QWidget *window) { new WindowWatch(window, WindowWatch::Kind::Centre); }

void ignoreEscape(QWidget *window) { new WindowWatch(window, WindowWatch::Kind::IgnoreEscape); }

} // namespace Widgets
