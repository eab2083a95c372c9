#pragma once

#include <QIcon>
#include <QPixmap>

namespace Assets {

/// The program's artwork by name ("sidebar-pages", "tool-bold", "edit-cut"); an unknown
/// name gives an empty icon.
QIcon icon(const char *name);
QPixmap pixmap(const char *name);

} // namespace Assets
