// The cache of web-ready pictures kept from growing without end, across real publish runs.
#include "publish/publishwebsite.h"
#include "tests/publish/site.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>

namespace {

std::set<std::string> namesIn(const std::string &folder)
{
    std::set<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

} // namespace

TEST(PictureCache, WhatNoPublishReadForMonthsGoes_WhatThisOneReadStays_LookedAtOnceADay)
{
    Testing::Site site;
    Testing::TempDir projectDir;
    Testing::TempDir cache;
    const char *earlierCache = std::getenv("XDG_CACHE_HOME");
    const std::string earlier = earlierCache ? earlierCache : "";
    ::setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);
    site.writeTemplate("<!--$CONTENT$-->");
    site.writeNavigationPictures();
    // Named JPEGs by their first bytes: the cache keeps what became of them too.
    Testing::writeBytes(projectDir.file("kept.jpg"), "\xFF\xD8\xFF kept");
    Testing::writeBytes(projectDir.file("dropped.jpg"), "\xFF\xD8\xFF dropped");
    const Publish::PublishRequest request { .project = site.project,
        .lists = site.lists,
        .homeDir = site.home.path(),
        .projectDirectory = projectDir.path(),
        .target = site.out.path(),
        .existing = Publish::ExistingWebsite::Replace };
    const auto publishWith = [&](const std::string &body) {
        site.project.pageBody[0] = body;
        ASSERT_EQ(Publish::PublishWebsite(request).outcome, Publish::PublishOutcome::Completed);
    };
    const std::string pictures = cache.file("corvanta/pictures");

    publishWith("<img src=\"kept.jpg\" alt=\"Bread\">");
    const std::set<std::string> keptOnly = namesIn(pictures);
    const std::set<std::string> keptSources = namesIn(pictures + "/sources");
    publishWith("<img src=\"kept.jpg\" alt=\"Bread\"><img src=\"dropped.jpg\" alt=\"Cake\">");
    ASSERT_EQ(namesIn(pictures).size(), keptOnly.size() + 1);
    // Months later the page shows one of the two; a run killed yesterday left its temporary
    // and another run is writing one now.
    Testing::setUnusedFor(pictures, 100);
    std::filesystem::create_directory(pictures + "/.new-yesterday");
    Testing::setUnusedFor(pictures + "/.new-yesterday", 2);
    std::filesystem::create_directory(pictures + "/.new-now");
    publishWith("<img src=\"kept.jpg\" alt=\"Bread\">");

    std::set<std::string> expected = keptOnly;
    expected.insert(".new-now");
    EXPECT_EQ(namesIn(pictures), expected);
    EXPECT_EQ(namesIn(pictures + "/sources"), keptSources);
    // Looked through once that day: the next run costs one look at the stamp.
    Testing::setUnusedFor(pictures + "/.new-now", 2);
    publishWith("<img src=\"kept.jpg\" alt=\"Bread\">");
    EXPECT_EQ(namesIn(pictures), expected);

    if (earlierCache)
        ::setenv("XDG_CACHE_HOME", earlier.c_str(), 1);
    else
        ::unsetenv("XDG_CACHE_HOME");
}
