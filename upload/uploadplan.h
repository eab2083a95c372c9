#pragma once

#include "upload/manifest.h"

#include <string>
#include <vector>

namespace Upload {

/// What one upload does, in the order it does it.
struct UploadPlan
{
    /// New and changed files: pictures, styles and other files first, then pages and scripts,
    /// so that a visitor never gets a page whose pictures are not there yet.
    std::vector<std::string> send;
    /// Files the remote manifest lists and the site no longer has: pages and scripts first,
    /// so that no page is left pointing at a picture already gone.
    std::vector<std::string> remove;

    bool empty() const { return send.empty() && remove.empty(); }
};

/// True for the files that refer to others: pages (.html, .htm) and scripts (.js).
bool isPageOrScript(const std::string &name);

/// Compares the site with the manifest the host keeps. Only files the remote manifest lists
/// are ever deleted.
UploadPlan planUpload(const Manifest &local, const Manifest &remote);

} // namespace Upload
