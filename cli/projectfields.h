#pragma once

#include "project/project.h"
#include "project/projectsettings.h"
#include "project/sitefinding.h"

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace Cli {

/// Where a choice field's entries come from: one of the lists of the moment (templates, font
/// families) or a fixed list.
using ChoiceEntries
    = std::variant<std::vector<std::string> Model::ChoiceLists::*, std::span<const char *const>>;

struct ChoiceField
{
    Model::Choice Model::Project::*member;
    ChoiceEntries entries;
};

/// A text kept in the settings file under a rule of its own: show prints it as a string
/// (and leaves its entry out of the settings object), import sets it through the rule and
/// refuses what the rule refuses.
struct SettingsTextField
{
    std::string (*get)(const Model::Project &);
    /// Returns why the text is refused; empty when it was taken.
    std::string (*set)(Model::Project &, std::string_view);
    const char *section;
    const char *key;
};

/// A field's place in the project; its type says how show writes it and import reads it.
using FieldMember = std::variant<Model::SiteType Model::Project::*, std::string Model::Project::*,
    ChoiceField, Model::ColorChoice Model::Project::*, bool Model::Project::*,
    std::array<bool, Model::PersonalPageCount> Model::Project::*,
    std::array<bool, Model::PageCount> Model::Project::*,
    std::array<std::string, Model::PageCount> Model::Project::*,
    Model::ProjectSettings Model::Project::*, SettingsTextField>;

struct ProjectField
{
    const char *name;
    FieldMember member;
};

/// Every field of a project as show prints it, in its order, and as import reads it.
inline constexpr ProjectField ProjectFields[] = {
    { "siteType", &Model::Project::siteType },
    { "templateName",
        ChoiceField { &Model::Project::templateName, &Model::ChoiceLists::templates } },
    { "siteTitle", &Model::Project::siteTitle },
    { "siteDescription", &Model::Project::siteDescription },
    { "siteKeywords", &Model::Project::siteKeywords },
    { "copyrightYears", &Model::Project::copyrightYears },
    { "logoPath", &Model::Project::logoPath },
    { "slogan", &Model::Project::slogan },
    { "siteAddress",
        SettingsTextField { &Model::siteAddress, &Model::setSiteAddress, Model::SiteKeys::Site,
            Model::SiteKeys::Address } },
    { "fontFamily", ChoiceField { &Model::Project::fontFamily, &Model::ChoiceLists::fonts } },
    { "fontColor", &Model::Project::fontColor },
    { "fontSize", ChoiceField { &Model::Project::fontSize, Model::Lists::FontSizes } },
    { "fontVariant", ChoiceField { &Model::Project::fontVariant, Model::Lists::FontVariants } },
    { "linkColor", &Model::Project::linkColor },
    { "linkDecoration",
        ChoiceField { &Model::Project::linkDecoration, Model::Lists::Decorations } },
    { "hoverColor", &Model::Project::hoverColor },
    { "hoverDecoration",
        ChoiceField { &Model::Project::hoverDecoration, Model::Lists::Decorations } },
    { "activeColor", &Model::Project::activeColor },
    { "activeDecoration",
        ChoiceField { &Model::Project::activeDecoration, Model::Lists::Decorations } },
    { "visitedColor", &Model::Project::visitedColor },
    { "visitedDecoration",
        ChoiceField { &Model::Project::visitedDecoration, Model::Lists::Decorations } },
    { "listStyleType", ChoiceField { &Model::Project::listStyleType, Model::Lists::ListStyles } },
    { "imageBorderStyle",
        ChoiceField { &Model::Project::imageBorderStyle, Model::Lists::BorderStyles } },
    { "imageBorderWidth",
        ChoiceField { &Model::Project::imageBorderWidth, Model::Lists::BorderSizes } },
    { "imageBorderColor", &Model::Project::imageBorderColor },
    { "addTextNavigation", &Model::Project::addTextNavigation },
    { "addCopyrightFooter", &Model::Project::addCopyrightFooter },
    { "addMadeWithLink", &Model::Project::addMadeWithLink },
    { "generateSitemap", &Model::Project::generateSitemap },
    { "personalPages", &Model::Project::personalPages },
    { "businessPages", &Model::Project::businessPages },
    { "pageBody", &Model::Project::pageBody },
    { "settings", &Model::Project::settings },
};

/// The entries of a choice field's list.
template <typename Visit>
decltype(auto) visitEntries(
    const ChoiceEntries &entries, const Model::ChoiceLists &lists, Visit &&visit)
{
    if (const auto *member = std::get_if<std::vector<std::string> Model::ChoiceLists::*>(&entries))
        return visit(std::span<const std::string>(lists.**member));
    return visit(std::get<std::span<const char *const>>(entries));
}

/// std::visit's helper: one lambda for each alternative.
template <typename... Lambdas> struct Overloaded : Lambdas...
{
    using Lambdas::operator()...;
};
// Spelled out for compilers that do not deduce an aggregate's arguments by themselves.
template <typename... Lambdas> Overloaded(Lambdas...) -> Overloaded<Lambdas...>;

} // namespace Cli
