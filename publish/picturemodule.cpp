// The module corvanta-pictures.so: web copies of pictures made with libvips, and the SHA-256
// that names them in the cache. Loaded by publishing the first time a picture is not in the
// cache; every entry may be called from many threads at once.
#include "publish/picturemaker.h"

#include <openssl/evp.h>
#include <vips/vips.h>

#include <algorithm>
#include <mutex>

#include <malloc.h>

namespace Publish {
namespace {

void startLibrary()
{
    static std::once_flag started;
    std::call_once(started, [] {
        VIPS_INIT("corvanta");
        // Publishing works on one picture per core; each picture uses one thread, and no
        // decoded picture is kept for later.
        vips_concurrency_set(1);
        vips_cache_set_max(0);
        // A picture's buffers (the file, the decoded pixels, the copies) are megabytes each:
        // they are taken from the system and given back when freed, rather than kept in the
        // heaps of the threads, where they would add up over a site of photos.
        mallopt(M_MMAP_THRESHOLD, 256 * 1024);
        mallopt(M_ARENA_MAX, 2);
    });
}

/// Owns one reference to a libvips image.
class Image
{
public:
    Image() = default;
    explicit Image(VipsImage *image)
        : m_image(image)
    { }
    Image(const Image &) = delete;
    Image &operator=(const Image &) = delete;
    ~Image()
    {
        if (m_image)
            g_object_unref(m_image);
    }
    VipsImage *get() const { return m_image; }
    VipsImage **out()
    {
        reset();
        return &m_image;
    }
    void reset()
    {
        if (m_image)
            g_object_unref(m_image);
        m_image = nullptr;
    }
    explicit operator bool() const { return m_image != nullptr; }

private:
    VipsImage *m_image = nullptr;
};

std::string takeError()
{
    std::string text = vips_error_buffer();
    vips_error_clear();
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text.empty() ? "it cannot be read as a picture" : text;
}

/// Everything but the colour profile goes: camera, date, location, orientation (the pixels
/// are upright now), comments, thumbnails.
void keepOnlyColourProfile(VipsImage *image)
{
    gchar **fields = vips_image_get_fields(image);
    for (gchar **field = fields; *field; ++field) {
        if (std::string_view(*field) != VIPS_META_ICC_NAME)
            vips_image_remove(image, *field);
    }
    g_strfreev(fields);
}

bool save(VipsImage *image, PictureFormat format, std::string &bytes)
{
    void *buffer = nullptr;
    size_t length = 0;
    int failed = 0;
    switch (format) {
    case PictureFormat::Jpeg:
        failed = vips_jpegsave_buffer(
            image, &buffer, &length, "Q", 82, "optimize_coding", TRUE, "interlace", TRUE, nullptr);
        break;
    case PictureFormat::Png:
        failed = vips_pngsave_buffer(image, &buffer, &length, "compression", 6, nullptr);
        break;
    case PictureFormat::WebP:
        failed = vips_webpsave_buffer(image, &buffer, &length, "Q", 82, nullptr);
        break;
    case PictureFormat::None:
        return false;
    }
    if (failed)
        return false;
    bytes.assign(static_cast<const char *>(buffer), length);
    g_free(buffer);
    return true;
}

void makeWebCopy(std::string_view source, PictureFormat format, int longEdge, MadePicture &made)
{
    Image scaled;
    // Decoded only as far as the size needs (a JPEG at 1/2, 1/4 or 1/8 straight away), and
    // turned upright by its orientation tag.
    if (vips_thumbnail_buffer(const_cast<char *>(source.data()), source.size(), scaled.out(),
            longEdge, "height", longEdge, "size", VIPS_SIZE_DOWN, nullptr)) {
        made.problem = takeError();
        return;
    }
    Image current;
    if (vips_image_get_typeof(scaled.get(), VIPS_META_ICC_NAME)) {
        // The picture's own colours, shown the same in every browser.
        if (vips_icc_transform(scaled.get(), current.out(), "srgb", "embedded", TRUE, "intent",
                VIPS_INTENT_PERCEPTUAL, nullptr)) {
            made.problem = takeError();
            return;
        }
    } else {
        current.out()[0] = scaled.get();
        g_object_ref(scaled.get());
    }
    Image copy(vips_image_copy_memory(current.get()));
    if (!copy) {
        made.problem = takeError();
        return;
    }
    keepOnlyColourProfile(copy.get());
    MadePicture result;
    result.width = vips_image_get_width(copy.get());
    result.height = vips_image_get_height(copy.get());
    if (!save(copy.get(), format, result.bytes)) {
        made.problem = takeError();
        return;
    }
    for (const int width : VariantWidths) {
        if (width >= result.width)
            continue;
        Image narrow;
        if (vips_thumbnail_image(copy.get(), narrow.out(), width, "height", VIPS_MAX_COORD, "size",
                VIPS_SIZE_DOWN, "no_rotate", TRUE, nullptr)) {
            made.problem = takeError();
            return;
        }
        keepOnlyColourProfile(narrow.get());
        std::string bytes;
        if (!save(narrow.get(), format, bytes)) {
            made.problem = takeError();
            return;
        }
        result.variants.emplace_back(width, std::move(bytes));
    }
    result.kind = PictureKind::WebCopy;
    made = std::move(result);
}

} // namespace
} // namespace Publish

extern "C" __attribute__((visibility("default"))) void corvantaPictureHash(
    std::string_view bytes, std::string &hex)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
    static constexpr char Digits[] = "0123456789abcdef";
    hex.clear();
    for (unsigned int i = 0; i < length; ++i) {
        hex += Digits[digest[i] >> 4];
        hex += Digits[digest[i] & 15];
    }
}

extern "C" __attribute__((visibility("default"))) void corvantaMakeWebPicture(
    std::string_view source, int longEdge, Publish::MadePicture &made)
{
    using namespace Publish;
    made = MadePicture();
    const PictureFormat format = pictureFormatOf(source.substr(0, 16));
    if (format == PictureFormat::None) {
        made.problem = "it is no JPEG, PNG or WebP picture";
        return;
    }
    try {
        startLibrary();
        Image header(vips_image_new_from_buffer(
            source.data(), source.size(), "", "access", VIPS_ACCESS_SEQUENTIAL, nullptr));
        if (!header) {
            made.problem = takeError();
            return;
        }
        made.width = vips_image_get_width(header.get());
        made.height = vips_image_get_height(header.get());
        header.reset();
        if (std::max(made.width, made.height) > longEdge) {
            makeWebCopy(source, format, longEdge, made);
        } else {
            std::string copy(source);
            if (removeLocation(format, copy)) {
                made.kind = PictureKind::LocationRemoved;
                made.bytes = std::move(copy);
            }
        }
        // Each thread's scratch buffers go once its picture is done.
        vips_thread_shutdown();
    } catch (...) {
        made = MadePicture();
        made.problem = "there was not enough memory to read it";
    }
}
