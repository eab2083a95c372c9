#include "assets/icons.h"

#include <QString>

namespace Assets {

QIcon icon(const char *name)
{
    const QPixmap picture = pixmap(name);
    return picture.isNull() ? QIcon() : QIcon(picture);
}

QPixmap pixmap(const char *name)
{
    return QPixmap(QStringLiteral(":/icons/") + QString::fromLatin1(name) + QStringLiteral(".png"));
}

} // namespace Assets
