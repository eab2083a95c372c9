#pragma once

#include "project/project.h"

#include <cstddef>
#include <random>
#include <string>

namespace Hardening {

/// Windows-1252 text of `length` bytes drawn from every byte value, NUL and the undefined
/// five included; with `lineBreaks`, CR LF pairs are spread through it as the editor holds them.
std::string randomText(std::mt19937 &random, std::size_t length, bool lineBreaks);

/// A project whose every field is drawn at random: site type, texts of up to 255 bytes,
/// colour texts of up to 7 bytes with any swatch, flags, both tick columns and page bodies of
/// up to `maxBodySize` bytes. Choice fields step with `index` through every position their
/// list can store in a project file (below 255), and then none.
Model::Project randomProject(std::mt19937 &random, std::size_t index,
    const Model::ChoiceLists &lists, std::size_t maxBodySize);

} // namespace Hardening
