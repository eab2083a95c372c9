#include "cli/clicommon.h"

#include "catalogue/templatecatalogue.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "project/projectsession.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <algorithm>
#include <functional>
#include <map>
#include <span>

namespace Cli {
namespace {

using Model::Choice;
using Model::ColorChoice;
using Model::Project;

constexpr std::size_t ShortTextLimit = 255;
constexpr std::size_t ColorTextLimit = 7;

[[noreturn]] void refuse(const QString &field, const std::string &problem)
{
    throw CliError("Field \"" + field.toStdString() + "\": " + problem + "; nothing was written");
}

std::string textOf(const QString &field, const QJsonValue &value, std::size_t limit)
{
    if (!value.isString())
        refuse(field, "not a string");
    const std::optional<std::string> text
        = Platform::utf8ToCp1252Exact(value.toString().toStdString());
    if (!text)
        refuse(field, "holds a character the project files cannot hold");
    if (text->size() > limit)
        refuse(field, "longer than " + std::to_string(limit) + " characters");
    return *text;
}

bool flagOf(const QString &field, const QJsonValue &value)
{
    if (!value.isBool())
        refuse(field, "not true or false");
    return value.toBool();
}

template <typename List>
Choice choiceOf(const QString &field, const QJsonValue &value, const List &list)
{
    if (value.isNull())
        return std::nullopt;
    const std::string entry = textOf(field, value, std::string::npos);
    for (std::size_t i = 0; i < std::size(list); ++i) {
        if (entry == std::string(list[i]))
            return i;
    }
    refuse(field, "\"" + value.toString().toStdString() + "\" is not in its list");
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

ColorChoice colorOf(const QString &field, const QJsonValue &value)
{
    const QJsonObject object = value.toObject();
    if (!value.isObject() || object.size() != 2 || !object.contains("text")
        || !object.contains("swatch"))
        refuse(field, "not a colour {\"text\", \"swatch\"}");
    ColorChoice color;
    color.text = textOf(field + ".text", object["text"], ColorTextLimit);
    const std::string swatch = textOf(field + ".swatch", object["swatch"], ColorTextLimit);
    if (swatch.size() != 7 || swatch[0] != '#'
        || !std::all_of(swatch.begin() + 1, swatch.end(), [](char c) { return hexDigit(c) >= 0; }))
        refuse(field + ".swatch", "not a colour \"#RRGGBB\"");
    for (std::size_t i = 0; i < 3; ++i) {
        const auto part = static_cast<std::uint32_t>(
            hexDigit(swatch[1 + 2 * i]) * 16 + hexDigit(swatch[2 + 2 * i]));
        color.swatch |= part << (8 * i);
    }
    return color;
}

template <std::size_t N> QJsonArray arrayOf(const QString &field, const QJsonValue &value)
{
    if (!value.isArray() || value.toArray().size() != static_cast<qsizetype>(N))
        refuse(field, "not a list of " + std::to_string(N));
    return value.toArray();
}

/// How each field of the JSON is applied to the project; every field is checked before
/// anything is written.
using FieldReader = std::function<void(Project &, const QString &, const QJsonValue &)>;

std::map<QString, FieldReader> fieldReaders(const Model::ChoiceLists &lists)
{
    namespace Lists = Model::Lists;
    std::map<QString, FieldReader> readers;
    const auto text = [&](const char *name, std::string Project::*member) {
        readers[name] = [member](Project &p, const QString &f, const QJsonValue &v) {
            p.*member = textOf(f, v, ShortTextLimit);
        };
    };
    const auto color = [&](const char *name, ColorChoice Project::*member) {
        readers[name] = [member](Project &p, const QString &f, const QJsonValue &v) {
            p.*member = colorOf(f, v);
        };
    };
    const auto flag = [&](const char *name, bool Project::*member) {
        readers[name] = [member](Project &p, const QString &f, const QJsonValue &v) {
            p.*member = flagOf(f, v);
        };
    };
    const auto choice = [&](const char *name, Choice Project::*member, const auto &list) {
        readers[name] = [member, entries = &list](Project &p, const QString &f,
                            const QJsonValue &v) { p.*member = choiceOf(f, v, *entries); };
    };
    readers["siteType"] = [](Project &p, const QString &f, const QJsonValue &v) {
        const std::string type = textOf(f, v, ShortTextLimit);
        if (type != "Personal" && type != "Business")
            refuse(f, "\"" + type + "\" is not Personal or Business");
        p.siteType = type == "Personal" ? Model::SiteType::Personal : Model::SiteType::Business;
    };
    choice("templateName", &Project::templateName, lists.templates);
    text("siteTitle", &Project::siteTitle);
    text("siteDescription", &Project::siteDescription);
    text("siteKeywords", &Project::siteKeywords);
    text("copyrightYears", &Project::copyrightYears);
    text("logoPath", &Project::logoPath);
    text("slogan", &Project::slogan);
    choice("fontFamily", &Project::fontFamily, lists.fonts);
    color("fontColor", &Project::fontColor);
    choice("fontSize", &Project::fontSize, Lists::FontSizes);
    choice("fontVariant", &Project::fontVariant, Lists::FontVariants);
    color("linkColor", &Project::linkColor);
    choice("linkDecoration", &Project::linkDecoration, Lists::Decorations);
    color("hoverColor", &Project::hoverColor);
    choice("hoverDecoration", &Project::hoverDecoration, Lists::Decorations);
    color("activeColor", &Project::activeColor);
    choice("activeDecoration", &Project::activeDecoration, Lists::Decorations);
    color("visitedColor", &Project::visitedColor);
    choice("visitedDecoration", &Project::visitedDecoration, Lists::Decorations);
    choice("listStyleType", &Project::listStyleType, Lists::ListStyles);
    choice("imageBorderStyle", &Project::imageBorderStyle, Lists::BorderStyles);
    choice("imageBorderWidth", &Project::imageBorderWidth, Lists::BorderSizes);
    color("imageBorderColor", &Project::imageBorderColor);
    flag("addTextNavigation", &Project::addTextNavigation);
    flag("addCopyrightFooter", &Project::addCopyrightFooter);
    flag("addMadeWithLink", &Project::addMadeWithLink);
    flag("generateSitemap", &Project::generateSitemap);
    readers["personalPages"] = [](Project &p, const QString &f, const QJsonValue &v) {
        const QJsonArray ticks = arrayOf<Model::PersonalPageCount>(f, v);
        for (qsizetype i = 0; i < ticks.size(); ++i)
            p.personalPages[static_cast<std::size_t>(i)] = flagOf(f, ticks[i]);
    };
    readers["businessPages"] = [](Project &p, const QString &f, const QJsonValue &v) {
        const QJsonArray ticks = arrayOf<Model::PageCount>(f, v);
        for (qsizetype i = 0; i < ticks.size(); ++i)
            p.businessPages[static_cast<std::size_t>(i)] = flagOf(f, ticks[i]);
    };
    readers["pageBody"] = [](Project &p, const QString &f, const QJsonValue &v) {
        const QJsonArray bodies = arrayOf<Model::PageCount>(f, v);
        for (qsizetype i = 0; i < bodies.size(); ++i)
            p.pageBody[static_cast<std::size_t>(i)] = textOf(f, bodies[i], std::string::npos);
    };
    return readers;
}

/// Whether the JSON names a font family past the six fixed stacks, so that the installed
/// families must be listed to find it.
bool namesInstalledFontFamily(const QJsonObject &json)
{
    const QJsonValue family = json["fontFamily"];
    if (!family.isString())
        return false;
    const std::string name = family.toString().toStdString();
    return std::none_of(Model::Lists::FixedFontFamilies.begin(),
        Model::Lists::FixedFontFamilies.end(), [&](const char *fixed) { return name == fixed; });
}

void runImport(const Invocation &invocation)
{
    const std::string jsonFile = pathOperand(invocation.operands.at(0));
    const std::string projectFile = pathOperand(invocation.operands.at(1));
    const std::string bytes = Platform::readWholeFile(jsonFile);
    QJsonParseError parseError;
    const QJsonDocument document
        = QJsonDocument::fromJson(QByteArray::fromStdString(bytes), &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        throw CliError(invocation.operands.at(0) + " is not a JSON object"
            + (parseError.error != QJsonParseError::NoError
                    ? ": " + parseError.errorString().toStdString() + " at byte "
                        + std::to_string(parseError.offset)
                    : std::string()));
    }
    const QJsonObject json = document.object();

    const Model::ChoiceLists lists = namesInstalledFontFamily(json)
        ? choiceListsFor(invocation.homeDir)
        : Model::ChoiceLists { Catalogue::ListTemplates(invocation.homeDir),
              { Model::Lists::FixedFontFamilies.begin(), Model::Lists::FixedFontFamilies.end() } };
    Model::ProjectSession session(lists);
    const std::map<QString, FieldReader> readers = fieldReaders(lists);
    for (auto field = json.begin(); field != json.end(); ++field) {
        const auto reader = readers.find(field.key());
        if (reader == readers.end())
            refuse(field.key(), "no such field");
        reader->second(session.fields(), field.key(), field.value());
    }
    session.save(projectFile);
}

const VerbRegistration registration({
    "import",
    "PROJECT.json PROJECT.cvp",
    "Writes PROJECT.cvp and 1.dat to 14.dat beside it from the JSON object that show\n"
    "prints, as one whole save. A field left out keeps the value of a new project; an\n"
    "unknown field, a value of the wrong type, a choice not in its list or a text too\n"
    "long for its field is refused with the field's name, and nothing is written.",
    2,
    runImport,
});

} // namespace
} // namespace Cli
