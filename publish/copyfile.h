#pragma once

#include "platform/directory.h"
#include "platform/files.h"

#include <string>

namespace Publish {

/// Copies the whole of the open `source`, from its start, into the file `targetName` of
/// the directory `target`, created readable by everyone and writable by its owner (0644, never
/// more than the umask allows); dates are not carried over. A link in the target's place is
/// refused. Throws FileError ("Disk full", ...).
void CopyFileContents(
    Platform::File &source, const Platform::Directory &target, const std::string &targetName);

} // namespace Publish
