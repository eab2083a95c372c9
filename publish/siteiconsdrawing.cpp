// In the module corvanta-pictures.so: the site's icons drawn with libvips, from the logo or
// from the title's letter. Publishing keeps them in its cache and writes the ICO itself.
#include "publish/picturemaker.h"

#include <vips/vips.h>

#include <array>
#include <cctype>
#include <mutex>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace Publish {
namespace {

/// One libvips picture, let go of when it goes out of scope.
class Picture
{
public:
    Picture() = default;
    explicit Picture(VipsImage *image)
        : m_image(image)
    { }
    Picture(Picture &&other) noexcept
        : m_image(std::exchange(other.m_image, nullptr))
    { }
    Picture &operator=(Picture &&other) noexcept
    {
        std::swap(m_image, other.m_image);
        return *this;
    }
    Picture(const Picture &) = delete;
    Picture &operator=(const Picture &) = delete;
    ~Picture()
    {
        if (m_image)
            g_object_unref(m_image);
    }
    VipsImage *get() const { return m_image; }
    VipsImage **out() { return &m_image; }

private:
    VipsImage *m_image = nullptr;
};

/// A libvips list of numbers for an option (a colour), let go of when it goes out of scope.
class Numbers
{
public:
    Numbers(std::initializer_list<double> values)
        : m_array(vips_array_double_new(values.begin(), static_cast<int>(values.size())))
    { }
    ~Numbers() { vips_area_unref(VIPS_AREA(m_array)); }
    Numbers(const Numbers &) = delete;
    Numbers &operator=(const Numbers &) = delete;
    VipsArrayDouble *get() const { return m_array; }

private:
    VipsArrayDouble *m_array;
};

[[noreturn]] void fail()
{
    std::string message = vips_error_buffer();
    vips_error_clear();
    while (!message.empty() && message.back() == '\n')
        message.pop_back();
    throw std::runtime_error("The site's icons could not be drawn: " + message);
}

void check(int status)
{
    if (status != 0)
        fail();
}

void startVips()
{
    static std::once_flag started;
    static bool ready = false;
    std::call_once(started, [] {
        ready = vips_init("corvanta") == 0;
        // A logo libvips cannot read is drawn as the title's letter instead; its complaints
        // would only be noise on the command line's output.
        g_log_set_handler(
            "VIPS", G_LOG_LEVEL_WARNING,
            [](const gchar *, GLogLevelFlags, const gchar *, gpointer) {}, nullptr);
    });
    if (!ready)
        fail();
}

int hexDigit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c))
        ? c - '0'
        : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
}

/// "#RRGGBB" as three numbers; a dark grey for anything else.
std::array<double, 3> colourOf(std::string_view text)
{
    if (text.size() != 7 || text.front() != '#')
        return { 51, 51, 51 };
    for (const char c : text.substr(1)) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return { 51, 51, 51 };
    }
    std::array<double, 3> colour {};
    for (std::size_t i = 0; i < 3; ++i)
        colour[i] = hexDigit(text[1 + 2 * i]) * 16 + hexDigit(text[2 + 2 * i]);
    return colour;
}

/// sRGB with an alpha band, eight bits a band.
Picture withAlpha(Picture picture)
{
    if (picture.get()->Type != VIPS_INTERPRETATION_sRGB || picture.get()->Bands < 3) {
        Picture srgb;
        check(vips_colourspace(picture.get(), srgb.out(), VIPS_INTERPRETATION_sRGB, nullptr));
        picture = std::move(srgb);
    }
    if (picture.get()->BandFmt != VIPS_FORMAT_UCHAR) {
        Picture narrowed;
        check(vips_cast_uchar(picture.get(), narrowed.out(), nullptr));
        picture = std::move(narrowed);
    }
    if (!vips_image_hasalpha(picture.get())) {
        Picture alpha;
        check(vips_bandjoin_const1(picture.get(), alpha.out(), 255, nullptr));
        picture = std::move(alpha);
    }
    return picture;
}

/// The logo fitted into a square of `size`, centred on a clear ground.
Picture logoSquare(std::string_view logo, int size)
{
    Picture fitted;
    check(vips_thumbnail_buffer(
        const_cast<char *>(logo.data()), logo.size(), fitted.out(), size, "height", size, nullptr));
    fitted = withAlpha(std::move(fitted));
    Picture square;
    const Numbers clear { 0, 0, 0, 0 };
    check(vips_gravity(fitted.get(), square.out(), VIPS_COMPASS_DIRECTION_CENTRE, size, size,
        "extend", VIPS_EXTEND_BACKGROUND, "background", clear.get(), nullptr));
    return square;
}

/// The letter in white on the accent colour, as a square of 512 pixels.
Picture letterSquare(std::string_view letter, std::string_view accent)
{
    constexpr int Size = 512;
    const std::array<double, 3> colour = colourOf(accent);
    Picture black;
    check(vips_black(black.out(), Size, Size, "bands", 3, nullptr));
    const double scale[] = { 1, 1, 1 };
    Picture ground;
    check(vips_linear(black.get(), ground.out(), scale, colour.data(), 3, nullptr));
    Picture groundBytes;
    check(vips_cast_uchar(ground.get(), groundBytes.out(), nullptr));
    if (letter.empty())
        return withAlpha(std::move(groundBytes));

    // The letter is drawn large, cut to its ink and centred, so that it sits in the middle
    // whatever its shape.
    Picture ink;
    const std::string text(letter);
    check(vips_text(ink.out(), text.c_str(), "font", "DejaVu Sans Bold", "width", Size * 3 / 5,
        "height", Size * 3 / 5, nullptr));
    int left = 0, top = 0, width = 0, height = 0;
    const Numbers none { 0 };
    check(vips_find_trim(ink.get(), &left, &top, &width, &height, "background", none.get(),
        "threshold", 20.0, nullptr));
    Picture cut;
    if (width > 0 && height > 0)
        check(vips_extract_area(ink.get(), cut.out(), left, top, width, height, nullptr));
    else
        cut = std::move(ink);
    Picture mask;
    check(vips_gravity(cut.get(), mask.out(), VIPS_COMPASS_DIRECTION_CENTRE, Size, Size, nullptr));
    Picture white;
    const double none3[] = { 0, 0, 0 };
    const double full[] = { 255, 255, 255 };
    check(vips_linear(black.get(), white.out(), none3, full, 3, nullptr));
    Picture whiteBytes;
    check(vips_cast_uchar(white.get(), whiteBytes.out(), nullptr));
    Picture drawn;
    check(vips_ifthenelse(
        mask.get(), whiteBytes.get(), groundBytes.get(), drawn.out(), "blend", TRUE, nullptr));
    return withAlpha(std::move(drawn));
}

Picture scaled(const Picture &square, int size)
{
    Picture out;
    check(vips_thumbnail_image(square.get(), out.out(), size, "height", size, nullptr));
    return out;
}

std::string pngOf(const Picture &picture)
{
    void *buffer = nullptr;
    std::size_t length = 0;
    check(vips_pngsave_buffer(
        picture.get(), &buffer, &length, "strip", TRUE, "compression", 9, nullptr));
    std::string bytes(static_cast<const char *>(buffer), length);
    g_free(buffer);
    return bytes;
}

/// An opaque copy on white: a phone's home screen would show a clear ground as black.
Picture onWhite(const Picture &picture)
{
    Picture flat;
    const Numbers white { 255, 255, 255 };
    check(vips_flatten(picture.get(), flat.out(), "background", white.get(), nullptr));
    return flat;
}

std::vector<std::string> drawIcons(
    std::string_view logoBytes, std::string_view letter, std::string_view accent)
{
    startVips();
    const auto draw = [&](const auto &square) {
        return std::vector<std::string> { pngOf(square(16)), pngOf(square(32)),
            pngOf(onWhite(square(180))), pngOf(square(192)), pngOf(square(512)) };
    };
    if (!logoBytes.empty()) {
        try {
            return draw([&](int size) { return logoSquare(logoBytes, size); });
        } catch (const std::runtime_error &) {
            // A logo libvips cannot draw still gets the site its icons: the letter's.
        }
    }
    // Drawn once into memory: each size is scaled from the same pixels instead of drawing
    // the letter again.
    const Picture drawn = letterSquare(letter, accent);
    VipsImage *inMemory = vips_image_copy_memory(drawn.get());
    if (!inMemory)
        fail();
    const Picture large(inMemory);
    return draw([&](int size) { return scaled(large, size); });
}

} // namespace
} // namespace Publish

extern "C" __attribute__((visibility("default"))) void corvantaDrawSiteIcons(std::string_view logo,
    std::string_view letter, std::string_view accent, std::vector<std::string> &pngs,
    std::string &problem)
{
    try {
        pngs = Publish::drawIcons(logo, letter, accent);
    } catch (const std::exception &error) {
        problem = error.what();
    }
}
