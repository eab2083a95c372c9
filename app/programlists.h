#pragma once

#include "project/project.h"

#include <string>

namespace App {

/// The choice lists of a program started in `homeDir`: the installed templates and the font
/// families, fixed from start-up to exit.
Model::ChoiceLists programChoiceLists(const std::string &homeDir);

} // namespace App
