#include "publish/copyfile.h"

#include <array>
#include <string_view>

namespace Publish {

void CopyFileContents(
    Platform::File &source, const Platform::Directory &target, const std::string &targetName)
{
    Platform::File copy = target.createFile(targetName, 0644);
    std::array<char, 4096> block;
    for (;;) {
        const std::size_t count = source.read(block.data(), block.size());
        if (count == 0)
            break;
        // A write that cannot store the whole block is an error ("Disk full"), never a
        // silently shortened copy.
        copy.write(std::string_view(block.data(), count));
    }
    copy.close();
    source.close();
}

} // namespace Publish
