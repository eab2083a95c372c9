#include "publish/copyfile.h"

namespace Publish {

void CopyFileContents(
    Platform::File &source, const Platform::Directory &target, const std::string &targetName)
{
    Platform::File copy = target.createFile(targetName, 0644);
    // Copied inside the system where it can; a write that cannot store everything is an error
    // ("Disk full"), never a silently shortened copy.
    copy.writeContentsOf(source);
    copy.close();
    source.close();
}

} // namespace Publish
