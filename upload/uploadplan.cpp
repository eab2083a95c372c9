#include "upload/uploadplan.h"

#include <algorithm>

namespace Upload {
namespace {

bool endsWithCaseless(const std::string &name, const std::string &suffix)
{
    if (name.size() < suffix.size())
        return false;
    return std::equal(suffix.begin(), suffix.end(), name.end() - static_cast<long>(suffix.size()),
        [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

} // namespace

bool isPageOrScript(const std::string &name)
{
    return endsWithCaseless(name, ".html") || endsWithCaseless(name, ".htm")
        || endsWithCaseless(name, ".js");
}

UploadPlan planUpload(const Manifest &local, const Manifest &remote)
{
    UploadPlan plan;
    for (const auto &[name, digest] : local) {
        const auto known = remote.find(name);
        if (known == remote.end() || known->second != digest)
            plan.send.push_back(name);
    }
    for (const auto &[name, digest] : remote) {
        if (!local.contains(name))
            plan.remove.push_back(name);
    }
    std::stable_partition(plan.send.begin(), plan.send.end(),
        [](const std::string &name) { return !isPageOrScript(name); });
    std::stable_partition(plan.remove.begin(), plan.remove.end(), isPageOrScript);
    return plan;
}

} // namespace Upload
