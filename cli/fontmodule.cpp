// The module corvanta-cli-fonts.so: the installed font families from Qt's font machinery,
// loaded by corvanta-cli only for the commands that need the list.
#include "platform/encoding.h"

#include <QFontDatabase>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

// Qt's notes about its own set-up (a missing runtime directory and the like) would end up
// on stderr, whose last line belongs to the error message; only fatal ones get through.
void quietQtMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg || type == QtCriticalMsg)
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

} // namespace

/// The module's entry point, found by name when it is loaded: the installed families, as
/// Windows-1252 (families it cannot hold are left out). Starts Qt on its offscreen platform
/// when QT_QPA_PLATFORM is not set, and ends it again.
extern "C" __attribute__((visibility("default"))) void corvantaCliFontFamilies(
    std::vector<std::string> &families)
{
    const QtMessageHandler previousHandler = qInstallMessageHandler(quietQtMessages);
    std::unique_ptr<QGuiApplication> application;
    if (QCoreApplication::instance() == nullptr) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "corvanta-cli";
        static char *argv[] = { name, nullptr };
        application = std::make_unique<QGuiApplication>(argc, argv);
    }
    for (const QString &family : QFontDatabase::families()) {
        if (auto name = Platform::utf8ToCp1252Exact(family.toStdString()))
            families.push_back(std::move(*name));
    }
    application.reset();
    qInstallMessageHandler(previousHandler);
}
