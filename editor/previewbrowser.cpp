#include "editor/previewbrowser.h"

#include <QCoreApplication>
#include <QLibrary>

namespace Editor {

std::unique_ptr<PreviewBrowser> loadPreviewBrowser(
    const QStringList &places, const QString &folder, QWidget *parent, QString *error)
{
    QStringList reasons;
    for (const QString &place : places) {
        QLibrary module(place);
        const auto entry
            = reinterpret_cast<PreviewBrowserEntry>(module.resolve("corvantaPreviewBrowser"));
        if (entry)
            return std::unique_ptr<PreviewBrowser>(entry(folder, parent));
        reasons.append(module.errorString());
    }
    if (error)
        *error = reasons.join(QLatin1Char('\n'));
    return nullptr;
}

QStringList previewModulePlaces()
{
    const QString name = QStringLiteral("corvanta-preview.so");
    const QString programDir = QCoreApplication::applicationDirPath();
    return { programDir + QLatin1Char('/') + name,
        programDir + QStringLiteral("/" CORVANTA_INSTALLED_MODULE_DIR "/") + name };
}

} // namespace Editor
