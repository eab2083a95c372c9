#include "app/editorpublishlinks.h"

#include "app/mainwindow.h"
#include "editor/pageeditor.h"
#include "editor/pagetext.h"
#include "project/projectsession.h"

namespace App {

void plugInPageEditor(Model::ProjectSession &session, Editor::PageEditor &editor)
{
    session.attachBodyEditor(&editor);
    editor.setProjectFileSource([&session] { return session.fileName(); });
    editor.setSitePagesSource([&session] {
        std::vector<Platform::LocationChoice> pages;
        for (const Model::PageInfo &page : Model::PageCatalogue) {
            if (Model::pageIncluded(session.project(), page.id))
                pages.push_back(
                    { std::string(page.caption) + " (" + page.pageFile + ")", page.pageFile });
        }
        return pages;
    });
}

void plugInEditorSaving(Editor::PageEditor &editor, MainWindow &window)
{
    editor.setProjectSaver(
        [&window] { return window.save(false) ? window.session().fileName() : std::string(); });
}

void openPageEditorAtLine(Editor::PageEditor &editor, Model::PageId page, int line)
{
    editor.selectPage(page);
    editor.pageControl(page)->placeCaret(line - 1, 0);
    editor.openOnPage(page);
}

} // namespace App
