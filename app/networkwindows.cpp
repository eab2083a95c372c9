#include "app/networkwindows.h"

#include "platform/fileerror.h"
#include "widgets/cp1252text.h"

#include <QCoreApplication>
#include <QLibrary>

namespace App {

NetworkWindows &networkWindows()
{
    static NetworkWindows *loaded = nullptr;
    if (loaded)
        return *loaded;
    const QString name = QStringLiteral("corvanta-network.so");
    const QString programDir = QCoreApplication::applicationDirPath();
    // Beside the program in a build, in the library folder once installed.
    const QString places[] = { programDir + QLatin1Char('/') + name,
        programDir + QStringLiteral("/" CORVANTA_INSTALLED_MODULE_DIR "/") + name };
    for (const QString &place : places) {
        QLibrary module(place);
        using Entry = NetworkWindows *(*)();
        if (const auto entry = reinterpret_cast<Entry>(module.resolve("corvantaNetworkWindows"))) {
            loaded = entry();
            return *loaded;
        }
    }
    throw Platform::FileError("Cannot open file " + Widgets::toCp1252(places[1]));
}

} // namespace App
