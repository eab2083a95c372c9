#pragma once

#include <QWidget>

class QTimer;

namespace About {

/// The splash: the product picture without a frame, above other windows, for the first two
/// seconds of the run. The program makes it just before it first shows it; its timer starts
/// when it is made and each tick hides it, so it goes about two seconds later.
class SplashWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int SplashTimerInterval = 2000;

    explicit SplashWindow(QWidget *parent = nullptr);

    /// Shows the splash without waiting; only the first call in a run shows it.
    void showSplash();
    /// Each tick of the splash timer hides the splash.
    void hideSplash();

private:
    QTimer *m_timer = nullptr;
    bool m_shown = false;
};

} // namespace About
