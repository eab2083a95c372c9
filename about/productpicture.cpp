#include "about/productpicture.h"

#include "platform/jpegimage.h"

namespace About {

QPixmap productPicture()
{
    return QPixmap::fromImage(Platform::readJpegResource(QStringLiteral(":/about/product.jpg")));
}

} // namespace About
