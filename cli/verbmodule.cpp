// The registry of a module of corvanta-cli that holds the work of some verbs, loaded when one
// of them runs: corvanta-cli-network.so (the verbs that need the network, keyring, TLS or
// archive libraries) and corvanta-cli-import.so (import, which reads JSON with Qt). Each
// module has a registry of its own.
#include "cli/clicommon.h"

#include <map>
#include <string>

namespace Cli {
namespace {

std::map<std::string, void (*)(const Invocation &)> &registeredWork()
{
    static std::map<std::string, void (*)(const Invocation &)> work;
    return work;
}

} // namespace

ModuleVerbWork::ModuleVerbWork(const std::string &verbName, void (*run)(const Invocation &))
{
    registeredWork()[verbName] = run;
}

} // namespace Cli

/// The module's entry point, found by name when it is loaded: the work of a verb, or null.
extern "C" __attribute__((visibility("default"))) auto corvantaCliVerbWork(const char *verbName)
    -> void (*)(const Cli::Invocation &)
{
    const auto &work = Cli::registeredWork();
    const auto found = work.find(verbName);
    return found == work.end() ? nullptr : found->second;
}
