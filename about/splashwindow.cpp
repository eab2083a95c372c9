#include "about/splashwindow.h"

#include "about/productpicture.h"

#include "widgets/windowbehaviour.h"

#include <QLabel>
#include <QTimer>

namespace About {

SplashWindow::SplashWindow(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Corvanta"));
    setFixedSize(About::ProductPictureSize);

    auto *picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setGeometry(rect());
    picture->setPixmap(About::productPicture());
    picture->setAccessibleName(QStringLiteral("Corvanta"));

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(SplashTimerInterval);
    connect(m_timer, &QTimer::timeout, this, &SplashWindow::hideSplash);
    m_timer->start();
    Widgets::centreWhenShown(this);
}

void SplashWindow::showSplash()
{
    if (m_shown)
        return;
    m_shown = true;
    show();
}

void SplashWindow::hideSplash() { hide(); }

} // namespace About
