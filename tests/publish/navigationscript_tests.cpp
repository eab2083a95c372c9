// The navigation scripts of templates with names of any bytes, run by a real JavaScript engine
// (node) with a browser's address rules: every script parses, and every link it writes leads
// to the page and the picture it should.

#include "platform/encoding.h"
#include "publish/navigation.h"
#include "publish/renderpage.h"
#include "tests/publish/site.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>

using Testing::Site;

namespace {

std::string hex(const std::string &bytes)
{
    std::string out;
    for (const unsigned char c : bytes) {
        char two[3];
        std::snprintf(two, sizeof two, "%02x", c);
        out += two;
    }
    return out;
}

} // namespace

TEST(NavigationScripts, TemplateNamesOfAnyBytes_GiveScriptsThatRunAndLinkRight)
{
    std::vector<std::string> names { "Say \"hi\"", "back\\slash", "<script>alert(1)<\\script>",
        "line\r\nbreak", "#1?x=%41&amp;", " lead", "http:evil", "caf\xE9 \x80\x81\x9D", "'", "\t" };
    std::mt19937 random(20261207);
    while (names.size() < 60) {
        std::string name(1 + random() % 16, ' ');
        for (char &c : name) {
            do
                c = static_cast<char>(1 + random() % 255);
            while (c == '/');
        }
        names.push_back(name);
    }

    Site site;
    site.writeTemplate("<!--$NAV$-->\r\n");
    std::string checks;
    for (std::size_t index = 0; index < names.size(); ++index) {
        const std::string &name = names[index];
        site.lists.templates = { name };
        Testing::writeBytes(
            Platform::nativePath(site.templates() + "/" + name + ".t"), "<!--$NAV$-->");
        for (const Model::PageInfo &page : Model::PageCatalogue) {
            Testing::writeBytes(
                Platform::nativePath(site.templates() + "/" + name + page.pictureSuffix), "");
        }
        const std::string website = site.out.file(std::to_string(index));
        std::filesystem::create_directory(website);
        const Platform::Directory websiteDirectory(website);
        Publish::CreateNavigationScripts(websiteDirectory, false);
        for (const Model::PageInfo &page : Model::PageCatalogue) {
            Publish::RenderPage(site.project, site.lists, page.id,
                Platform::Directory(site.templates()), websiteDirectory);
        }
        checks += website + "\t" + hex(Platform::cp1252ToUtf8(name)) + "\n";
    }
    std::string pages;
    for (const Model::PageInfo &page : Model::PageCatalogue)
        pages += std::string(page.pageFile) + "\t" + page.pictureSuffix + "\n";
    Testing::writeBytes(site.out.file("checks.txt"), checks);
    Testing::writeBytes(site.out.file("pages.txt"), pages);

    ASSERT_TRUE(std::filesystem::exists(NODE_EXECUTABLE))
        << "node is missing: scripts/install-deps.sh --test installs it";
    const std::string output = site.out.file("output.txt");
    const std::string command = std::string("'") + NODE_EXECUTABLE + "' '" + NAVIGATION_CHECK
        + "' '" + site.out.file("checks.txt") + "' '" + site.out.file("pages.txt") + "' >'" + output
        + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << Testing::readBytes(output);
    EXPECT_EQ(Testing::readBytes(output), "all 60 scripts parse and link\n");
}
