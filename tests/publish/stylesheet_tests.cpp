#include "publish/stylesheet.h"
#include "tests/publish/site.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>

using Testing::Site;

namespace {

/// Writes the site's stylesheet and compares it byte for byte with tests/publish/golden/`name`.
void expectStylesheet(const Site &site, const std::string &name)
{
    std::filesystem::create_directory(site.website());
    Publish::WriteStylesheet(site.project, site.lists, Platform::Directory(site.website()));
    EXPECT_EQ(site.read("styles.css"), Testing::readBytes(CORVANTA_GOLDEN_DIR "/" + name))
        << "differs from golden/" << name;
}

} // namespace

// The sixty-five lines of the start-up values: ten blocks, CR LF after every line.
TEST(WriteStylesheet, DefaultProject) { expectStylesheet(Site(), "default.css"); }

// A quoted font stack, a keyword size without "px", a decoration as shown, a zero border.
TEST(WriteStylesheet, ChoicesAreWrittenAsShown)
{
    Site site;
    site.project.fontFamily = 1; // "courier new", geneva, arial
    site.project.fontSize = 1; // x-small
    site.project.linkDecoration = 3; // Line-Through
    site.project.imageBorderWidth = 0;
    expectStylesheet(site, "choices.css");
}

// An installed family with blanks stays unquoted; the largest size.
TEST(WriteStylesheet, InstalledFamilyAndLargestSize)
{
    Site site;
    site.project.fontFamily = 7; // the installed "DejaVu Sans Mono" after "Default"
    site.project.fontSize = 108; // 100
    expectStylesheet(site, "installed-font.css");
}
