#include "cli/clicommon.h"
#include "cli/projectfields.h"

#include "catalogue/templatecatalogue.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "project/projectfiles.h"
#include "project/projectsession.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <algorithm>
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

/// A string value as UTF-8. A NUL character and half of a surrogate pair (which JSON's \u
/// escapes can spell) are no text and are refused.
std::string utf8Of(const QString &field, const QJsonValue &value)
{
    if (!value.isString())
        refuse(field, "not a string");
    const QString string = value.toString();
    if (!string.isValidUtf16())
        refuse(field, "holds half of a surrogate pair, which is no character");
    if (string.contains(QChar(u'\0')))
        refuse(field, "holds a NUL character");
    return string.toStdString();
}

std::string textOf(const QString &field, const QJsonValue &value, std::size_t limit)
{
    const std::optional<std::string> text = Platform::utf8ToCp1252Exact(utf8Of(field, value));
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

/// The settings object {section: {key: value}} that show prints. A name must fit on its
/// line of the settings file: no line break or other control character, a key without "=",
/// a section without "]"; a key does not start with "[", ";" or "#".
Model::ProjectSettings settingsOf(const QString &field, const QJsonValue &value)
{
    if (!value.isObject())
        refuse(field, "not an object of sections");
    const auto nameOf = [](const QString &where, const QString &name, const char *forbidden) {
        std::string text = utf8Of(where, QJsonValue(name));
        const bool control = std::any_of(text.begin(), text.end(),
            [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
        const bool blankAtEnd = !text.empty()
            && (text.front() == ' ' || text.front() == '\t' || text.back() == ' '
                || text.back() == '\t');
        if (control || blankAtEnd || text.find_first_of(forbidden) != std::string::npos)
            refuse(where, "\"" + text + "\" cannot be a name in the settings file");
        return text;
    };
    // A JSON object keeps no order: the choice names come first, as a save writes them, and
    // the rest follows in the object's order.
    Model::ProjectSettings settings;
    const QJsonObject sections = value.toObject();
    const QJsonValue choices = sections[Model::SettingsKeys::Choices];
    for (const char *key : { Model::SettingsKeys::Template, Model::SettingsKeys::FontFamily }) {
        if (choices[key].isString())
            settings.setValue(Model::SettingsKeys::Choices, key, utf8Of(field, choices[key]));
    }
    for (auto section = sections.begin(); section != sections.end(); ++section) {
        const QString where = field + "." + section.key();
        const std::string sectionName = nameOf(where, section.key(), "[]");
        if (!section.value().isObject())
            refuse(where, "not an object of keys");
        const QJsonObject keys = section.value().toObject();
        for (auto key = keys.begin(); key != keys.end(); ++key) {
            const QString keyField = where + "." + key.key();
            const std::string keyName = nameOf(keyField, key.key(), "=");
            if (keyName.empty() || keyName.front() == '[' || keyName.front() == ';'
                || keyName.front() == '#')
                refuse(keyField, "\"" + keyName + "\" cannot be a key in the settings file");
            for (const ProjectField &own : ProjectFields) {
                const auto *text = std::get_if<SettingsTextField>(&own.member);
                if (text && sectionName == text->section && keyName == text->key)
                    refuse(keyField, std::string("given by the field ") + own.name + " instead");
            }
            const std::string text = utf8Of(keyField, key.value());
            // How pictures are published is read by the program: only what it can use.
            if (sectionName == Model::SettingsKeys::Pictures) {
                const std::string problem = Model::pictureSettingProblem(keyName, text);
                if (!problem.empty())
                    refuse(keyField, "\"" + text + "\" " + problem);
            }
            settings.setValue(sectionName, keyName, text);
        }
    }
    return settings;
}

/// Applies one field of the JSON to the project.
void readField(Project &project, const ProjectField &field, const QString &name,
    const QJsonValue &value, const Model::ChoiceLists &lists)
{
    std::visit(Overloaded {
                   [&](Model::SiteType Project::*member) {
                       const std::string type = textOf(name, value, ShortTextLimit);
                       if (type != "Personal" && type != "Business")
                           refuse(name, "\"" + type + "\" is not Personal or Business");
                       project.*member = type == "Personal" ? Model::SiteType::Personal
                                                            : Model::SiteType::Business;
                   },
                   [&](std::string Project::*member) {
                       project.*member = textOf(name, value, ShortTextLimit);
                   },
                   [&](const ChoiceField &choice) {
                       project.*choice.member = visitEntries(choice.entries, lists,
                           [&](auto list) { return choiceOf(name, value, list); });
                   },
                   [&](ColorChoice Project::*member) { project.*member = colorOf(name, value); },
                   [&](bool Project::*member) { project.*member = flagOf(name, value); },
                   [&]<std::size_t N>(std::array<bool, N> Project::*member) {
                       const QJsonArray ticks = arrayOf<N>(name, value);
                       for (qsizetype i = 0; i < ticks.size(); ++i)
                           (project.*member)[static_cast<std::size_t>(i)] = flagOf(name, ticks[i]);
                   },
                   [&](std::array<std::string, Model::PageCount> Project::*member) {
                       const QJsonArray bodies = arrayOf<Model::PageCount>(name, value);
                       for (qsizetype i = 0; i < bodies.size(); ++i) {
                           (project.*member)[static_cast<std::size_t>(i)]
                               = textOf(name, bodies[i], std::string::npos);
                       }
                   },
                   [&](Model::ProjectSettings Project::*member) {
                       project.*member = settingsOf(name, value);
                   },
                   [&](const SettingsTextField &text) {
                       const std::string refusal
                           = text.set(project, textOf(name, value, ShortTextLimit));
                       // The refusal is a sentence of its own; here it goes before "; nothing".
                       if (!refusal.empty())
                           refuse(name, refusal.substr(0, refusal.find_last_not_of('.') + 1));
                   },
               },
        field.member);
}

/// A template or font family given both as a choice and by name in the settings must be the
/// same one; otherwise the project could not say which of them it means.
void checkChoiceNames(const QJsonObject &json, const Model::ProjectSettings &settings)
{
    for (const auto &[field, key] : { std::pair { "templateName", Model::SettingsKeys::Template },
             std::pair { "fontFamily", Model::SettingsKeys::FontFamily } }) {
        const std::optional<std::string> name = settings.value(Model::SettingsKeys::Choices, key);
        const QJsonValue given = json[field];
        if (name && given.isString() && given.toString().toStdString() != *name) {
            refuse(QString("settings.") + Model::SettingsKeys::Choices + "." + key,
                "\"" + *name + "\" is not the " + field + " \"" + given.toString().toStdString()
                    + "\"");
        }
    }
}

/// Whether the JSON names a font family past the six fixed stacks, so that the installed
/// families must be listed to find it.
bool namesInstalledFontFamily(const QJsonObject &json)
{
    const QJsonValue named
        = json["settings"][Model::SettingsKeys::Choices][Model::SettingsKeys::FontFamily];
    for (const QJsonValue &family : { json["fontFamily"], named }) {
        if (!family.isString())
            continue;
        const std::string name = family.toString().toStdString();
        if (std::none_of(Model::Lists::FixedFontFamilies.begin(),
                Model::Lists::FixedFontFamilies.end(),
                [&](const char *fixed) { return name == fixed; }))
            return true;
    }
    return false;
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
    // Every field is checked before anything is written. The texts kept in the settings
    // file are set once the settings object has been read, which would replace them.
    for (const bool settingsTexts : { false, true }) {
        for (auto entry = json.begin(); entry != json.end(); ++entry) {
            const auto field = std::find_if(
                std::begin(ProjectFields), std::end(ProjectFields), [&](const ProjectField &known) {
                    return entry.key() == QLatin1String(known.name);
                });
            if (field == std::end(ProjectFields))
                refuse(entry.key(), "no such field");
            if (std::holds_alternative<SettingsTextField>(field->member) == settingsTexts)
                readField(session.fields(), *field, entry.key(), entry.value(), lists);
        }
    }
    // A name in the settings chooses as it does when the project is opened; one that is not
    // installed is kept, with a warning.
    checkChoiceNames(json, session.fields().settings);
    printWarnings(Model::applyChoiceNames(session.fields(), lists));
    session.save(projectFile);
}

const ModuleVerbWork work("import", runImport);

} // namespace
} // namespace Cli
