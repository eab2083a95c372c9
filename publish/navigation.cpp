#include "publish/navigation.h"

#include "platform/files.h"

namespace Publish {
namespace {

using Platform::File;

void appendLine(const std::string &path, const std::string &line)
{
    File script(path, File::Mode::Append);
    script.write(line + "\r\n");
    script.close();
}

} // namespace

void CreateNavigationScripts(const std::string &websiteDir, bool addTextNavigation)
{
    File(websiteDir + "/" + MainNavigationScript, File::Mode::CreateTruncate).close();
    if (addTextNavigation)
        File(websiteDir + "/" + TextNavigationScript, File::Mode::CreateTruncate).close();
}

std::string mainNavigationEntry(const std::string &templateName, Model::PageId page)
{
    const Model::PageInfo &info = Model::pageInfo(page);
    return std::string("document.write(\"<a href=\\\"") + info.pageFile + "\\\"><img src=\\\""
        + templateName + info.pictureSuffix + "\\\" border=\\\"0\\\" alt=\\\"" + info.caption
        + "\\\"></a><br>\");";
}

std::string textNavigationEntry(Model::PageId page)
{
    const Model::PageInfo &info = Model::pageInfo(page);
    return std::string("document.write(\"<font style=\\\"font-size:11px\\\"><a href=\\\"")
        + info.pageFile + "\\\">" + info.caption + "</a> :: </font>\");";
}

void AppendMainNavigationEntry(
    const std::string &websiteDir, const std::string &templateName, Model::PageId page)
{
    appendLine(websiteDir + "/" + MainNavigationScript, mainNavigationEntry(templateName, page));
}

void AppendTextNavigationEntry(const std::string &websiteDir, Model::PageId page)
{
    appendLine(websiteDir + "/" + TextNavigationScript, textNavigationEntry(page));
}

} // namespace Publish
