#include "about/aboutwindow.h"

#include "about/productpicture.h"

#include "platform/maker.h"
#include "widgets/runcommand.h"
#include "widgets/windowbehaviour.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QToolButton>
#include <qdrawutil.h>

namespace About {

namespace {

// A flat button that draws nothing of its own, so the picture under it shows through: a
// raised frame while the pointer is over it, a sunken one while it is pressed, and the
// focus rectangle for the keyboard.
class LinkStrip : public QToolButton
{
public:
    explicit LinkStrip(QWidget *parent)
        : QToolButton(parent)
    {
        setAutoRaise(true);
        setAttribute(Qt::WA_Hover);
    }

    bool isRaised() const { return m_hovered; }

protected:
    void enterEvent(QEnterEvent *event) override
    {
        m_hovered = true;
        update();
        QToolButton::enterEvent(event);
    }
    void leaveEvent(QEvent *event) override
    {
        m_hovered = false;
        update();
        QToolButton::leaveEvent(event);
    }
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        if (isDown())
            qDrawShadePanel(&painter, rect(), palette(), true, 1);
        else if (m_hovered)
            qDrawShadePanel(&painter, rect(), palette(), false, 1);
        // Like Qt's own buttons, the focus rectangle shows once the keyboard is used, so the
        // window opens looking like the picture alone.
        if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            focus.rect = rect().adjusted(3, 3, -3, -3);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
        }
    }

private:
    bool m_hovered = false;
};

} // namespace

AboutWindow::AboutWindow(Platform::Dialogs &dialogs, QWidget *parent)
    : QDialog(parent,
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
    , m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("About Corvanta"));
    setFixedSize(About::ProductPictureSize);
    setCursor(Qt::PointingHandCursor);

    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("Image1"));
    m_picture->setGeometry(rect());
    m_picture->setPixmap(About::productPicture());
    m_picture->setAccessibleName(QStringLiteral("About Corvanta"));
    m_picture->installEventFilter(this);

    const QString hint = QStringLiteral("Visit ") + QString::fromLatin1(Platform::Maker::WebSite);
    m_link = new LinkStrip(this);
    m_link->setObjectName(QStringLiteral("SpeedButton1"));
    m_link->setGeometry(40, 266, 369, 33);
    m_link->setToolTip(hint);
    m_link->setAccessibleName(hint);
    connect(m_link, &QToolButton::clicked, this, &AboutWindow::openMakerWebsite);
    Widgets::centreWhenShown(this);
}

void AboutWindow::closeOnPicture()
{
    Widgets::runCommand(m_dialogs, [this] { accept(); });
}

void AboutWindow::openMakerWebsite()
{
    Widgets::runCommand(m_dialogs, [this] { m_dialogs.openDocument(Platform::Maker::WebSite); });
}

bool AboutWindow::eventFilter(QObject *watched, QEvent *event)
{
    // A click is a press and a release of the left button over the picture.
    if (watched == m_picture && event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton
            && m_picture->rect().contains(mouse->position().toPoint())) {
            closeOnPicture();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace About
