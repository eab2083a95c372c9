#include "platform/userfolders.h"

#include "platform/encoding.h"

#include <QDir>
#include <QStandardPaths>

namespace Platform {

std::string dialogStartPath(const std::string &lastUsed)
{
    if (!lastUsed.empty())
        return lastUsed;
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    return utf8ToCp1252Exact(folder.toStdString()).value_or(std::string());
}

} // namespace Platform
