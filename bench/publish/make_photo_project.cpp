// Writes the photo site that pictures-bench.sh times: the templates below HOME, COUNT photos
// of 4000 x 3000 pixels straight from a phone (orientation tag, a place in their EXIF, 3-5 MB
// each) beside PROJECT.cvp, and a home page showing them all.
//     make-photo-project HOME PROJECT.cvp COUNT

#include "bench/publish/bigsite.h"
#include "platform/fileerror.h"
#include "platform/files.h"
#include "project/projectfiles.h"

#include <vips/vips.h>

#include <cstdio>
#include <string>

namespace {

/// An EXIF block with the orientation 6 and a latitude, as a phone writes it.
std::string phoneExif()
{
    std::string tiff("II*\0\x08\0\0\0", 8);
    const auto u16 = [&](unsigned v) { tiff += char(v & 255), tiff += char(v >> 8); };
    const auto u32 = [&](unsigned v) { u16(v & 0xFFFF), u16(v >> 16); };
    u16(2);
    u16(0x0112), u16(3), u32(1), u16(6), u16(0);
    u16(0x8825), u16(4), u32(1), u32(38);
    u32(0);
    u16(2);
    u16(0x0001), u16(2), u32(2), tiff += std::string("N\0\0\0", 4);
    u16(0x0002), u16(5), u32(3), u32(68);
    u32(0);
    for (unsigned value : { 51u, 1u, 30u, 1u, 1234u, 100u })
        u32(value);
    return std::string("Exif\0\0", 6) + tiff;
}

/// A photo-like picture: smooth shapes and fine grain, which a JPEG keeps at 3-5 MB.
bool writePhoto(const std::string &path, int seed)
{
    VipsImage *noise = nullptr, *smooth = nullptr, *grain = nullptr, *sum = nullptr,
              *colour = nullptr, *bytes = nullptr;
    bool made
        = vips_gaussnoise(&noise, 4000, 3000, "sigma", 60.0, "mean", 128.0, "seed", seed, nullptr)
            == 0
        && vips_gaussblur(noise, &smooth, 12.0, nullptr) == 0
        && vips_gaussnoise(
               &grain, 4000, 3000, "sigma", 14.0, "mean", 0.0, "seed", seed + 1, nullptr)
            == 0
        && vips_add(smooth, grain, &sum, nullptr) == 0;
    VipsImage *bands[] = { sum, sum, sum };
    made = made && vips_bandjoin(bands, &colour, 3, nullptr) == 0
        && vips_cast_uchar(colour, &bytes, nullptr) == 0;
    if (made) {
        const std::string exif = phoneExif();
        vips_image_set_blob_copy(bytes, "exif-data", exif.data(), exif.size());
        vips_image_set_int(bytes, "orientation", 6);
        made = vips_jpegsave(bytes, path.c_str(), "Q", 92, nullptr) == 0;
    }
    for (VipsImage *image : { noise, smooth, grain, sum, colour, bytes }) {
        if (image)
            g_object_unref(image);
    }
    return made;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 4 || VIPS_INIT(argv[0])) {
        std::fprintf(stderr, "usage: make-photo-project HOME PROJECT.cvp COUNT\n");
        return 2;
    }
    try {
        const std::string home = argv[1], projectFile = argv[2];
        Bench::BigSite::writeTemplates(home);
        const Model::ChoiceLists lists { { Bench::BigSite::TemplateName },
            Model::FontFamilyList({}) };
        Model::Project project = Model::DefaultProject(lists);
        project.siteTitle = "Photos";
        std::string gallery = "<h1>Our shop</h1>\r\n";
        for (int i = 1; i <= std::stoi(argv[3]); ++i) {
            const std::string name = "photo" + std::to_string(i) + ".jpg";
            if (!writePhoto(Platform::siblingPath(projectFile, name), i)) {
                std::fprintf(stderr, "%s\n", vips_error_buffer());
                return 1;
            }
            gallery
                += "<p><img src=\"" + name + "\" alt=\"Photo " + std::to_string(i) + "\"></p>\r\n";
        }
        project.pageBody[0] = gallery;
        Model::WriteProjectFiles(project, projectFile);
    } catch (const Platform::FileError &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
