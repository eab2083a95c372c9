// Uploading a site of fourteen pages with 5 MB bodies to an SFTP server on this machine (the
// tests' own sshd): the first upload sends everything; the second, with nothing changed,
// hashes the site, reads the host's manifest and sends nothing (goal: at most 0.3 s). The same
// site published to git, over the same sshd and to a repository by path: with nothing changed
// the branch is fetched, the site hashed, and no commit made (goal: at most 0.3 s).

#include "tests/support/tempdir.h"
#include "tests/upload/testservers.h"
#include "upload/gitpublish.h"
#include "upload/siteupload.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

namespace fs = std::filesystem;

/// The published site, the server and its folder, made once for every measurement.
struct BenchSite
{
    BenchSite()
    {
        ::setenv("XDG_CONFIG_HOME", work.file("config").c_str(), 1);
        ::setenv("XDG_STATE_HOME", work.file("state").c_str(), 1);
        ::setenv("XDG_CACHE_HOME", work.file("cache").c_str(), 1);
        server = std::make_unique<Testing::SftpServer>(work.file("server"));
        server->start();
        fs::create_directories(website());
        fs::create_directories(remoteSite());
        for (int page = 1; page <= 14; ++page) {
            const std::string body(std::size_t { 5 } * 1000 * 1000, static_cast<char>('a' + page));
            Testing::writeBytes(website() + "/page" + std::to_string(page) + ".html",
                "<html><body>" + body + "</body></html>");
            Testing::writeBytes(website() + "/nav" + std::to_string(page) + ".gif", "GIF89a");
        }
        Testing::writeBytes(website() + "/styles.css", "body { color: black; }");
        Testing::writeBytes(website() + "/navigation.js", "function go() {}");
        Testing::runProgram(
            { "/usr/bin/git", "init", "-q", "--bare", server->root() + "/site.git" });
    }
    std::string website() const { return work.file("website"); }
    std::string remoteSite() const { return server->root() + "/site"; }
    Upload::TransferHooks hooks() const
    {
        Upload::TransferHooks hooks;
        hooks.acceptNewHostKey = [](const std::string &, const std::string &) { return true; };
        return hooks;
    }
    void upload() const
    {
        Upload::RemoteFolder remote(server->settings(), server->password(), hooks());
        if (Upload::uploadWebsite(remote, website()) != Upload::UploadOutcome::Completed)
            std::abort();
    }

    /// A publish of the site to the repository, over SSH or by path.
    Upload::GitPublish gitPublish(bool overSsh) const
    {
        Upload::GitPublish request;
        request.settings.protocol = Upload::Protocol::Git;
        request.websiteDir = website();
        request.siteTitle = "Bench";
        request.hooks = hooks();
        const std::string bare = server->root() + "/site.git";
        request.settings.remote = bare;
        if (overSsh) {
            request.settings.remote = "ssh://" + server->settings().user
                + "@127.0.0.1:" + std::to_string(server->port()) + bare;
            request.settings.identity = server->settings().identity;
            request.passphrase = server->password();
        }
        return request;
    }

    Testing::TempDir work;
    std::unique_ptr<Testing::SftpServer> server;
};

BenchSite &site()
{
    static BenchSite shared;
    return shared;
}

void FirstUpload(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(site().remoteSite());
        fs::create_directories(site().remoteSite());
        state.ResumeTiming();
        site().upload();
    }
    state.SetBytesProcessed(state.iterations() * 14 * 5 * 1000 * 1000);
}
BENCHMARK(FirstUpload)->Unit(benchmark::kMillisecond)->Iterations(3);

void SecondUploadNothingChanged(benchmark::State &state)
{
    site().upload();
    for (auto _ : state)
        site().upload();
}
BENCHMARK(SecondUploadNothingChanged)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The same with the host's folder listed and compared first ("Check the Host").
void CheckTheHostNothingChanged(benchmark::State &state)
{
    site().upload();
    for (auto _ : state) {
        Upload::RemoteFolder remote(
            site().server->settings(), site().server->password(), site().hooks());
        const Upload::LocalSite local(site().website());
        if (!Upload::planHostCheck(remote, local).unchanged())
            std::abort();
    }
}
BENCHMARK(CheckTheHostNothingChanged)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void GitPublishNothingChanged(benchmark::State &state)
{
    const Upload::GitPublish request = site().gitPublish(state.range(0) == 1);
    Upload::publishToGit(request);
    for (auto _ : state) {
        if (!Upload::publishToGit(request).commit.empty())
            std::abort();
    }
    state.SetLabel(state.range(0) == 1 ? "over SSH" : "by path");
}
BENCHMARK(GitPublishNothingChanged)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
