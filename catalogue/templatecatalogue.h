#pragma once

#include <string>
#include <vector>

namespace Catalogue {

/// The installed templates: the names of the entries of "<home>/templates" that end in ".t"
/// (".t" removed), in the order of their names compared without regard to letter case.
std::vector<std::string> ListTemplates(const std::string &homeDir);

/// "<home>/templates/<name>.jpg", the template's preview picture.
std::string TemplatePreviewPath(const std::string &homeDir, const std::string &name);

} // namespace Catalogue
