#include "project/sitefinding.h"
#include "publish/headtags.h"
#include "publish/publishwebsite.h"
#include "publish/sitecheck.h"
#include "publish/siteicons.h"
#include "tests/publish/site.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>
#include <vips/vips.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <sys/wait.h>

using namespace Publish;
using Testing::Site;

namespace {

/// A template with a head of its own, so that where the added lines go can be seen.
const std::string TemplateText
    = "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<title>\r\n<!--$TITLE$-->\r\n</title>\r\n"
      "<style>html { --accent: #12355b; }</style>\r\n</head>\r\n<body>\r\n"
      "<!--$CONTENT$-->\r\n</body>\r\n</html>\r\n";

/// A site of three pages (Home, About, FAQ) published with the template above.
struct FoundSiteRun : Site
{
    FoundSiteRun()
    {
        writeTemplate(TemplateText);
        writeNavigationPictures();
        project.siteTitle = "Linden Street Bakery";
        project.siteDescription = "Bread and cakes";
        project.businessPages = {};
        project.siteType = Model::SiteType::Business;
        for (const Model::PageId page : { 1, 3, 6 }) {
            project.businessPages[static_cast<std::size_t>(page - 1)] = true;
            project.pageBody[static_cast<std::size_t>(page - 1)]
                = std::string("<p>") + Model::pageInfo(page).caption + "</p>";
        }
    }
    void publish()
    {
        const PublishResult result = PublishWebsite(
            { .project = project, .lists = lists, .homeDir = home.path(), .target = out.path() });
        ASSERT_EQ(result.outcome, PublishOutcome::Completed);
        for (const char *file : { "robots.txt", "favicon.ico", "site.webmanifest" }) {
            EXPECT_NE(std::find(result.filesWritten.begin(), result.filesWritten.end(), file),
                result.filesWritten.end())
                << file;
        }
    }
    /// The page as the template alone makes it, with `added` just before "</head>".
    std::string expectedPage(Model::PageId page, const std::string &added) const
    {
        const Model::PageInfo &info = Model::pageInfo(page);
        return std::string("<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<title>\r\n") + project.siteTitle
            + " = " + info.caption + "\r\n</title>\r\n"
            + "<style>html { --accent: #12355b; }</style>\r\n" + added + "</head>\r\n<body>\r\n<p>"
            + info.caption + "</p>\r\n</body>\r\n</html>\r\n";
    }
};

int run(const std::string &command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::uint32_t littleEndian(const std::string &bytes, std::size_t at, int size)
{
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(bytes.at(at + static_cast<std::size_t>(i)));
    return value;
}

/// The width, height and bands of a PNG as libvips decodes it.
std::tuple<int, int, int> decoded(const std::string &png)
{
    VipsImage *image = vips_image_new_from_buffer(png.data(), png.size(), "", nullptr);
    if (!image)
        return { 0, 0, 0 };
    std::tuple<int, int, int> size { vips_image_get_width(image), vips_image_get_height(image),
        vips_image_get_bands(image) };
    g_object_unref(image);
    return size;
}

} // namespace

TEST(FoundSite, NoAddress_PagesAsTheTemplateMakesThemPlusHeadLinesRobotsAndIcons)
{
    FoundSiteRun site;
    site.publish();

    for (const Model::PageId page : { 1, 3, 6 }) {
        const std::string added = PageHeadLines(site.project, page, {});
        EXPECT_EQ(site.read(Model::pageInfo(page).pageFile), site.expectedPage(page, added));
        EXPECT_EQ(added.find("canonical"), std::string::npos);
        EXPECT_EQ(added.find("og:url"), std::string::npos);
        EXPECT_EQ(added.find("og:image"), std::string::npos);
        EXPECT_EQ(added.find("noindex"), std::string::npos);
    }
    EXPECT_EQ(site.read("robots.txt"), "User-agent: *\r\nAllow: /\r\n");
    const auto files = site.websiteFiles();
    EXPECT_FALSE(files.contains("sitemap.xml"));
    for (const char *icon : { "favicon.ico", "apple-touch-icon.png", "icon-192.png", "icon-512.png",
             "site.webmanifest" })
        EXPECT_TRUE(files.contains(icon)) << icon;
    EXPECT_EQ(siteAddressTip(site.project).rfind("Tip: type the website's address", 0), 0u);
}

TEST(FoundSite, AddressAndAHiddenPage_SitemapOfTheOthersCanonicalOnEveryPageNoindexOnTheHidden)
{
    FoundSiteRun site;
    ASSERT_EQ(Model::setSiteAddress(site.project, "https://Linden.example/shop"), "");
    Model::setHiddenFromSearch(site.project, 6, true);
    // Home was saved on a day long ago and has not changed since; About changed after it.
    Model::ProjectSettings saved = site.project.settings;
    Model::recordPageChanges(saved, site.project, "2025-03-04");
    site.project.settings = saved;
    site.project.pageBody[2] += " New opening hours.";
    site.publish();

    const std::string sitemap = site.read("sitemap.xml");
    EXPECT_EQ(sitemap,
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
        "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\r\n"
        "  <url>\r\n    <loc>https://linden.example/shop/home.html</loc>\r\n"
        "    <lastmod>2025-03-04</lastmod>\r\n  </url>\r\n"
        "  <url>\r\n    <loc>https://linden.example/shop/about.html</loc>\r\n"
        "    <lastmod>"
            + Model::todayUtc() + "</lastmod>\r\n  </url>\r\n</urlset>\r\n");
    EXPECT_EQ(
        run("xmllint --noout --schema '" CORVANTA_SOURCE_DIR "/tests/publish/sitemap-0.9.xsd' '"
            + site.website() + "/sitemap.xml' 2>/dev/null"),
        0);
    EXPECT_EQ(site.read("robots.txt"),
        "User-agent: *\r\nAllow: /\r\n\r\nSitemap: https://linden.example/shop/sitemap.xml\r\n");
    for (const Model::PageId page : { 1, 3, 6 }) {
        const std::string file = Model::pageInfo(page).pageFile;
        const std::string published = site.read(file);
        EXPECT_NE(published.find("<link rel=\"canonical\" href=\"https://linden.example/shop/"
                      + file + "\">\r\n"),
            std::string::npos)
            << file;
        EXPECT_EQ(published.find("content=\"noindex\"") != std::string::npos, page == 6) << file;
        // Without a logo or a picture on the page, previews show the site's large icon.
        EXPECT_NE(published.find("<meta property=\"og:image\" "
                                 "content=\"https://linden.example/shop/icon-512.png\">"),
            std::string::npos);
    }
    EXPECT_EQ(siteAddressTip(site.project), "");
}

TEST(FoundSite, TextsWithQuotesTagsAndAmpersands_AreAttributeTextInEveryPreviewTag)
{
    Site site;
    site.project.siteTitle = "Bob's \"Best\" <b>Buns</b> & Co &copy;";
    site.project.siteDescription = "Rolls > loaves, \"always\" & <fresh>";
    site.project.pageBody[2] = "<img src=\"pics/shop front.jpg\" alt=\"\">";
    ASSERT_EQ(Model::setSiteAddress(site.project, "http://bob.example"), "");
    const std::string picture
        = absolutePictureAddress("http://bob.example/", "pics/shop front.jpg");

    const std::string lines = PageHeadLines(site.project, 3, { "http://bob.example/", picture });

    const std::string title
        = "About - Bob's &quot;Best&quot; &lt;b&gt;Buns&lt;/b&gt; &amp; Co &copy;";
    const std::string description = "Rolls &gt; loaves, &quot;always&quot; &amp; &lt;fresh&gt;";
    EXPECT_EQ(lines,
        "<link rel=\"canonical\" href=\"http://bob.example/about.html\">\r\n"
        "<link rel=\"icon\" href=\"favicon.ico\" sizes=\"16x16 32x32\">\r\n"
        "<link rel=\"icon\" href=\"icon-192.png\" type=\"image/png\" sizes=\"192x192\">\r\n"
        "<link rel=\"apple-touch-icon\" href=\"apple-touch-icon.png\">\r\n"
        "<link rel=\"manifest\" href=\"site.webmanifest\">\r\n"
        "<meta property=\"og:type\" content=\"website\">\r\n"
        "<meta property=\"og:title\" content=\""
            + title
            + "\">\r\n"
              "<meta property=\"og:site_name\" content=\"Bob's &quot;Best&quot; "
              "&lt;b&gt;Buns&lt;/b&gt; "
              "&amp; Co &copy;\">\r\n"
              "<meta property=\"og:description\" content=\""
            + description
            + "\">\r\n"
              "<meta property=\"og:url\" content=\"http://bob.example/about.html\">\r\n"
              "<meta property=\"og:image\" "
              "content=\"http://bob.example/pics/shop%20front.jpg\">\r\n"
              "<meta name=\"twitter:card\" content=\"summary\">\r\n"
              "<meta name=\"twitter:title\" content=\""
            + title
            + "\">\r\n"
              "<meta name=\"twitter:description\" content=\""
            + description
            + "\">\r\n"
              "<meta name=\"twitter:image\" "
              "content=\"http://bob.example/pics/shop%20front.jpg\">\r\n");
    // A picture elsewhere on the web is taken as it stands, bytes beyond ASCII escaped; one
    // that leaves the site's folder is none.
    EXPECT_EQ(absolutePictureAddress("http://bob.example/", "https://cdn.example/caf\xC3\xA9.png"),
        "https://cdn.example/caf%C3%A9.png");
    EXPECT_EQ(absolutePictureAddress("http://bob.example/", "../secret.png"), "");
    EXPECT_EQ(absolutePictureAddress("http://bob.example/", "/top.png"), "");
    EXPECT_EQ(absolutePictureAddress("http://bob.example/", "data:image/png;base64,AAAA"), "");
}

TEST(SiteIcons, FromTheLogoAndFromTheTitlesLetter_IcoAndPngsReadBackAtTheirSizes)
{
    // A wide logo drawn by libvips itself: the icons fit it into their squares.
    VipsImage *wide = nullptr;
    ASSERT_EQ(vips_black(&wide, 300, 100, "bands", 3, nullptr), 0);
    void *logo = nullptr;
    std::size_t logoLength = 0;
    ASSERT_EQ(vips_pngsave_buffer(wide, &logo, &logoLength, nullptr), 0);
    g_object_unref(wide);
    const std::string logoBytes(static_cast<const char *>(logo), logoLength);
    g_free(logo);

    for (const std::string &source : { logoBytes, std::string() }) {
        SCOPED_TRACE(source.empty() ? "letter" : "logo");
        const SiteIcons icons = DrawSiteIcons(source, "L", "#12355B");

        // The ICO's directory: reserved 0, type 1 (icon), two entries of 16 bytes.
        const std::string &ico = icons.favicon;
        ASSERT_GE(ico.size(), 38u);
        EXPECT_EQ(littleEndian(ico, 0, 2), 0u);
        EXPECT_EQ(littleEndian(ico, 2, 2), 1u);
        ASSERT_EQ(littleEndian(ico, 4, 2), 2u);
        std::uint32_t expectedOffset = 6 + 2 * 16;
        for (const int size : { 16, 32 }) {
            const std::size_t entry = 6 + (size == 16 ? 0 : 16);
            EXPECT_EQ(static_cast<unsigned char>(ico[entry]), size);
            EXPECT_EQ(static_cast<unsigned char>(ico[entry + 1]), size);
            EXPECT_EQ(littleEndian(ico, entry + 4, 2), 1u); // planes
            EXPECT_EQ(littleEndian(ico, entry + 6, 2), 32u); // bits a pixel
            const std::uint32_t length = littleEndian(ico, entry + 8, 4);
            const std::uint32_t offset = littleEndian(ico, entry + 12, 4);
            EXPECT_EQ(offset, expectedOffset);
            ASSERT_LE(offset + length, ico.size());
            EXPECT_EQ(decoded(ico.substr(offset, length)), std::make_tuple(size, size, 4));
            expectedOffset += length;
        }
        EXPECT_EQ(expectedOffset, ico.size());
        // The phone's home-screen icon is opaque; the others keep a clear ground.
        EXPECT_EQ(decoded(icons.appleTouch), std::make_tuple(180, 180, 3));
        EXPECT_EQ(decoded(icons.icon192), std::make_tuple(192, 192, 4));
        EXPECT_EQ(decoded(icons.icon512), std::make_tuple(512, 512, 4));
    }
    // The letter is the title's first letter or digit, in capitals where it has them.
    EXPECT_EQ(iconLetter("  \"linden\" street"), "L");
    EXPECT_EQ(iconLetter("\xC3\xA9picerie"), "\xC3\x89");
    EXPECT_EQ(iconLetter("--- ***"), "");
}

TEST(SiteIcons, DrawnOnce_TheCacheGivesTheSameIconsAndNoOtherLogosOrColours)
{
    Testing::TempDir cache;
    const char *earlier = std::getenv("XDG_CACHE_HOME");
    const std::optional<std::string> earlierCache
        = earlier ? std::optional<std::string>(earlier) : std::nullopt;
    ::setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);

    const SiteIcons drawn = DrawSiteIcons({}, "R", "#12355B");
    const std::filesystem::path icons = cache.file("corvanta/pictures/icons");
    ASSERT_TRUE(std::filesystem::is_directory(icons));
    const auto entries = [&] {
        std::vector<std::filesystem::path> found;
        for (const auto &entry : std::filesystem::directory_iterator(icons))
            found.push_back(entry.path());
        return found;
    };
    ASSERT_EQ(entries().size(), 1u);
    const std::filesystem::path entry = entries().front();
    const auto written = std::filesystem::last_write_time(entry / "512.png");

    // Drawn again: the same bytes, read from the entry, which is not written again.
    const SiteIcons again = DrawSiteIcons({}, "R", "#12355B");
    EXPECT_EQ(again.favicon, drawn.favicon);
    EXPECT_EQ(again.icon512, drawn.icon512);
    EXPECT_EQ(std::filesystem::last_write_time(entry / "512.png"), written);

    // Another colour is another entry; an entry whose key is not the one asked for is not used.
    EXPECT_NE(DrawSiteIcons({}, "R", "#FF0000").icon512, drawn.icon512);
    EXPECT_EQ(entries().size(), 2u);
    std::ofstream(entry / "key", std::ios::binary) << "site icons 1\nQ\n#000000\n";
    EXPECT_EQ(DrawSiteIcons({}, "R", "#12355B").icon512, drawn.icon512);

    if (earlierCache)
        ::setenv("XDG_CACHE_HOME", earlierCache->c_str(), 1);
    else
        ::unsetenv("XDG_CACHE_HOME");
}
