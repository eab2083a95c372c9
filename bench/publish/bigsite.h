#pragma once

#include "project/project.h"

#include <string>

namespace Bench {

/// The large site publishing is measured on: all fourteen pages ticked, each body 5 MB, and
/// the template "Big" of 1,000 lines whose image block lists 29 pictures.
namespace BigSite {

inline constexpr const char *TemplateName = "Big";
inline constexpr std::size_t BodySize = std::size_t { 5 } * 1024 * 1024;
inline constexpr int TemplateLines = 1000;
inline constexpr int PictureCount = 29;

/// Writes "<home>/templates": Big.t, its 29 pictures and 14 navigation pictures.
void writeTemplates(const std::string &homeDir);

/// A page body of BodySize bytes: paragraphs of text with CR LF line ends.
std::string body(int page);

/// The project: every page ticked, every body filled, a logo, text navigation, footer.
Model::Project project(const Model::ChoiceLists &lists, const std::string &logoPath);

/// Writes a small picture standing in for the logo.
void writeLogo(const std::string &path);

} // namespace BigSite
} // namespace Bench
