#include "tests/hardening/randomproject.h"

#include <algorithm>

namespace Hardening {
namespace {

using namespace Model;

/// Position `index` modulo the storable positions of a list of `size`, then none.
Choice cyclingChoice(std::size_t index, std::size_t size)
{
    const std::size_t storable = std::min<std::size_t>(size, 255);
    const std::size_t position = index % (storable + 1);
    return position == storable ? Choice() : Choice(position);
}

ColorChoice randomColour(std::mt19937 &random)
{
    return { randomText(random, random() % 8, false),
        static_cast<std::uint32_t>(random() & 0xFFFFFFu) };
}

} // namespace

std::string randomText(std::mt19937 &random, std::size_t length, bool lineBreaks)
{
    std::string text;
    text.reserve(length);
    while (text.size() < length) {
        if (lineBreaks && length - text.size() >= 2 && random() % 16 == 0)
            text += "\r\n";
        else
            text += static_cast<char>(random() & 0xFF);
    }
    return text;
}

Project randomProject(
    std::mt19937 &random, std::size_t index, const ChoiceLists &lists, std::size_t maxBodySize)
{
    Project project;
    const auto coin = [&] { return (random() & 1) != 0; };
    const auto shortText = [&] { return randomText(random, random() % 256, coin()); };

    project.siteType = coin() ? SiteType::Business : SiteType::Personal;
    project.templateName = cyclingChoice(index, lists.templates.size());
    project.siteTitle = shortText();
    project.siteDescription = shortText();
    project.siteKeywords = shortText();
    project.copyrightYears = shortText();
    project.logoPath = shortText();
    project.slogan = shortText();

    project.fontFamily = cyclingChoice(index, lists.fonts.size());
    project.fontColor = randomColour(random);
    project.fontSize = cyclingChoice(index, Lists::FontSizes.size());
    project.fontVariant = cyclingChoice(index, Lists::FontVariants.size());
    project.linkColor = randomColour(random);
    project.linkDecoration = cyclingChoice(index, Lists::Decorations.size());
    project.hoverColor = randomColour(random);
    project.hoverDecoration = cyclingChoice(index + 1, Lists::Decorations.size());
    project.activeColor = randomColour(random);
    project.activeDecoration = cyclingChoice(index + 2, Lists::Decorations.size());
    project.visitedColor = randomColour(random);
    project.visitedDecoration = cyclingChoice(index + 3, Lists::Decorations.size());
    project.listStyleType = cyclingChoice(index, Lists::ListStyles.size());
    project.imageBorderStyle = cyclingChoice(index, Lists::BorderStyles.size());
    project.imageBorderWidth = cyclingChoice(index, Lists::BorderSizes.size());
    project.imageBorderColor = randomColour(random);

    project.addTextNavigation = coin();
    project.addCopyrightFooter = coin();
    project.addMadeWithLink = coin();
    project.generateSitemap = coin();
    for (bool &tick : project.personalPages)
        tick = coin();
    for (bool &tick : project.businessPages)
        tick = coin();

    for (std::string &body : project.pageBody) {
        // Some pages empty, some ending in a line break, the rest anything.
        const std::size_t length = random() % 4 == 0 ? 0 : random() % (maxBodySize + 1);
        body = randomText(random, length, true);
        if (!body.empty() && coin())
            body += "\r\n";
    }
    return project;
}

} // namespace Hardening
