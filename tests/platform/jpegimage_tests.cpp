#include "platform/jpegimage.h"

#include "platform/fileerror.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <jerror.h>
#include <jpeglib.h>

using namespace Testing;

namespace {

// Test pictures are made with libjpeg's own encoder, so every case states its pixels.
struct Picture
{
    int width;
    int height;
    int components;
    J_COLOR_SPACE colourSpace;
    std::vector<unsigned char> pixel; ///< one pixel, repeated over the whole picture; none: noise
    bool adobeMarker = true;
    bool progressive = false;
    bool ycck = false; ///< CMYK stored the way Adobe stores it for better compression
};

std::string encode(const Picture &picture)
{
    jpeg_compress_struct info {};
    jpeg_error_mgr errors {};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(picture.width);
    info.image_height = static_cast<JDIMENSION>(picture.height);
    info.input_components = picture.components;
    info.in_color_space = picture.colourSpace;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    if (picture.ycck)
        jpeg_set_colorspace(&info, JCS_YCCK);
    info.write_Adobe_marker = picture.adobeMarker ? TRUE : FALSE;
    if (picture.progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row;
    for (int x = 0; x < picture.width; ++x)
        row.insert(row.end(), picture.pixel.begin(), picture.pixel.end());
    unsigned noise = 12345;
    while (info.next_scanline < info.image_height) {
        if (picture.pixel.empty()) {
            row.resize(static_cast<std::size_t>(picture.width)
                * static_cast<std::size_t>(picture.components));
            for (unsigned char &sample : row)
                sample = static_cast<unsigned char>((noise = noise * 1103515245 + 12345) >> 16);
        }
        JSAMPROW rowPointer = row.data();
        jpeg_write_scanlines(&info, &rowPointer, 1);
    }
    jpeg_finish_compress(&info);
    std::string bytes(reinterpret_cast<char *>(buffer), size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return bytes;
}

std::string rgbPicture(int width, int height, bool progressive = false)
{
    return encode({ width, height, 3, JCS_RGB, { 200, 40, 90 }, true, progressive });
}

// Noise compresses badly, so nearly all of the file is picture data.
std::string noisyPicture(bool progressive)
{
    return encode({ 96, 96, 3, JCS_RGB, {}, true, progressive });
}

std::string jpegError(int code) { return "JPEG error #" + std::to_string(code); }

std::string errorOf(const std::string &bytes)
{
    try {
        Platform::decodeJpeg(bytes);
    } catch (const Platform::FileError &error) {
        return error.what();
    }
    return "decoded";
}

void expectColour(const QImage &image, QRgb expected)
{
    const QRgb pixel = image.pixel(image.width() / 2, image.height() / 2);
    EXPECT_NEAR(qRed(pixel), qRed(expected), 3);
    EXPECT_NEAR(qGreen(pixel), qGreen(expected), 3);
    EXPECT_NEAR(qBlue(pixel), qBlue(expected), 3);
}

} // namespace

TEST(DecodeJpeg, ColourPictures_SizeAndColourKept)
{
    for (const bool progressive : { false, true }) {
        const QImage image = Platform::decodeJpeg(rgbPicture(201, 145, progressive));
        EXPECT_EQ(image.size(), QSize(201, 145));
        expectColour(image, qRgb(200, 40, 90));
    }
}

TEST(DecodeJpeg, Greyscale_StaysGrey)
{
    const QImage image = Platform::decodeJpeg(encode({ 33, 20, 1, JCS_GRAYSCALE, { 77 } }));
    EXPECT_EQ(image.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(image.size(), QSize(33, 20));
    expectColour(image, qRgb(77, 77, 77));
}

TEST(DecodeJpeg, Cmyk_ConvertedToTheColourOfItsInks)
{
    // Cyan and a little black: Adobe files hold the inks inverted (255 is no ink).
    const QImage adobe
        = Platform::decodeJpeg(encode({ 24, 16, 4, JCS_CMYK, { 0, 255, 255, 204 }, true }));
    expectColour(adobe, qRgb(0, 204, 204));
    const QImage plain
        = Platform::decodeJpeg(encode({ 24, 16, 4, JCS_CMYK, { 255, 0, 0, 51 }, false }));
    expectColour(plain, qRgb(0, 204, 204));
    const QImage ycck = Platform::decodeJpeg(
        encode({ 24, 16, 4, JCS_CMYK, { 0, 255, 255, 204 }, true, false, true }));
    expectColour(ycck, qRgb(0, 204, 204));
}

TEST(DecodeJpeg, Truncated_ReportsTheEndOfTheData)
{
    const std::string whole = noisyPicture(false);
    EXPECT_EQ(errorOf(whole.substr(0, whole.size() / 2)), jpegError(JWRN_HIT_MARKER));
    EXPECT_EQ(errorOf(whole.substr(0, whole.size() - 100)), jpegError(JWRN_HIT_MARKER));
    EXPECT_EQ(errorOf(whole.substr(0, 40)), jpegError(JWRN_JPEG_EOF)) << "cut in the headers";
    const std::string progressive = noisyPicture(true);
    const auto lastScan = progressive.rfind("\xFF\xDA");
    EXPECT_EQ(errorOf(progressive.substr(0, lastScan + 200)), jpegError(JWRN_HIT_MARKER));
    // Only the end marker missing: every row is there, the picture is whole.
    EXPECT_EQ(errorOf(whole.substr(0, whole.size() - 2)), "decoded");
}

TEST(DecodeJpeg, NotAJpeg_ReportsLibjpegsCode)
{
    EXPECT_EQ(errorOf(""), jpegError(JERR_INPUT_EMPTY));
    EXPECT_EQ(errorOf("v1.0\r\nthis is text"), jpegError(JERR_NO_SOI));
    EXPECT_EQ(errorOf(std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16)), jpegError(JERR_NO_SOI));
    EXPECT_EQ(errorOf("\xFF\xD8\xFF\xD9"), jpegError(JERR_NO_IMAGE));
}

TEST(DecodeJpeg, HugePicture_RefusedBeforeAnythingIsDecoded)
{
    // A real picture whose frame header is made to declare 10,000 x 10,000 pixels.
    std::string bytes = rgbPicture(16, 16);
    const auto frame = bytes.find("\xFF\xC0");
    ASSERT_NE(frame, std::string::npos);
    for (const std::size_t at : { frame + 5, frame + 7 }) { // height, then width, big-endian
        bytes[at] = static_cast<char>(10000 >> 8);
        bytes[at + 1] = static_cast<char>(10000 & 0xFF);
    }
    EXPECT_EQ(errorOf(bytes), jpegError(JERR_IMAGE_TOO_BIG));
    EXPECT_EQ(errorOf(rgbPicture(Platform::MaxJpegSide + 1, 8)), jpegError(JERR_IMAGE_TOO_BIG));
    EXPECT_EQ(
        Platform::decodeJpeg(rgbPicture(Platform::MaxJpegSide, 8)).width(), Platform::MaxJpegSide);
}

TEST(ReadJpegFile, MissingOrUnreadable_CannotOpenFile)
{
    TempDir dir;
    writeBytes(dir.file("blue.jpg"), rgbPicture(20, 10));
    EXPECT_EQ(Platform::readJpegFile(dir.file("blue.jpg")).size(), QSize(20, 10));
    for (const std::string &path : { dir.file("x.jpg"), dir.file(".jpg"), dir.path() }) {
        try {
            Platform::readJpegFile(path);
            ADD_FAILURE() << path << " opened";
        } catch (const Platform::FileError &error) {
            EXPECT_EQ(error.what(), "Cannot open file " + path);
        }
    }
}
