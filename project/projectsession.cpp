#include "project/projectsession.h"

#include "platform/fileerror.h"
#include "project/projectfiles.h"

namespace Model {

ProjectSession::ProjectSession(ChoiceLists lists)
    : m_lists(std::move(lists))
    , m_project(DefaultProject(m_lists))
{
    m_selection.resetList();
    markSaved();
}

const Project &ProjectSession::project()
{
    collectBodies();
    return m_project;
}

bool ProjectSession::isModified()
{
    // The fields are compared without the bodies, which may be large and live in the holder.
    std::array<std::string, PageCount> bodies;
    std::swap(bodies, m_project.pageBody);
    const bool fieldsChanged = !(m_project == m_savedFields);
    std::swap(bodies, m_project.pageBody);
    if (fieldsChanged)
        return true;
    if (m_bodiesUnsaved)
        return true;
    return m_holder ? m_holder->textsEdited() : m_project.pageBody != m_savedBodies;
}

void ProjectSession::attachBodyHolder(PageBodyHolder *holder)
{
    if (m_holder == holder)
        return;
    collectBodies();
    // Whether the bodies differ from the saved ones carries over from one keeper to the next.
    m_bodiesUnsaved = m_bodiesUnsaved
        || (m_holder ? m_holder->textsEdited() : m_project.pageBody != m_savedBodies);
    m_holder = holder;
    if (!m_holder)
        return;
    for (PageId page = 1; page <= PageCount; ++page)
        m_holder->setPageText(page, m_project.pageBody[static_cast<std::size_t>(page - 1)]);
    m_holder->markTextsSaved();
}

void ProjectSession::collectBodies()
{
    if (!m_holder)
        return;
    for (PageId page = 1; page <= PageCount; ++page)
        m_project.pageBody[static_cast<std::size_t>(page - 1)] = m_holder->pageText(page);
}

void ProjectSession::distributeBodies(const std::array<std::string, PageCount> &before)
{
    if (!m_holder)
        return;
    for (PageId page = 1; page <= PageCount; ++page) {
        const auto index = static_cast<std::size_t>(page - 1);
        if (m_project.pageBody[index] != before[index])
            m_holder->setPageText(page, m_project.pageBody[index]);
    }
}

void ProjectSession::markSaved()
{
    std::array<std::string, PageCount> bodies;
    std::swap(bodies, m_project.pageBody);
    m_savedFields = m_project;
    std::swap(bodies, m_project.pageBody);
    m_bodiesUnsaved = false;
    if (m_holder)
        m_holder->markTextsSaved();
    else
        m_savedBodies = m_project.pageBody;
}

void ProjectSession::newProject()
{
    collectBodies();
    const auto bodiesBefore = m_project.pageBody;
    // The site map flag is not part of a new project's settings; it keeps its value.
    const bool generateSitemap = m_project.generateSitemap;
    m_selection.setSiteType(SiteType::Personal);
    m_selection.resetForNew();
    m_project = DefaultProject(m_lists);
    m_project.generateSitemap = generateSitemap;
    distributeBodies(bodiesBefore);
    m_fileName.clear();
    m_publishDirectory.clear();
    markSaved();
}

void ProjectSession::open(const std::string &projectFilePath)
{
    // Pages whose content file cannot be read keep the text they have.
    collectBodies();
    const auto bodiesBefore = m_project.pageBody;
    try {
        ReadProjectFiles(projectFilePath, m_selection, m_lists);
    } catch (const Platform::FileError &) {
        // What was read before the error stays applied and shows; it is not what any file
        // holds, so it counts as changed.
        distributeBodies(bodiesBefore);
        throw;
    }
    distributeBodies(bodiesBefore);
    m_fileName = projectFilePath;
    markSaved();
}

void ProjectSession::openFields(const std::string &projectFilePath)
{
    ReadProjectRecord(projectFilePath, m_selection, m_lists);
    m_fileName = projectFilePath;
    markSaved();
}

void ProjectSession::save(const std::string &projectFilePath)
{
    collectBodies();
    WriteProjectFiles(m_project, projectFilePath);
    m_fileName = projectFilePath;
    markSaved();
}

} // namespace Model
