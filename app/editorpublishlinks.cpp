#include "app/editorpublishlinks.h"

#include "editor/tform4.h"
#include "publish/tform7.h"

namespace App {

PageEditorLink pageEditorLink(TForm4 &editor)
{
    return {
        [&editor](Corvanta::PageId page) { editor.openOnPage(page); },
        [&editor](Corvanta::PageId page) { return editor.pageText(page); },
        [&editor](
            Corvanta::PageId page, const std::string &body) { editor.setPageText(page, body); },
    };
}

void plugInPublishWindow(CompanionWindows &windows, TForm7 &publish)
{
    windows.openPublishWindow = [&publish] { publish.openFromMainWindow(); };
    windows.clearPublishDirectory = [&publish] { publish.clearPublishDirectory(); };
}

} // namespace App
