#include "platform/jpegimage.h"

#include "platform/fileerror.h"
#include "platform/files.h"

#include <QFile>

#include <csetjmp>
#include <cstdio>
// jpeglib.h expects FILE and size_t to be declared before it.
#include <jerror.h>
#include <jpeglib.h>

namespace Platform {
namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return. It jumps back
// into the decoding step that was running; that step returns false, and the error becomes a
// FileError outside every libjpeg frame, so no exception ever crosses the C library.
enum class Stage { Header, Picture, Finished };

struct ErrorManager
{
    jpeg_error_mgr base;
    std::jmp_buf jump;
    Stage stage;
};

[[noreturn]] void jumpBack(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorManager *>(info->err)->jump, 1);
}

// Missing data is only a warning to libjpeg, which then paints the missing rows grey. A
// half-grey preview would pass for the template's design, so here a file cut off in its
// headers, or before the data of its last row, is an error. A file that lacks nothing but
// its end marker is whole, and the other warnings (stray bytes between markers) leave the
// picture whole too.
void emitMessage(j_common_ptr info, int level)
{
    if (level >= 0)
        return; // libjpeg's trace messages
    const Stage stage = reinterpret_cast<ErrorManager *>(info->err)->stage;
    const int code = info->err->msg_code;
    if ((code == JWRN_JPEG_EOF && stage == Stage::Header)
        || (code == JWRN_HIT_MARKER && stage != Stage::Finished))
        jumpBack(info);
}

// Everything libjpeg may jump out of lives here, in plain C structures: between a setjmp and
// its longjmp no object with a destructor is created.
struct Decoder
{
    jpeg_decompress_struct info;
    ErrorManager errors;
    bool created;
};

bool readHeader(Decoder &decoder, const unsigned char *data, unsigned long size)
{
    if (setjmp(decoder.errors.jump))
        return false;
    jpeg_create_decompress(&decoder.info);
    decoder.created = true;
    jpeg_mem_src(&decoder.info, data, size);
    jpeg_read_header(&decoder.info, TRUE);
    decoder.errors.stage = Stage::Picture;
    return true;
}

bool startDecompress(Decoder &decoder)
{
    if (setjmp(decoder.errors.jump))
        return false;
    switch (decoder.info.jpeg_color_space) {
    case JCS_GRAYSCALE:
        decoder.info.out_color_space = JCS_GRAYSCALE;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        // libjpeg turns YCCK into CMYK; the conversion to RGB is ours (cmykRowToRgb).
        decoder.info.out_color_space = JCS_CMYK;
        break;
    default:
        // Anything libjpeg cannot turn into RGB fails here with its own error.
        decoder.info.out_color_space = JCS_RGB;
        break;
    }
    jpeg_start_decompress(&decoder.info);
    return true;
}

// Photoshop and most other programs store CMYK inverted (255 is no ink) and say so with an
// Adobe marker; without the marker the values are taken as plain ink amounts.
void cmykRowToRgb(const JSAMPLE *cmyk, unsigned char *rgb, JDIMENSION width, bool inverted)
{
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, rgb += 3) {
        const unsigned black = inverted ? cmyk[3] : 255u - cmyk[3];
        for (int channel = 0; channel < 3; ++channel) {
            const unsigned ink = inverted ? cmyk[channel] : 255u - cmyk[channel];
            rgb[channel] = static_cast<unsigned char>((ink * black + 127) / 255);
        }
    }
}

bool readRows(Decoder &decoder, unsigned char *bits, qsizetype bytesPerLine)
{
    if (setjmp(decoder.errors.jump))
        return false;
    jpeg_decompress_struct &info = decoder.info;
    const bool cmyk = info.out_color_space == JCS_CMYK;
    JSAMPARRAY cmykRow = nullptr;
    if (cmyk) {
        cmykRow = (*info.mem->alloc_sarray)(
            reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE, info.output_width * 4, 1);
    }
    while (info.output_scanline < info.output_height) {
        unsigned char *line = bits + bytesPerLine * info.output_scanline;
        JSAMPROW row = cmyk ? cmykRow[0] : line;
        // Only a suspending data source reads no row; ours never suspends, and stopping
        // here lets jpeg_finish_decompress report the rows that are missing.
        if (jpeg_read_scanlines(&info, &row, 1) != 1)
            break;
        if (cmyk)
            cmykRowToRgb(row, line, info.output_width, info.saw_Adobe_marker);
    }
    decoder.errors.stage = Stage::Finished;
    jpeg_finish_decompress(&info);
    return true;
}

// Releases libjpeg's memory however decoding ends.
class DecoderGuard
{
public:
    explicit DecoderGuard(Decoder &decoder)
        : m_decoder(decoder)
    { }
    ~DecoderGuard()
    {
        if (m_decoder.created)
            jpeg_destroy_decompress(&m_decoder.info);
    }
    DecoderGuard(const DecoderGuard &) = delete;
    DecoderGuard &operator=(const DecoderGuard &) = delete;

private:
    Decoder &m_decoder;
};

[[noreturn]] void throwJpegError(int messageCode)
{
    throw FileError("JPEG error #" + std::to_string(messageCode));
}

} // namespace

QImage decodeJpeg(std::string_view bytes)
{
    Decoder decoder {};
    DecoderGuard guard(decoder);
    decoder.info.err = jpeg_std_error(&decoder.errors.base);
    decoder.errors.base.error_exit = jumpBack;
    decoder.errors.base.emit_message = emitMessage;

    const auto *data = reinterpret_cast<const unsigned char *>(bytes.data());
    if (!readHeader(decoder, data, static_cast<unsigned long>(bytes.size())))
        throwJpegError(decoder.errors.base.msg_code);

    const long long width = decoder.info.image_width;
    const long long height = decoder.info.image_height;
    if (width > MaxJpegSide || height > MaxJpegSide || width * height > MaxJpegPixels)
        throwJpegError(JERR_IMAGE_TOO_BIG);

    if (!startDecompress(decoder))
        throwJpegError(decoder.errors.base.msg_code);

    const QImage::Format format = decoder.info.out_color_space == JCS_GRAYSCALE
        ? QImage::Format_Grayscale8
        : QImage::Format_RGB888;
    QImage image(static_cast<int>(decoder.info.output_width),
        static_cast<int>(decoder.info.output_height), format);
    if (image.isNull())
        throwJpegError(JERR_OUT_OF_MEMORY);

    if (!readRows(decoder, image.bits(), image.bytesPerLine()))
        throwJpegError(decoder.errors.base.msg_code);
    return image;
}

QImage readJpegFile(const std::string &path)
{
    return decodeJpeg(readWholeFile(path, OpenFailure::NamedText));
}

QImage readJpegResource(const QString &resourcePath)
{
    QFile file(resourcePath);
    if (!file.open(QIODevice::ReadOnly))
        throw FileError("Cannot open file " + resourcePath.toStdString());
    const QByteArray bytes = file.readAll();
    return decodeJpeg(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

} // namespace Platform
