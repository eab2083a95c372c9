#pragma once

#include "project/project.h"
#include "tests/support/tempdir.h"

#include <functional>
#include <set>
#include <string>

namespace Testing {

/// A home directory with a "templates" folder holding the template "Blue", a publish
/// directory, and a default project that uses Blue.
struct Site
{
    Site();

    std::string templates() const { return home.path() + "/templates"; }
    std::string website() const { return out.path() + "/website"; }

    void writeTemplate(const std::string &bytes) const;
    /// Writes a picture into the templates folder; its content is its own name.
    void writePicture(const std::string &name) const;
    /// Writes Blue's fourteen navigation pictures.
    void writeNavigationPictures() const;
    /// Makes the website directory with its scripts, as a run does before the first page.
    void prepareWebsite() const;
    /// The bytes of a file in the website directory.
    std::string read(const std::string &name) const;
    /// The names in the website directory.
    std::set<std::string> websiteFiles() const;

    TempDir home;
    TempDir out;
    Model::ChoiceLists lists;
    Model::Project project;
};

} // namespace Testing
