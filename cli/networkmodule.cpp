// The module corvanta-cli-network.so: the work of the verbs that need the network, keyring,
// TLS or archive libraries, loaded by corvanta-cli when one of them runs.
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
