#include "upload/keyring.h"

#include <qt6keychain/keychain.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <cstdlib>
#include <memory>

namespace Upload {
namespace {

const QString ServiceName = QStringLiteral("corvanta-upload");

/// Runs a keychain job to its end, or gives up after a few seconds (a keyring that does not
/// answer counts as none).
bool runJob(QKeychain::Job &job)
{
    // The jobs need an event loop; a program without a window may not have started Qt yet.
    static std::unique_ptr<QCoreApplication> application;
    if (QCoreApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "corvanta";
        static char *argv[] = { name, nullptr };
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    job.setAutoDelete(false);
    job.setInsecureFallback(false);
    QEventLoop loop;
    bool finished = false;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    job.start();
    if (!finished)
        loop.exec();
    return finished && job.error() == QKeychain::NoError;
}

} // namespace

std::string keyringEntry(const HostSettings &settings)
{
    return std::string(protocolName(settings.protocol)) + "://" + settings.user + "@"
        + settings.host + ":" + std::to_string(portOf(settings));
}

std::optional<std::string> readKeyringPassword(const HostSettings &settings)
{
    QKeychain::ReadPasswordJob job(ServiceName);
    job.setKey(QString::fromStdString(keyringEntry(settings)));
    if (!runJob(job))
        return std::nullopt;
    return job.textData().toStdString();
}

bool storeKeyringPassword(const HostSettings &settings, const std::string &password)
{
    QKeychain::WritePasswordJob job(ServiceName);
    job.setKey(QString::fromStdString(keyringEntry(settings)));
    job.setTextData(QString::fromStdString(password));
    return runJob(job);
}

std::optional<std::string> passwordFromEnvironmentOrKeyring(const HostSettings &settings)
{
    if (const char *password = std::getenv("CORVANTA_UPLOAD_PASSWORD"))
        return std::string(password);
    return readKeyringPassword(settings);
}

} // namespace Upload
