#include "publish/references.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>

using namespace Publish;

namespace {

/// A reading as lines of text, to compare and to show.
std::vector<std::string> shown(const BodyReading &reading)
{
    std::vector<std::string> lines;
    for (const BodyReference &reference : reading.references) {
        lines.push_back(std::to_string(reference.line) + (reference.picture ? " picture " : " ")
            + reference.target);
    }
    for (const PictureWithoutAlt &picture : reading.picturesWithoutAlt)
        lines.push_back(std::to_string(picture.line) + " no alt " + picture.source);
    return lines;
}

/// The distinct targets of a reading in the order they first appear.
std::vector<std::string> distinctTargets(const BodyReading &reading)
{
    std::vector<std::string> targets;
    std::set<std::string> seen;
    for (const BodyReference &reference : reading.references) {
        if (seen.insert(reference.target).second)
            targets.push_back(reference.target);
    }
    return targets;
}

/// Tag soup: tags that refer to files and tags that do not, broken and whole, with the
/// characters whose reading differs most between a tag loop and a parser.
std::string randomBody(std::mt19937 &random)
{
    static const std::vector<std::string> names { "a", "img", "IMG", "image", "input", "object",
        "param", "svg", "math", "td", "tr", "table", "frame", "frameset", "script", "style",
        "textarea", "title", "plaintext", "xmp", "iframe", "body", "html", "head", "template",
        "option", "select", "isindex", "embed", "video", "source", "link", "div", "p", "b",
        "foreignObject", "mi", "col", "caption", "noembed", "my-box", "img\xe9" };
    static const std::vector<std::string> attributes { "src", "href", "background", "poster",
        "data", "value", "style", "alt", "type", "name", "xlink:href", "SRC", "Href", "title",
        "=src", "src\"", "id" };
    static const std::vector<std::string> values { "a.jpg", "url(b.png)", "image", "IMAGE", "movie",
        " Movie ", " c d.gif ", "x&amp;y.png", "e&f", "caf\xe9.gif", "\x81\x9d.png", "l\r\nm.png",
        "n\ro.png", "\x01p.gif", std::string("q\0r.gif", 7),
        "color: red; background: url( 's.png' )", "url(\"t u.png\") url(v.gif", "", " ",
        "w.html#top", "&#x41;.gif", "&lt;x", "y\tz.png", "\x7f.gif", "a\fb.gif" };
    static const std::vector<std::string> junk { "<", "</", "<!--", "-->", "<!x>", "<?x>", ">",
        "/>", " ", "\n", "\r", "\r\n", "=", "\"", "'", "&", "&amp;", "text", "</svg>", "</math>",
        "</div>", "</script>", "</p>", "<br>", std::string(1, '\0'), "\xe9", "&copy", "/" };
    const auto pick = [&](const std::vector<std::string> &from) -> const std::string & {
        return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random)];
    };
    const auto chance
        = [&](int percent) { return std::uniform_int_distribution<int>(0, 99)(random) < percent; };
    std::string body;
    const int pieces = std::uniform_int_distribution<int>(1, 40)(random);
    for (int piece = 0; piece < pieces; ++piece) {
        if (chance(35)) {
            body += pick(junk);
            continue;
        }
        body += chance(10) ? "</" : "<";
        body += pick(names);
        const int count = std::uniform_int_distribution<int>(0, 4)(random);
        for (int i = 0; i < count; ++i) {
            body += pick({ " ", " ", "\n", "\r\n", "/", "\t", "" });
            body += pick(attributes);
            if (chance(20))
                continue;
            body += pick({ "=", "=", " = ", "=\n" });
            const std::string quote = pick({ "\"", "\"", "'", "" });
            std::string value = pick(values);
            if (quote.empty())
                value.erase(std::remove(value.begin(), value.end(), ' '), value.end());
            body += quote + value + (chance(95) ? quote : "");
        }
        if (chance(90))
            body += pick({ ">", "/>", " >", ">" });
        if (chance(40))
            body += pick({ "text\r\n", "\n", "x", "" });
    }
    // Now and then a few bytes of any value anywhere.
    while (!body.empty() && chance(30)) {
        body[std::uniform_int_distribution<std::size_t>(0, body.size() - 1)(random)]
            = static_cast<char>(std::uniform_int_distribution<int>(0, 255)(random));
    }
    return body;
}

} // namespace

TEST(ReadBodyReferences, FastReading_EqualsTheParsersReadingOfEveryTag)
{
    // The seeds of the fuzz targets that read bodies, and tag soup made at random.
    std::vector<std::string> bodies;
    for (const char *corpus : { "references", "renderpage" }) {
        const std::filesystem::path folder
            = std::filesystem::path(CORVANTA_SOURCE_DIR) / "fuzz/corpus" / corpus;
        for (const auto &entry : std::filesystem::directory_iterator(folder)) {
            std::ifstream in(entry.path(), std::ios::binary);
            std::ostringstream bytes;
            bytes << in.rdbuf();
            bodies.push_back(bytes.str());
        }
    }
    std::mt19937 random(27);
    const int count = std::getenv("CORVANTA_SOUP_BODIES")
        ? std::atoi(std::getenv("CORVANTA_SOUP_BODIES"))
        : 3000;
    for (int i = 0; i < count; ++i)
        bodies.push_back(randomBody(random));

    for (const std::string &body : bodies) {
        const BodyReading byParser = ReadBodyReferencesWithParser(body);
        ASSERT_EQ(shown(ReadBodyReferences(body)), shown(byParser)) << body;
        ASSERT_EQ(ReadBodyTargets(body), distinctTargets(byParser)) << body;
        ASSERT_EQ(shown(ReadPageBody(body).references), shown(byParser)) << body;
    }
}

TEST(ReadBodyFileTargets, ABodyChangedWhileItIsSeenInMemory_IsReadAsTheFileHoldsIt)
{
    Testing::TempDir dir;
    const std::string path = dir.file("1.dat");
    // Pages of text before the picture, so that cutting the file short takes whole pages of
    // the mapping away.
    const std::string filler(std::size_t(4) * 4096, 'x');
    Testing::writeBytes(path, filler + "<img src=\"far.jpg\">");
    const Platform::File file(path, Platform::File::Mode::Read);
    std::string buffer;
    {
        // Another program writes a shorter body in place: its pages past the new end are gone
        // from under the mapping, and the program goes on.
        const Platform::MappedFile mapping(file);
        ASSERT_TRUE(mapping.mapped());
        Testing::writeBytes(path, "<img src=\"near.jpg\">");
        EXPECT_EQ(
            ReadBodyFileTargets(file, mapping, buffer), std::vector<std::string> { "near.jpg" });
        EXPECT_FALSE(mapping.matchesFile());
    }
    // Or it adds to the body: the added reference counts, as the page copies it too.
    Testing::writeBytes(path, filler + "<img src=\"far.jpg\">");
    const Platform::MappedFile mapping(file);
    ASSERT_TRUE(mapping.mapped());
    std::ofstream(path, std::ios::app) << "<a href=\"added.pdf\">";
    EXPECT_EQ(ReadBodyFileTargets(file, mapping, buffer),
        (std::vector<std::string> { "far.jpg", "added.pdf" }));
}
