#include "publish/renderpage.h"

#include "catalogue/templatecatalogue.h"
#include "publish/bodycopies.h"
#include "publish/copyfile.h"
#include "publish/navigation.h"
#include "publish/webnames.h"

#include "platform/fileerror.h"
#include "platform/files.h"
#include "platform/maker.h"
#include "platform/textlines.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>
#include <vector>

namespace Publish {
namespace {

using Model::PageInfo;
using Model::Project;

enum class Placeholder {
    None,
    Title,
    Description,
    Keywords,
    Copyright,
    Logo,
    Slogan,
    CopyBottom,
    Made,
    Content,
    TextNav,
    Nav,
    ImageBlock
};

constexpr std::array<std::pair<std::string_view, Placeholder>, 12> Placeholders = { {
    { "<!--$TITLE$-->", Placeholder::Title },
    { "<!--$DESCRIPTION$-->", Placeholder::Description },
    { "<!--$KEYWORDS$-->", Placeholder::Keywords },
    { "<!--$COPYRIGHT$-->", Placeholder::Copyright },
    { "<!--$LOGO$-->", Placeholder::Logo },
    { "<!--$SLOGAN$-->", Placeholder::Slogan },
    { "<!--$COPYBOTTOM$-->", Placeholder::CopyBottom },
    { "<!--$MADE$-->", Placeholder::Made },
    { "<!--$CONTENT$-->", Placeholder::Content },
    { "<!--$TEXTNAV$-->", Placeholder::TextNav },
    { "<!--$NAV$-->", Placeholder::Nav },
    { "<!--$IMG$-->", Placeholder::ImageBlock },
} };

constexpr std::string_view ImageBlockEnd = "<!--$ENDIMG$-->";
constexpr std::size_t PictureNameLength = 200;

std::string_view trimmed(std::string_view line)
{
    const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    while (!line.empty() && isBlank(line.front()))
        line.remove_prefix(1);
    while (!line.empty() && isBlank(line.back()))
        line.remove_suffix(1);
    return line;
}

Placeholder placeholderOf(std::string_view line)
{
    const std::string_view text = trimmed(line);
    // Every placeholder is longer than 10 characters and starts "<!--$"; most lines are
    // ruled out by that alone.
    if (text.size() < 10 || !text.starts_with("<!--$"))
        return Placeholder::None;
    for (const auto &[placeholder, kind] : Placeholders) {
        if (text == placeholder)
            return kind;
    }
    return Placeholder::None;
}

/// A name from the image block is only ever a name inside the templates and website
/// directories: anything that could lead elsewhere is refused. A NUL would cut the name short
/// where the system reads it, so it is refused too.
bool isPlainFileName(std::string_view name)
{
    return name != "." && name != ".." && name.find('/') == std::string_view::npos
        && name.find('\0') == std::string_view::npos;
}

/// A name as an error box can show it: control characters, which a box would drop or cut
/// the text at, become "?".
std::string shownName(std::string_view name)
{
    std::string shown(name);
    for (char &c : shown) {
        if (static_cast<unsigned char>(c) < 32)
            c = '?';
    }
    return shown;
}

/// Opens a file of the templates folder: the template itself or one of its pictures. What
/// leads out of the folder or is no plain file is refused with the file's name.
Platform::File openTemplateFile(
    const Platform::Directory &templates, const std::string &name, const char *what)
{
    try {
        return templates.openBeneath(name);
    } catch (const Platform::ConfinementError &error) {
        const std::string named = std::string("The ") + what + " \"" + shownName(name) + "\" ";
        if (error.reason() == Platform::ConfinementError::Reason::LeadsOutside)
            throw Platform::FileError(named + "links outside the templates folder.");
        throw Platform::FileError(named + "is not a file.");
    }
}

std::string readAll(Platform::File &file)
{
    std::string content;
    char buffer[1 << 16];
    for (;;) {
        const std::size_t count = file.read(buffer, sizeof buffer);
        if (count == 0)
            break;
        content.append(buffer, count);
    }
    file.close();
    return content;
}

/// True when a run writes the website file of this name itself while rendering: a page file or
/// a navigation script. A template picture of that name is copied again after every page, so
/// that it ends up as the run without any shortcut would leave it.
bool isRewrittenDuringRun(std::string_view name)
{
    if (name == MainNavigationScript || name == TextNavigationScript)
        return true;
    for (const PageInfo &page : Model::PageCatalogue) {
        if (name == page.pageFile)
            return true;
    }
    return false;
}

class PageWriter
{
public:
    PageWriter(const Project &project, const PageInfo &page, const std::string &templateName,
        const Platform::Directory &website, Platform::File &pageFile, Platform::BufferedWriter &out,
        const Platform::File *bodyFile, CopiedPictures *run)
        : m_project(project)
        , m_page(page)
        , m_templateName(templateName)
        , m_website(website)
        , m_pageFile(pageFile)
        , m_out(out)
        , m_bodyFile(bodyFile)
        , m_run(run)
    { }

    /// Writes the replacement of a placeholder line; false when its condition does not hold
    /// and the line is to be copied as it stands.
    bool replace(Placeholder placeholder)
    {
        switch (placeholder) {
        case Placeholder::Title:
            line({ m_project.siteTitle, " = ", m_page.caption });
            return true;
        case Placeholder::Description:
            line({ "<meta name=\"description\" content=\"",
                htmlAttributeValue(m_project.siteDescription), "\">" });
            return true;
        case Placeholder::Keywords:
            line({ "<meta name=\"keywords\" content=\"", htmlAttributeValue(m_project.siteKeywords),
                "\">" });
            return true;
        case Placeholder::Copyright:
            line({ "<meta name=\"copyright\" content=\"",
                htmlAttributeValue(m_project.copyrightYears), "\">" });
            return true;
        case Placeholder::Logo:
            if (m_project.logoPath.empty())
                return false;
            line({ "<img src=\"", relativeAddress(Platform::fileNameOf(m_project.logoPath)),
                "\" border=\"0\" alt=\"Logo\">" });
            return true;
        case Placeholder::Slogan:
            line({ "<i>", m_project.slogan, "</i>" });
            return true;
        case Placeholder::CopyBottom:
            if (!m_project.addCopyrightFooter)
                return false;
            line({ "<font style=\"font-size:10px; font-family:verdana,arial\">&copy; ",
                m_project.copyrightYears, " by ", m_project.siteTitle,
                ".<br>All rights reserved.</font><br>" });
            return true;
        case Placeholder::Made:
            if (!m_project.addMadeWithLink)
                return false;
            line({ madeWithLine() });
            return true;
        case Placeholder::Content:
            // The body goes straight from the project, or from its content file, to the page,
            // however large it is.
            if (m_bodyFile && m_run && m_run->bodyCopies) {
                leaveRoomForBody();
                m_out.write("\r\n");
            } else if (m_bodyFile) {
                m_out.writeContentsOf(*m_bodyFile);
                m_out.write("\r\n");
            } else {
                line({ m_project.pageBody.at(static_cast<std::size_t>(m_page.id - 1)) });
            }
            return true;
        case Placeholder::TextNav:
            if (!m_project.addTextNavigation)
                return false;
            line({ "<script type=\"text/javascript\" src=\"bottomnav.js\"></script>" });
            if (m_run)
                AppendTextNavigationEntry(m_website, m_page.id, m_run->textNavigation);
            else
                AppendTextNavigationEntry(m_website, m_page.id);
            return true;
        case Placeholder::Nav:
            line({ "<script type=\"text/javascript\" src=\"mainnav.js\"></script>" });
            if (m_run) {
                AppendMainNavigationEntry(
                    m_website, m_templateName, m_page.id, m_run->mainNavigation);
            } else {
                AppendMainNavigationEntry(m_website, m_templateName, m_page.id);
            }
            return true;
        case Placeholder::None:
        case Placeholder::ImageBlock:
            break;
        }
        return false;
    }

private:
    /// Moves past room for the body and hands its copy over to the run.
    void leaveRoomForBody()
    {
        m_out.flush();
        const std::uint64_t size = m_bodyFile->size();
        const std::uint64_t offset = m_pageFile.position();
        m_pageFile.moveTo(offset + size);
        m_run->bodyCopies->add(m_pageFile.duplicate(), *m_bodyFile, size, offset);
    }

    void line(std::initializer_list<std::string_view> parts)
    {
        for (std::string_view part : parts)
            m_out.write(part);
        m_out.write("\r\n");
    }

    const Project &m_project;
    const PageInfo &m_page;
    const std::string &m_templateName;
    const Platform::Directory &m_website;
    Platform::File &m_pageFile;
    Platform::BufferedWriter &m_out;
    const Platform::File *m_bodyFile;
    CopiedPictures *m_run;
};

/// True when a template line holds the end of the page's head, in any letter case.
bool endsHead(std::string_view line)
{
    constexpr std::string_view End = "</head>";
    for (std::size_t at = line.find('<'); at != std::string_view::npos;
         at = line.find('<', at + 1)) {
        const std::string_view rest = line.substr(at);
        if (rest.size() >= End.size()
            && std::equal(End.begin(), End.end(), rest.begin(),
                [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); }))
            return true;
    }
    return false;
}

} // namespace

std::string templatesDirectoryOf(const std::string &homeDir) { return homeDir + "/templates"; }

std::string templateFileName(const std::string &templateName) { return templateName + ".t"; }

std::string templatePath(const std::string &homeDir, const std::string &templateName)
{
    return Catalogue::TemplateDirectory(homeDir, templateName) + "/" + templateName + ".t";
}

std::string pageBodyOf(
    const Model::Project &project, Model::PageId page, const PageBodyFiles *bodyFiles)
{
    const auto index = static_cast<std::size_t>(page - 1);
    if (bodyFiles && bodyFiles->at(index))
        return Platform::readWholeFile(bodyFiles->at(index)->path());
    return project.pageBody[index];
}

std::string madeWithLine()
{
    return std::string("<font style=\"font-size:11px;font-family:verdana,tahoma,arial\"><b>This "
                       "website was made in <i>Corvanta</i></b><br><a href=\"")
        + Platform::Maker::WebSite + "\">Click here for a free download.</a></font>";
}

void RenderPage(const Project &project, const Model::ChoiceLists &lists, Model::PageId page,
    const Platform::Directory &templates, const Platform::Directory &website,
    CopiedPictures *copied, const PageBodyFiles *bodyFiles, std::string_view headLines)
{
    using Platform::File;
    const PageInfo &info = Model::pageInfo(page);
    const std::string templateName = Model::choiceText(project.templateName, lists.templates);

    // The template is read before the page file is created, so a missing template leaves
    // no empty page behind; the pages after the first of a run use its reading.
    std::string ownText;
    std::vector<std::string_view> ownLines;
    if (!copied || !copied->templateText) {
        File templateFile
            = openTemplateFile(templates, templateFileName(templateName), "template file");
        ownText = readAll(templateFile);
        if (copied) {
            copied->templateText = std::move(ownText);
            copied->templateLines = Platform::splitTextLines(*copied->templateText);
        } else {
            ownLines = Platform::splitTextLines(ownText);
        }
    }
    const std::vector<std::string_view> &lines = copied ? copied->templateLines : ownLines;

    File pageFile = website.createFile(info.pageFile);
    Platform::BufferedWriter out(pageFile);
    const Platform::File *bodyFile = nullptr;
    if (bodyFiles)
        bodyFile = &bodyFiles->at(static_cast<std::size_t>(page - 1)).value();
    PageWriter writer(project, info, templateName, website, pageFile, out, bodyFile, copied);
    std::vector<std::string_view> pictures;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const Placeholder placeholder = placeholderOf(lines[index]);
        if (placeholder == Placeholder::ImageBlock) {
            // The block's lines name pictures and never reach the page. A block left open
            // ends with the template; every block and every name counts, however many.
            for (++index; index < lines.size() && trimmed(lines[index]) != ImageBlockEnd; ++index)
                pictures.push_back(lines[index].substr(0, PictureNameLength));
            continue;
        }
        if (!headLines.empty() && endsHead(lines[index])) {
            out.write(headLines);
            headLines = {};
        }
        if (!writer.replace(placeholder))
            out.writeLine(lines[index]);
    }
    out.flush();
    pageFile.close();

    for (std::string_view picture : pictures) {
        if (!isPlainFileName(picture)) {
            throw Platform::FileError("The template \"" + templateName + "\" names the picture \""
                + shownName(picture)
                + "\", which is not a plain file name. No picture was "
                  "copied for "
                + info.pageFile);
        }
    }

    const std::string navigationPicture = templateName + info.pictureSuffix;
    File navigationSource = openTemplateFile(templates, navigationPicture, "template picture");
    CopyFileContents(navigationSource, website, navigationPicture);
    for (std::string_view picture : pictures) {
        if (copied != nullptr && copied->names.contains(picture) && !isRewrittenDuringRun(picture))
            continue;
        const std::string name(picture);
        File source = openTemplateFile(templates, name, "template picture");
        CopyFileContents(source, website, name);
        if (copied != nullptr)
            copied->names.insert(name);
    }
}

} // namespace Publish
