#include "publish/navigation.h"

#include "publish/webnames.h"

#include "platform/files.h"

namespace Publish {
namespace {

using Platform::File;

void appendLine(const Platform::Directory &website, const char *script, const std::string &line)
{
    File file = website.openForAppend(script);
    file.write(line + "\r\n");
    file.close();
}

void appendLine(const Platform::Directory &website, const char *script, const std::string &line,
    std::optional<File> &kept)
{
    if (!kept)
        kept.emplace(website.openForAppend(script));
    kept->write(line + "\r\n");
}

/// The script line that prints `html` into the page.
std::string documentWrite(const std::string &html)
{
    return "document.write(\"" + javaScriptString(html) + "\");";
}

} // namespace

void CreateNavigationScripts(const Platform::Directory &website, bool addTextNavigation)
{
    website.createFile(MainNavigationScript).close();
    if (addTextNavigation)
        website.createFile(TextNavigationScript).close();
}

std::string mainNavigationEntry(const std::string &templateName, Model::PageId page)
{
    const Model::PageInfo &info = Model::pageInfo(page);
    return documentWrite("<a href=\"" + relativeAddress(info.pageFile) + "\"><img src=\""
        + relativeAddress(templateName + info.pictureSuffix) + "\" border=\"0\" alt=\""
        + htmlText(info.caption) + "\"></a><br>");
}

std::string textNavigationEntry(Model::PageId page)
{
    const Model::PageInfo &info = Model::pageInfo(page);
    return documentWrite("<font style=\"font-size:11px\"><a href=\""
        + relativeAddress(info.pageFile) + "\">" + htmlText(info.caption) + "</a> :: </font>");
}

void AppendMainNavigationEntry(
    const Platform::Directory &website, const std::string &templateName, Model::PageId page)
{
    appendLine(website, MainNavigationScript, mainNavigationEntry(templateName, page));
}

void AppendTextNavigationEntry(const Platform::Directory &website, Model::PageId page)
{
    appendLine(website, TextNavigationScript, textNavigationEntry(page));
}

void AppendMainNavigationEntry(const Platform::Directory &website, const std::string &templateName,
    Model::PageId page, std::optional<Platform::File> &script)
{
    appendLine(website, MainNavigationScript, mainNavigationEntry(templateName, page), script);
}

void AppendTextNavigationEntry(
    const Platform::Directory &website, Model::PageId page, std::optional<Platform::File> &script)
{
    appendLine(website, TextNavigationScript, textNavigationEntry(page), script);
}

} // namespace Publish
