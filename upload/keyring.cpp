#include "upload/keyring.h"

#include "platform/encoding.h"
#include "upload/gitremote.h"

#include <qt6keychain/keychain.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QEventLoop>
#include <QTimer>

#include <cstdlib>
#include <memory>
#include <optional>

namespace Upload {
namespace {

const QString ServiceName = QStringLiteral("corvanta-upload");
constexpr int AnswerTimeoutSeconds = 5;

/// How a keychain job ended, read before the job goes away.
struct JobOutcome
{
    bool finished = false;
    QKeychain::Error error = QKeychain::NoError;
    std::string errorText;
    QString text;
};

/// Runs `work` where Qt's event loop can run. The jobs need one; a program without a window
/// has no Qt application, and gets one for this call alone. It ends before the call returns,
/// so that nothing of Qt is left to be torn down after Qt's own globals at exit.
template <typename Work> auto withEventLoop(Work work)
{
    std::optional<QCoreApplication> ownApplication;
    if (QCoreApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "corvanta";
        static char *argv[] = { name, nullptr };
        ownApplication.emplace(argc, argv);
    }
    return work();
}

/// Runs a keychain job to its end, or stops waiting after a few seconds (a keyring that
/// waits for its password to be typed somewhere counts as locked).
JobOutcome runJob(std::unique_ptr<QKeychain::Job> job)
{
    job->setAutoDelete(false);
    job->setInsecureFallback(false);
    JobOutcome outcome;
    QEventLoop loop;
    QObject::connect(job.get(), &QKeychain::Job::finished, &loop, [&](QKeychain::Job *done) {
        outcome.finished = true;
        outcome.error = done->error();
        outcome.errorText = done->errorString().toStdString();
        if (const auto *read = qobject_cast<QKeychain::ReadPasswordJob *>(done))
            outcome.text = read->textData();
        loop.quit();
    });
    QTimer::singleShot(AnswerTimeoutSeconds * 1000, &loop, &QEventLoop::quit);
    job->start();
    loop.exec();
    if (!outcome.finished) {
        // The keyring may still answer later, into the job: it must outlive this call and
        // go away by itself once it has its answer.
        job->setAutoDelete(true);
        static_cast<void>(job.release());
    }
    return outcome;
}

/// What the desktop's Secret Service says of its default keyring.
enum class SecretServiceState { Open, Locked, Absent };

SecretServiceState secretServiceState()
{
    // A connection of its own, closed again here, so that no bus connection outlives the
    // Qt application made for the call.
    const QString connectionName = QStringLiteral("corvanta-keyring-state");
    SecretServiceState state = SecretServiceState::Absent;
    {
        QDBusConnection bus
            = QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName);
        const QString service = QStringLiteral("org.freedesktop.secrets");
        QDBusMessage alias
            = QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/secrets"),
                QStringLiteral("org.freedesktop.Secret.Service"), QStringLiteral("ReadAlias"));
        alias << QStringLiteral("default");
        // Asking must not start a keyring that the desktop does not run.
        alias.setAutoStartService(false);
        const QDBusMessage aliasReply
            = bus.isConnected() ? bus.call(alias, QDBus::Block, 2000) : QDBusMessage();
        if (aliasReply.type() == QDBusMessage::ReplyMessage && aliasReply.arguments().size() == 1) {
            state = SecretServiceState::Open;
            const QString collection
                = aliasReply.arguments().front().value<QDBusObjectPath>().path();
            QDBusMessage locked = QDBusMessage::createMethodCall(service, collection,
                QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
            locked << QStringLiteral("org.freedesktop.Secret.Collection")
                   << QStringLiteral("Locked");
            locked.setAutoStartService(false);
            const QDBusMessage lockedReply = bus.call(locked, QDBus::Block, 2000);
            if (lockedReply.type() == QDBusMessage::ReplyMessage
                && lockedReply.arguments().size() == 1
                && lockedReply.arguments().front().value<QDBusVariant>().variant().toBool())
                state = SecretServiceState::Locked;
        }
    }
    QDBusConnection::disconnectFromBus(connectionName);
    return state;
}

/// Why the job got no answer from the keyring, in UTF-8 as the keyring words it; empty when it
/// got one. A locked keyring answers a search as if it held nothing, so a search that found
/// nothing asks whether the keyring is locked.
std::string keyringProblemUtf8(const JobOutcome &outcome)
{
    const bool answered = outcome.finished
        && (outcome.error == QKeychain::NoError || outcome.error == QKeychain::EntryNotFound);
    if (answered && outcome.error == QKeychain::NoError)
        return {};
    const SecretServiceState state = secretServiceState();
    if (state == SecretServiceState::Locked)
        return "the desktop's keyring is locked";
    if (answered)
        return {};
    if (!outcome.finished) {
        return "the desktop's keyring did not answer within " + std::to_string(AnswerTimeoutSeconds)
            + " seconds";
    }
    if (state == SecretServiceState::Absent || outcome.error == QKeychain::NoBackendAvailable)
        return "no desktop keyring is running (" + outcome.errorText + ")";
    return "the desktop's keyring could not be asked (" + outcome.errorText + ")";
}

/// Why the job got no answer from the keyring, as a program text; empty when it got one.
std::string keyringProblem(const JobOutcome &outcome)
{
    return Platform::utf8ToCp1252(keyringProblemUtf8(outcome));
}

} // namespace

std::string keyringEntry(const HostSettings &settings)
{
    if (settings.protocol == Protocol::Git) {
        // The passphrase of the key that reaches the repository's host.
        const GitRemote remote = parseGitRemote(settings.remote);
        return "git://" + remote.user + "@" + remote.host + ":" + std::to_string(remote.port);
    }
    return std::string(protocolName(settings.protocol)) + "://" + settings.user + "@"
        + settings.host + ":" + std::to_string(portOf(settings));
}

PasswordAnswer readKeyringPassword(const HostSettings &settings)
{
    return withEventLoop([&] {
        auto job = std::make_unique<QKeychain::ReadPasswordJob>(ServiceName);
        job->setKey(QString::fromStdString(keyringEntry(settings)));
        const JobOutcome outcome = runJob(std::move(job));
        PasswordAnswer answer;
        answer.keyringProblem = keyringProblem(outcome);
        if (outcome.finished && outcome.error == QKeychain::NoError)
            answer.password = outcome.text.toStdString();
        return answer;
    });
}

std::string storeKeyringPassword(const HostSettings &settings, const std::string &password)
{
    return withEventLoop([&] {
        auto job = std::make_unique<QKeychain::WritePasswordJob>(ServiceName);
        job->setKey(QString::fromStdString(keyringEntry(settings)));
        job->setTextData(QString::fromStdString(password));
        return keyringProblem(runJob(std::move(job)));
    });
}

PasswordAnswer passwordFromEnvironmentOrKeyring(const HostSettings &settings)
{
    if (const char *password = std::getenv("CORVANTA_UPLOAD_PASSWORD"))
        return { std::string(password), {} };
    return readKeyringPassword(settings);
}

} // namespace Upload
