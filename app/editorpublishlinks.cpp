#include "app/editorpublishlinks.h"

#include "editor/pageeditor.h"
#include "project/projectsession.h"
#include "publish/publishwindow.h"

namespace App {

void plugInPageEditor(
    CompanionWindows &windows, Model::ProjectSession &session, Editor::PageEditor &editor)
{
    session.attachBodyHolder(&editor);
    windows.openPageEditor = [&editor](Model::PageId page) { editor.openOnPage(page); };
    editor.setProjectFileSource([&session] { return session.fileName(); });
}

void plugInPublishWindow(CompanionWindows &windows, Publish::PublishWindow &publish)
{
    windows.openPublishWindow = [&publish] { publish.openFromMainWindow(); };
}

} // namespace App
