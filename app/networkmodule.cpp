// The module corvanta-network.so: the update checker and the Upload window with the network
// libraries they need, loaded by the program when one of them first opens.
#include "app/networkwindows.h"

#include "update/updatecheck.h"
#include "update/updatechecker.h"
#include "upload/uploadwindow.h"

namespace {

class ModuleWindows : public App::NetworkWindows
{
public:
    QDialog *createUpdateChecker(Platform::Dialogs &dialogs) override
    {
        auto *checker = new Update::UpdateChecker(dialogs, Update::UpdateCacheDirectory());
        // Its buttons show at once whether the computer is online, as if it had been
        // watching the connection all along.
        checker->checkConnection();
        return checker;
    }

    void runUploadWindow(Platform::Dialogs &dialogs, const std::string &projectFilePath,
        const std::string &publishDirectory, const std::string &siteTitle, QWidget *parent) override
    {
        Upload::UploadWindow window(dialogs, projectFilePath, publishDirectory, parent, siteTitle);
        window.exec();
    }
};

} // namespace

extern "C" Q_DECL_EXPORT App::NetworkWindows *corvantaNetworkWindows()
{
    static ModuleWindows windows;
    return &windows;
}
