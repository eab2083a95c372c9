#include "publish/copyfile.h"

#include "platform/files.h"

#include <array>
#include <string_view>

namespace Publish {

void CopyFileContents(const std::string &sourcePath, const std::string &targetPath)
{
    using Platform::File;
    File source(sourcePath, File::Mode::Read);
    File target(targetPath, File::Mode::CreateTruncate);
    std::array<char, 4096> block;
    for (;;) {
        const std::size_t count = source.read(block.data(), block.size());
        if (count == 0)
            break;
        // A write that cannot store the whole block is an error ("Disk full"), never a
        // silently shortened copy.
        target.write(std::string_view(block.data(), count));
    }
    target.close();
    source.close();
}

} // namespace Publish
