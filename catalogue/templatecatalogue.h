#pragma once

#include <string>
#include <vector>

namespace Catalogue {

/// The user's own templates folder: "corvanta/templates" in the user's data folder
/// (Platform::userFolder). Empty when there is none or the path cannot be held in
/// Windows-1252.
std::string UserTemplatesDirectory();

/// The templates: the names of the entries of the user's templates folder and of
/// "<home>/templates" that end in ".t" (".t" removed), each name once, in the order of their
/// names compared without regard to letter case.
std::vector<std::string> ListTemplates(const std::string &homeDir);

/// The folder a template's files are read from: the user's templates folder when it holds
/// "<name>.t", otherwise "<home>/templates". The user's template wins where names clash.
std::string TemplateDirectory(const std::string &homeDir, const std::string &name);

/// "<folder>/<name>.jpg" in the template's folder: the template's preview picture.
std::string TemplatePreviewPath(const std::string &homeDir, const std::string &name);

} // namespace Catalogue
