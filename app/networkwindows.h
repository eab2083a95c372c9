#pragma once

#include "platform/dialogs.h"

#include <string>

class QDialog;
class QWidget;

namespace App {

/// The windows that reach the network: the update checker and the Upload window. They live in
/// a module of their own (corvanta-network.so) that the program loads when one of them first
/// opens, because the libraries they need (libcurl with its TLS, SSH and directory libraries,
/// and the desktop's keyring) are many, and loading them at start-up would keep the first
/// window waiting.
class NetworkWindows
{
public:
    virtual ~NetworkWindows() = default;
    /// A new update checker, its buttons already showing whether the computer is online.
    virtual QDialog *createUpdateChecker(Platform::Dialogs &dialogs) = 0;
    /// Shows the Upload window for a project and its publish directory modally; the site
    /// title (Windows-1252) names the commits of a publish to git.
    virtual void runUploadWindow(Platform::Dialogs &dialogs, const std::string &projectFilePath,
        const std::string &publishDirectory, const std::string &siteTitle, QWidget *parent)
        = 0;
};

/// The module's windows, loaded on first use from beside the program or from the library
/// folder it is installed in. Throws FileError when the module cannot be loaded.
NetworkWindows &networkWindows();

} // namespace App

/// The module's entry point, found by name when it is loaded.
extern "C" App::NetworkWindows *corvantaNetworkWindows();
