// The yardstick for the program's start-up: a bare Qt Widgets program that shows a main window
// holding one label, and quits after its first frame like the program does when asked.
#include "widgets/firstframe.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QMainWindow window;
    window.setCentralWidget(new QLabel(QStringLiteral("A bare Qt Widgets window"), &window));
    window.resize(604, 425);
    Widgets::quitAfterFirstFrameWhenAsked(window);
    window.show();
    return application.exec();
}
