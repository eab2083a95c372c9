#pragma once

#include <QIcon>
#include <QPixmap>

namespace Assets {

/// The program's artwork by name ("sidebar-pages", "tool-bold", "edit-cut"), with its
/// picture at twice the size for scaled screens; an unknown name gives an empty icon.
QIcon icon(const char *name);
/// One picture of the artwork: the double-size one, marked as such, when the screens are
/// scaled, else the picture at its size.
QPixmap pixmap(const char *name);

} // namespace Assets
