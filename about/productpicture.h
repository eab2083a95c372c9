#pragma once

#include <QPixmap>
#include <QSize>

namespace About {

inline constexpr QSize ProductPictureSize(452, 302);

/// The product picture the splash and the about window show: the program's own JPEG,
/// decoded with libjpeg.
QPixmap productPicture();

} // namespace About
