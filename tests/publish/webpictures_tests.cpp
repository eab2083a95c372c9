// Pictures made for the web: real photos made with libvips, published, and read back with it.
#include "publish/publishwebsite.h"
#include "publish/sitecheck.h"
#include "publish/webpictures.h"
#include "tests/publish/site.h"

#include "platform/files.h"

#include <gtest/gtest.h>
#include <vips/vips.h>

#include <cstdlib>
#include <filesystem>

using namespace Publish;
using Testing::Site;

namespace {

/// A TIFF block with the orientation and a place (51 30' N), as a phone writes it.
std::string exifWithLocation(int orientation)
{
    std::string tiff("II*\0\x08\0\0\0", 8);
    const auto u16 = [&](unsigned v) { tiff += char(v & 255), tiff += char(v >> 8); };
    const auto u32 = [&](unsigned v) { u16(v & 0xFFFF), u16(v >> 16); };
    u16(2); // the first directory: orientation, and where the GPS directory is
    u16(0x0112), u16(3), u32(1), u16(unsigned(orientation)), u16(0);
    u16(0x8825), u16(4), u32(1), u32(38);
    u32(0);
    u16(2); // the GPS directory: latitude reference and latitude
    u16(0x0001), u16(2), u32(2), tiff += std::string("N\0\0\0", 4);
    u16(0x0002), u16(5), u32(3), u32(68);
    u32(0);
    for (unsigned value : { 51u, 1u, 30u, 1u, 1234u, 100u })
        u32(value);
    return std::string("Exif\0\0", 6) + tiff;
}

struct VipsImageRef
{
    VipsImage *image = nullptr;
    ~VipsImageRef()
    {
        if (image)
            g_object_unref(image);
    }
};

/// A photo of `width` x `height` whose top 10% is white and the rest dark grey, in a
/// Display P3 colour profile, saved in the format of `name`'s extension.
std::string makePhoto(
    int width, int height, const std::string &extension, int orientation = 1, bool location = false)
{
    VIPS_INIT("corvanta-tests");
    VipsImageRef black, grey, memory, p3;
    EXPECT_EQ(vips_black(&black.image, width, height, "bands", 3, nullptr), 0);
    EXPECT_EQ(vips_linear1(black.image, &grey.image, 1.0, 40.0, "uchar", TRUE, nullptr), 0);
    memory.image = vips_image_copy_memory(grey.image);
    double white[] = { 255, 255, 255 };
    vips_draw_rect(memory.image, white, 3, 0, 0, width, height / 10, "fill", TRUE, nullptr);
    EXPECT_EQ(
        vips_icc_transform(memory.image, &p3.image, "p3", "input_profile", "srgb", nullptr), 0)
        << vips_error_buffer();
    if (location) {
        const std::string exif = exifWithLocation(orientation);
        vips_image_set_blob_copy(p3.image, "exif-data", exif.data(), exif.size());
    }
    vips_image_set_int(p3.image, "orientation", orientation);
    void *buffer = nullptr;
    size_t length = 0;
    int failed = 0;
    if (extension == "jpg")
        failed = vips_jpegsave_buffer(p3.image, &buffer, &length, "Q", 90, nullptr);
    else if (extension == "png")
        failed = vips_pngsave_buffer(p3.image, &buffer, &length, nullptr);
    else
        failed = vips_webpsave_buffer(p3.image, &buffer, &length, nullptr);
    EXPECT_EQ(failed, 0) << vips_error_buffer();
    std::string bytes(static_cast<const char *>(buffer), length);
    g_free(buffer);
    return bytes;
}

/// What libvips reads in a published picture.
struct ReadPicture
{
    int width = 0;
    int height = 0;
    int orientation = 1;
    bool location = false;
    std::string profile; ///< the colour profile's bytes
    double topBrightness = 0; ///< of the top tenth of the picture as it is shown
    double rightBrightness = 0; ///< of the right tenth
};

ReadPicture readPicture(const std::string &bytes)
{
    ReadPicture read;
    VipsImageRef image;
    image.image = vips_image_new_from_buffer(bytes.data(), bytes.size(), "", nullptr);
    if (!image.image) {
        ADD_FAILURE() << "not a picture: " << vips_error_buffer();
        return read;
    }
    read.width = vips_image_get_width(image.image);
    read.height = vips_image_get_height(image.image);
    if (vips_image_get_typeof(image.image, "orientation"))
        vips_image_get_int(image.image, "orientation", &read.orientation);
    gchar **fields = vips_image_get_fields(image.image);
    for (gchar **field = fields; *field; ++field)
        read.location = read.location || std::string(*field).starts_with("exif-ifd3-");
    g_strfreev(fields);
    const void *profile = nullptr;
    size_t length = 0;
    if (vips_image_get_typeof(image.image, VIPS_META_ICC_NAME)
        && vips_image_get_blob(image.image, VIPS_META_ICC_NAME, &profile, &length) == 0)
        read.profile.assign(static_cast<const char *>(profile), length);
    VipsImageRef top, right;
    vips_crop(image.image, &top.image, 0, 0, read.width, read.height / 10, nullptr);
    vips_crop(
        image.image, &right.image, read.width * 9 / 10, 0, read.width / 10, read.height, nullptr);
    vips_avg(top.image, &read.topBrightness, nullptr);
    vips_avg(right.image, &read.rightBrightness, nullptr);
    return read;
}

void writeFile(const std::string &path, const std::string &bytes)
{
    Platform::File file(path, Platform::File::Mode::CreateTruncate);
    file.write(bytes);
    file.close();
}

/// A saved project beside a phone's photos, a cache of its own, and the run that publishes it.
struct PhotoSite : Site
{
    PhotoSite()
    {
        if (const char *earlier = std::getenv("XDG_CACHE_HOME"))
            earlierCache = earlier;
        ::setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);
        writeTemplate("<!--$CONTENT$-->");
        writeNavigationPictures();
        originals = {
            { "big.jpg", makePhoto(4000, 3000, "jpg", 6, true) },
            { "wide.png", makePhoto(3000, 2000, "png") },
            { "square.webp", makePhoto(2500, 2500, "webp") },
            { "small.jpg", makePhoto(800, 600, "jpg", 6, true) },
            { "notes.jpg", "these are notes, not a picture" },
        };
        for (const auto &[name, bytes] : originals)
            writeFile(projectDir.file(name), bytes);
        project.pageBody[0] = "<img src=\"big.jpg\" alt=\"Shop\">\r\n<img src=wide.png>\r\n"
                              "<img src='square.webp' srcset='square.webp 2500w'>\r\n"
                              "<img src=\"small.jpg\" width=\"200\"><a href=\"notes.jpg\">n</a>";
    }
    PublishRequest request()
    {
        return { .project = project,
            .lists = lists,
            .homeDir = home.path(),
            .projectDirectory = projectDir.path(),
            .target = out.path(),
            .existing = ExistingWebsite::Replace };
    }
    void publish() { ASSERT_EQ(PublishWebsite(request()).outcome, PublishOutcome::Completed); }
    ~PhotoSite()
    {
        if (earlierCache)
            ::setenv("XDG_CACHE_HOME", earlierCache->c_str(), 1);
        else
            ::unsetenv("XDG_CACHE_HOME");
    }
    Testing::TempDir projectDir;
    Testing::TempDir cache;
    std::optional<std::string> earlierCache;
    std::map<std::string, std::string> originals;
};

std::vector<std::filesystem::path> filesBelow(const std::string &folder)
{
    std::vector<std::filesystem::path> files;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file())
            files.push_back(entry.path());
    }
    return files;
}

} // namespace

TEST(WebPictures, PhonePhotos_PublishedUprightSmallAndWithoutTheirPlace)
{
    PhotoSite site;
    ASSERT_TRUE(readPicture(site.originals["big.jpg"]).location); // the photo holds a place
    site.publish();

    // The 4000 x 3000 photo lying on its side stands upright at 1440 x 1920: its white top
    // is on the right now.
    const ReadPicture big = readPicture(site.read("big.jpg"));
    EXPECT_EQ(std::pair(big.width, big.height), std::pair(1440, 1920));
    EXPECT_EQ(big.orientation, 1);
    EXPECT_GT(big.rightBrightness, 200);
    EXPECT_LT(big.topBrightness, 100);
    EXPECT_FALSE(big.location);
    EXPECT_NE(big.profile.find("sRGB"), std::string::npos) << "the colours are in sRGB";
    EXPECT_EQ(readPicture(site.read("big-480.jpg")).width, 480);
    EXPECT_EQ(readPicture(site.read("big-720.jpg")).width, 720);
    EXPECT_EQ(readPicture(site.read("big-960.jpg")).width, 960);
    EXPECT_EQ(readPicture(site.read("wide.png")).width, 1920);
    EXPECT_EQ(readPicture(site.read("wide-480.png")).height, 320);
    EXPECT_EQ(readPicture(site.read("square.webp")).height, 1920);

    // The small photo keeps its pixels and its orientation, not its place.
    const std::string small = site.read("small.jpg");
    const ReadPicture smallRead = readPicture(small);
    EXPECT_EQ(std::pair(smallRead.width, smallRead.orientation), std::pair(800, 6));
    EXPECT_FALSE(smallRead.location);
    const std::string &smallOriginal = site.originals["small.jpg"];
    ASSERT_EQ(small.size(), smallOriginal.size());
    EXPECT_EQ(
        small.substr(small.find("\xFF\xDA")), smallOriginal.substr(smallOriginal.find("\xFF\xDA")))
        << "not encoded again";
    EXPECT_EQ(small.find("\x33\x00\x00\x00\x01\x00\x00\x00\x1E", 0, 9), std::string::npos);
    EXPECT_FALSE(site.websiteFiles().contains("small-480.jpg"));
    EXPECT_EQ(site.read("notes.jpg"), site.originals["notes.jpg"]);

    // The person's files are as they were.
    for (const auto &[name, bytes] : site.originals)
        EXPECT_EQ(Platform::readWholeFile(site.projectDir.file(name)), bytes) << name;

    // The published page names the sizes; a picture with its own srcset is left alone.
    const std::string page = site.read("home.html");
    EXPECT_NE(
        page.find("<img src=\"big.jpg\" alt=\"Shop\" srcset=\"big-480.jpg 480w, big-720.jpg 720w, "
                  "big-960.jpg 960w, big.jpg 1440w\" sizes=\"(max-width: 1440px) 100vw, "
                  "1440px\" width=\"1440\" height=\"1920\" style=\"max-width:100%;height:auto\" "
                  "fetchpriority=\"high\">"),
        std::string::npos)
        << page;
    EXPECT_NE(page.find("<img src=wide.png srcset=\"wide-480.png 480w, wide-720.png 720w, "
                        "wide-960.png 960w, wide.png 1920w\" sizes=\"auto, "),
        std::string::npos);
    EXPECT_NE(page.find("<img src='square.webp' srcset='square.webp 2500w'>"), std::string::npos);
    EXPECT_NE(page.find("<img src=\"small.jpg\" width=\"200\">"), std::string::npos);
    EXPECT_EQ(site.read("index.html"), page);
}

TEST(WebPictures, Republish_TakesEveryCopyFromTheCache)
{
    PhotoSite site;
    site.publish();
    const std::vector<std::filesystem::path> cached = filesBelow(site.cache.path());
    std::map<std::filesystem::path, std::filesystem::file_time_type> made;
    for (const auto &file : cached)
        made[file] = std::filesystem::last_write_time(file);
    const std::string firstCopy = site.read("big.jpg");

    site.publish();
    EXPECT_EQ(filesBelow(site.cache.path()).size(), cached.size());
    for (const auto &[file, time] : made)
        EXPECT_EQ(std::filesystem::last_write_time(file), time) << file << " was made again";
    EXPECT_EQ(site.read("big.jpg"), firstCopy);
    EXPECT_EQ(readPicture(site.read("big-960.jpg")).width, 960);
}

TEST(WebPictures, WebReadyOff_PublishesThePicturesAsTheyAre)
{
    PhotoSite site;
    Model::setPictures(site.project.settings, { false, 1920 });
    site.publish();
    EXPECT_EQ(site.read("big.jpg"), site.originals["big.jpg"]);
    EXPECT_EQ(site.read("small.jpg"), site.originals["small.jpg"]);
    EXPECT_FALSE(site.websiteFiles().contains("big-480.jpg"));
    EXPECT_EQ(site.read("home.html").find("srcset=\"big"), std::string::npos);
    // Only the site's icons are kept: no picture of the person's is made or kept.
    for (const std::filesystem::path &file : filesBelow(site.cache.path()))
        EXPECT_EQ(file.parent_path().parent_path().filename(), "icons") << file;
}

TEST(WebPictures, Workers_OnePerCoreButNoMoreThanMemoryAllows)
{
    EXPECT_EQ(pictureWorkers(2, 20), 2u);
    // A photo being made holds about 40 MB: sixteen at once would pass 600 MB.
    EXPECT_EQ(pictureWorkers(16, 20), 3u);
    EXPECT_EQ(pictureWorkers(16, 1), 1u);
}

TEST(WebPictures, CancelledWhilePicturesAreMade_StopsBeforeTheRestAndLeavesNoSite)
{
    PhotoSite site;
    const std::string photo = makePhoto(4000, 3000, "jpg");
    std::string gallery;
    for (int i = 0; i < 12; ++i) {
        const std::string name = "p" + std::to_string(i) + ".jpg";
        // Each a picture of its own, so that none comes from the cache.
        writeFile(site.projectDir.file(name), photo + std::string(std::size_t(i), '\0'));
        gallery += "<img src=\"" + name + "\" alt=\"" + name + "\">";
    }
    site.project.pageBody[0] = gallery;
    std::stop_source stop;
    std::vector<std::string> named;
    PublishRequest request = site.request();
    request.cancel = stop.get_token();
    request.progress = [&](int, const std::string &status) {
        if (status.starts_with("Making pictures for the web")) {
            named.push_back(status);
            stop.request_stop(); // the person presses Cancel as the first picture begins
        }
    };
    EXPECT_EQ(PublishWebsite(request).outcome, PublishOutcome::Cancelled);
    ASSERT_FALSE(named.empty());
    EXPECT_TRUE(named.front().starts_with("Making pictures for the web (1 of 12): p"))
        << named.front();
    EXPECT_LT(named.size(), 12u);
    EXPECT_TRUE(std::filesystem::is_empty(site.out.path()));
    EXPECT_LT(filesBelow(site.cache.path()).size(), 4 * 12u) << "the rest were not made";
}

TEST(WebPictures, CheckSite_NamesHeavyPicturesPublishedAsTheyAreAndPlacesWhenCopiesAreOff)
{
    PhotoSite site;
    writeFile(site.projectDir.file("banner.gif"), "GIF89a" + std::string(1300000, '\0'));
    site.project.pageBody[0] += "<img src=\"banner.gif\" alt=\"Banner\">";
    const auto findings = [&] {
        std::vector<std::string> lines;
        for (const SiteFinding &finding : CheckSite(site.request()).findings) {
            if (finding.message.find("alt text") == std::string::npos)
                lines.push_back(findingLine(finding));
        }
        return lines;
    };
    const std::string heavy = "home.html:4: picture \"banner.gif\" is 1.2 MB and is published as "
                              "it is: phones load it slowly";
    EXPECT_EQ(findings(), std::vector<std::string> { heavy });

    Model::setPictures(site.project.settings, { false, 1920 });
    const std::string place = " holds the place where it was taken, which the website would "
                              "show (tick \"Make pictures web-ready\" on the Options pane to "
                              "leave it out)";
    EXPECT_EQ(findings(),
        (std::vector<std::string> { "home.html:1: picture \"big.jpg\"" + place,
            "home.html:4: picture \"small.jpg\"" + place, heavy }));
}

TEST(WebPictures, SmallPngAndWebP_LoseOnlyTheirPlace)
{
    for (const std::string extension : { "png", "webp" }) {
        const std::string original = makePhoto(800, 600, extension, 6, true);
        ASSERT_TRUE(readPicture(original).location) << extension;
        std::string published = original;
        ASSERT_TRUE(removeLocation(pictureFormatOf(published), published)) << extension;
        const ReadPicture read = readPicture(published);
        EXPECT_FALSE(read.location) << extension;
        EXPECT_EQ(std::tuple(read.width, read.height, read.orientation), std::tuple(800, 600, 6))
            << extension;
        EXPECT_GT(read.topBrightness, 200) << extension;
        std::string again = published;
        EXPECT_FALSE(removeLocation(pictureFormatOf(again), again)) << "nothing left to remove";
    }
}

TEST(WebPictures, PictureSizes_FollowHowEachAddressIsWrittenAndWhatThePageSetsItself)
{
    Testing::TempDir dir;
    // The template tells the width of its column on a phone; a value that would end the
    // attribute is not taken.
    writeFile(dir.file("page.html"),
        "<div data-picture-sizes=\"(max-width: 700px) calc(100vw - 32px)\"><p>"
        "<img src=\"photos/a%20b.jpg?v=2\">\r\n<IMG SRC=\"x.jpg\" style=\"border:0\"></div>\r\n"
        "<img src=\"x.jpg\" width=300 loading=eager>\r\n<!-- <img src=\"x.jpg\"> "
        "-->\r\n<img src=\"y,z.jpg\"><div data-picture-sizes='1px\" onerror=\"x'>"
        "<img src=\"x.jpg\"/></div><img src=\"unknown.jpg\">");
    const std::map<std::string, std::string, std::less<>> targets
        = { { "photos/a%20b.jpg?v=2", "photos/a b.jpg" }, { "x.jpg", "x.jpg" },
              { "y,z.jpg", "y,z.jpg" } };
    const PublishedPictures published
        = { { "photos/a b.jpg", { PictureKind::WebCopy, 1920, 1080, { 480, 960 } } },
              { "x.jpg", { PictureKind::WebCopy, 1200, 800, { 480 } } },
              { "y,z.jpg", { PictureKind::WebCopy, 1000, 500, { 480 } } } };
    AddPictureSizes(Platform::Directory(dir.path()), "page.html", targets, published);

    const std::string x = " srcset=\"x-480.jpg 480w, x.jpg 1200w\"";
    const std::string fit = " style=\"max-width:100%;height:auto\"";
    // Every picture below the first waits for the visitor, unless the page says otherwise, and
    // is then chosen by the width the page gives it; the first is fetched first.
    const std::string lazy = " loading=\"lazy\"";
    const std::string column = "(max-width: 700px) calc(100vw - 32px), ";
    const std::string shown1200 = "(max-width: 1200px) 100vw, 1200px\"";
    EXPECT_EQ(Platform::readWholeFile(dir.file("page.html")),
        "<div data-picture-sizes=\"" + column.substr(0, column.size() - 2)
            + "\"><p><img src=\"photos/a%20b.jpg?v=2\" srcset=\"photos/a%20b-480.jpg?v=2 480w, "
              "photos/a%20b-960.jpg?v=2 960w, photos/a%20b.jpg?v=2 1920w\" sizes=\""
            + column + "(max-width: 1920px) 100vw, 1920px\" width=\"1920\" height=\"1080\"" + fit
            + " fetchpriority=\"high\">\r\n<IMG SRC=\"x.jpg\" style=\"border:0\"" + x
            + " sizes=\"auto, " + column + shown1200 + lazy
            + "></div>\r\n<img src=\"x.jpg\" width=300 loading=eager" + x
            + " sizes=\"(max-width: 300px) 100vw, 300px\">\r\n<!-- <img src=\"x.jpg\"> -->\r\n"
              "<img src=\"y,z.jpg\" width=\"1000\" height=\"500\""
            + fit + lazy + "><div data-picture-sizes='1px\" onerror=\"x'><img src=\"x.jpg\"" + x
            + " sizes=\"auto, " + shown1200 + " width=\"1200\" height=\"800\"" + fit + lazy
            + "/></div><img src=\"unknown.jpg\">");
}
