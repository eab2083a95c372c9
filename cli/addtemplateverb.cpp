#include "cli/clicommon.h"

#include "catalogue/templatearchive.h"
#include "platform/dialogs.h"
#include "platform/encoding.h"

#include <cstdio>
#include <iostream>

namespace Cli {
namespace {

/// The one question adding a template can ask, put on stderr and answered with a line on
/// stdin: "y" or "yes" replaces, anything else (or no input at all) keeps the old template.
class StdinAnswers : public Platform::Dialogs
{
public:
    bool confirm(const Platform::Message &question) override
    {
        std::fprintf(stderr, "%s [y/N] ", Platform::cp1252ToUtf8(question.text).c_str());
        std::fflush(stderr);
        std::string answer;
        std::getline(std::cin, answer);
        return answer == "y" || answer == "Y" || answer == "yes";
    }
    void notify(const Platform::Message &notice) override
    {
        std::fprintf(stderr, "%s\n", Platform::cp1252ToUtf8(notice.text).c_str());
    }
    std::string askText(const std::string &, const std::string &, const std::string &) override
    {
        return {};
    }
    std::optional<std::string> chooseFile(const Platform::FileDialogSpec &) override
    {
        return std::nullopt;
    }
    std::optional<Platform::Colour> chooseColour(Platform::Colour) override { return std::nullopt; }
    void openDocument(const std::string &) override { }
};

void runAddTemplate(const Invocation &invocation)
{
    StdinAnswers answers;
    const std::string archive = pathOperand(invocation.operands.at(0));
    if (const auto added = Catalogue::AddTemplateFromArchive(archive, invocation.homeDir, answers))
        printText(*added + "\n");
    else
        std::fprintf(stderr, "The template already installed was kept.\n");
}

const ModuleVerbWork work("add-template", runAddTemplate);

} // namespace
} // namespace Cli
