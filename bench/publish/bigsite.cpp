#include "bench/publish/bigsite.h"

#include "platform/files.h"

#include <sys/stat.h>

namespace Bench::BigSite {
namespace {

/// Bytes that look like a picture of the given size; only their count matters.
std::string pictureBytes(std::size_t size, int seed)
{
    std::string bytes = "GIF89a";
    unsigned state = 2166136261u ^ static_cast<unsigned>(seed);
    while (bytes.size() < size) {
        state = state * 16777619u + 12345u;
        bytes += static_cast<char>(state >> 24);
    }
    return bytes;
}

void writeFile(const std::string &path, const std::string &bytes)
{
    Platform::File file(path, Platform::File::Mode::CreateTruncate);
    file.write(bytes);
    file.close();
}

std::string templateText()
{
    const char *head[] = { "<html>", "<head>", "<meta charset=\"windows-1252\">", "<title>",
        "<!--$TITLE$-->", "</title>", "<!--$DESCRIPTION$-->", "<!--$KEYWORDS$-->",
        "<!--$COPYRIGHT$-->", "<link rel=\"stylesheet\" href=\"styles.css\">", "</head>", "<body>",
        "<!--$LOGO$-->", "<!--$SLOGAN$-->", "<!--$NAV$-->", "<!--$IMG$-->" };
    std::string text;
    int lines = 0;
    const auto line = [&](const std::string &content) {
        text += content + "\r\n";
        ++lines;
    };
    for (const char *content : head)
        line(content);
    for (int picture = 1; picture <= PictureCount; ++picture)
        line("picture" + std::to_string(picture) + ".gif");
    line("<!--$ENDIMG$-->");
    const char *tail[] = { "<!--$CONTENT$-->", "<!--$TEXTNAV$-->", "<!--$COPYBOTTOM$-->",
        "<!--$MADE$-->", "</body>", "</html>" };
    const int filler = TemplateLines - lines - static_cast<int>(std::size(tail));
    for (int i = 0; i < filler; ++i) {
        line("    <div class=\"decoration\" id=\"d" + std::to_string(i) + "\"><img src=\"picture"
            + std::to_string(i % PictureCount + 1) + ".gif\" alt=\"\"></div>");
    }
    for (const char *content : tail)
        line(content);
    return text;
}

} // namespace

void writeTemplates(const std::string &homeDir)
{
    const std::string templates = homeDir + "/templates";
    ::mkdir(templates.c_str(), 0777);
    writeFile(templates + "/" + TemplateName + ".t", templateText());
    for (int picture = 1; picture <= PictureCount; ++picture) {
        writeFile(templates + "/picture" + std::to_string(picture) + ".gif",
            pictureBytes(std::size_t { 20 } * 1024, picture));
    }
    for (const Model::PageInfo &page : Model::PageCatalogue) {
        writeFile(templates + "/" + TemplateName + page.pictureSuffix,
            pictureBytes(std::size_t { 3 } * 1024, 100 + page.id));
    }
}

std::string body(int page)
{
    std::string text;
    text.reserve(BodySize + 256);
    for (int paragraph = 0; text.size() < BodySize; ++paragraph) {
        text += "<p>Paragraph " + std::to_string(paragraph) + " of page " + std::to_string(page)
            + ": the quick brown fox jumps over the lazy dog, <b>again</b> and again.</p>\r\n";
    }
    text.resize(BodySize);
    return text;
}

Model::Project project(const Model::ChoiceLists &lists, const std::string &logoPath)
{
    Model::Project project = Model::DefaultProject(lists);
    project.siteTitle = "A Big Site";
    project.siteDescription = "Everything about everything";
    project.siteKeywords = "big, site, benchmark";
    project.copyrightYears = "2004";
    project.slogan = "Bigger is better";
    project.logoPath = logoPath;
    project.addTextNavigation = true;
    project.addCopyrightFooter = true;
    project.personalPages.fill(true);
    project.businessPages.fill(true);
    for (int page = 1; page <= Model::PageCount; ++page)
        project.pageBody[static_cast<std::size_t>(page - 1)] = body(page);
    return project;
}

void writeLogo(const std::string &path)
{
    writeFile(path, pictureBytes(std::size_t { 12 } * 1024, 999));
}

} // namespace Bench::BigSite
