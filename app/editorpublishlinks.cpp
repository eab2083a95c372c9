#include "app/editorpublishlinks.h"

#include "app/mainwindow.h"
#include "editor/pageeditor.h"
#include "editor/pagetext.h"
#include "project/projectsession.h"
#include "publish/publishwindow.h"
#include "publish/sitecheckwindow.h"

namespace App {

void plugInPageEditor(
    CompanionWindows &windows, Model::ProjectSession &session, Editor::PageEditor &editor)
{
    session.attachBodyHolder(&editor);
    windows.openPageEditor = [&editor](Model::PageId page) { editor.openOnPage(page); };
    editor.setProjectFileSource([&session] { return session.fileName(); });
}

void plugInEditorSaving(Editor::PageEditor &editor, MainWindow &window)
{
    editor.setProjectSaver(
        [&window] { return window.save(false) ? window.session().fileName() : std::string(); });
}

void plugInPublishWindow(CompanionWindows &windows, Publish::PublishWindow &publish)
{
    windows.openPublishWindow = [&publish] { publish.openFromMainWindow(); };
}

void plugInSiteCheck(CompanionWindows &windows, Publish::SiteCheckWindow &siteCheck)
{
    windows.openSiteCheck = [&siteCheck] { siteCheck.openFromMainWindow(); };
}

void openPageEditorAtLine(Editor::PageEditor &editor, Model::PageId page, int line)
{
    editor.selectPage(page);
    editor.pageControl(page)->PlaceCaret(line - 1, 0);
    editor.openOnPage(page);
}

} // namespace App
