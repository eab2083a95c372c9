#include "app/editorpublishlinks.h"

#include "editor/pageeditor.h"
#include "publish/publishwindow.h"

namespace App {

PageEditorLink pageEditorLink(Editor::PageEditor &editor)
{
    return {
        [&editor](Model::PageId page) { editor.openOnPage(page); },
        [&editor](Model::PageId page) { return editor.pageText(page); },
        [&editor](Model::PageId page, const std::string &body) { editor.setPageText(page, body); },
    };
}

void plugInPublishWindow(CompanionWindows &windows, Publish::PublishWindow &publish)
{
    windows.openPublishWindow = [&publish] { publish.openFromMainWindow(); };
    windows.clearPublishDirectory = [&publish] { publish.clearPublishDirectory(); };
}

} // namespace App
