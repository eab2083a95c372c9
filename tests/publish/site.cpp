#include "tests/publish/site.h"

#include "platform/directory.h"
#include "platform/fileerror.h"
#include "platform/files.h"
#include "publish/navigation.h"

#include <filesystem>

namespace Testing {

Site::Site()
    : lists { { "Blue" }, Model::FontFamilyList({ "DejaVu Sans Mono" }) }
    , project(Model::DefaultProject(lists))
{
    std::filesystem::create_directory(templates());
}

void Site::writeTemplate(const std::string &bytes) const
{
    writeBytes(templates() + "/Blue.t", bytes);
}

void Site::writePicture(const std::string &name) const
{
    writeBytes(templates() + "/" + name, name);
}

void Site::writeNavigationPictures() const
{
    for (const Model::PageInfo &page : Model::PageCatalogue)
        writePicture(std::string("Blue") + page.pictureSuffix);
}

void Site::prepareWebsite() const
{
    std::filesystem::create_directory(website());
    Publish::CreateNavigationScripts(Platform::Directory(website()), project.addTextNavigation);
}

std::string Site::read(const std::string &name) const { return readBytes(website() + "/" + name); }

std::set<std::string> Site::websiteFiles() const
{
    std::set<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(website()))
        names.insert(entry.path().filename().string());
    return names;
}

} // namespace Testing
