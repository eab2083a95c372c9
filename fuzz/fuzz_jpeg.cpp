// Decodes fuzzed bytes as a template preview or the product picture would be decoded. A picture
// either decodes within the size limits or is refused with "JPEG error #N"; nothing else may
// happen (no crash, no read outside the bytes, no other exception).

#include "fuzz/scratchdir.h"

#include "platform/fileerror.h"
#include "platform/jpegimage.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using Fuzzing::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    try {
        const QImage image = Platform::decodeJpeg(bytes);
        check(!image.isNull(), "a decoded picture is empty");
        check(image.width() <= Platform::MaxJpegSide && image.height() <= Platform::MaxJpegSide
                && static_cast<long long>(image.width()) * image.height()
                    <= Platform::MaxJpegPixels,
            "a picture larger than the limits was decoded");
        check(
            image.format() == QImage::Format_RGB888 || image.format() == QImage::Format_Grayscale8,
            "a picture decoded into an unexpected format");
    } catch (const Platform::FileError &error) {
        const std::string text = error.what();
        check(text.starts_with("JPEG error #") && text.size() > 12,
            "a picture refused with \"" + text + "\"");
    }
    return 0;
}
