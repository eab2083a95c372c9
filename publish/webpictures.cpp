#include "publish/webpictures.h"

#include "publish/webnames.h"

#include "platform/encoding.h"
#include "platform/fileerror.h"
#include "platform/userfolders.h"

#include <gumbo.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <mutex>
#include <sstream>
#include <thread>

#include <dlfcn.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Publish {

std::string variantName(std::string_view name, int width)
{
    const std::size_t slash = name.rfind('/');
    const std::size_t dot = name.rfind('.');
    const bool hasExtension
        = dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash + 1);
    const std::size_t cut = hasExtension ? dot : name.size();
    return std::string(name.substr(0, cut)) + "-" + std::to_string(width)
        + std::string(name.substr(cut));
}

std::size_t pictureWorkers(std::size_t cores, std::size_t pictures)
{
    // Each picture being made holds its file, its decoded pixels and its copies: about 40 MB
    // for a phone's photo, so three at once stay under 200 MB with the rest of publishing.
    constexpr std::size_t MostAtOnce = 3;
    return std::min({ cores, MostAtOnce, pictures });
}

std::optional<std::string> pictureCacheFolder()
{
    const std::optional<std::string> cache = Platform::userFolder(Platform::UserFolder::Cache);
    if (!cache)
        return std::nullopt;
    return *cache + "/corvanta/pictures";
}

const PictureModule &pictureModule()
{
    static std::once_flag loading;
    static PictureModule module;
    static std::string failure;
    std::call_once(loading, [] {
        std::string program(PATH_MAX, '\0');
        const ssize_t length = ::readlink("/proc/self/exe", program.data(), program.size());
        program.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
        const std::string programDir = program.substr(0, program.rfind('/') + 1);
        // Beside the program, in the library folder once installed, and where the build made
        // it for the programs and tests of that same build (never for a program elsewhere,
        // which would load whatever another user put there).
        std::vector<std::string> places = { programDir + PictureModuleName,
            programDir + CORVANTA_INSTALLED_MODULE_DIR "/" + PictureModuleName };
        if (programDir.starts_with(CORVANTA_BUILD_DIR "/"))
            places.push_back(std::string(CORVANTA_BUILD_MODULE_DIR "/") + PictureModuleName);
        for (const std::string &place : places) {
            void *loaded = ::dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (!loaded) {
                if (::access(place.c_str(), F_OK) == 0 && failure.empty())
                    failure = ::dlerror();
                continue;
            }
            module.hash = reinterpret_cast<PictureHashEntry>(::dlsym(loaded, PictureHashEntryName));
            module.make = reinterpret_cast<MakePictureEntry>(::dlsym(loaded, MakePictureEntryName));
            module.drawIcons
                = reinterpret_cast<DrawSiteIconsEntry>(::dlsym(loaded, DrawSiteIconsEntryName));
            if (module.hash && module.make && module.drawIcons)
                return;
            module = PictureModule();
        }
        if (failure.empty())
            failure = "Cannot open file " + Platform::utf8ToCp1252(places[1]);
    });
    if (!module.make)
        throw Platform::FileError(failure);
    return module;
}

namespace {

// ---- The cache: one folder per picture and settings, named by the picture's SHA-256 ----

constexpr const char *MainFile = "picture";
constexpr const char *InfoFile = "info";
/// Raised whenever what is made for the same picture and settings changes.
constexpr int CacheVersion = 2;

std::string entryFolder(
    const std::string &cache, const std::string &hash, const Model::PictureSettings &settings)
{
    return cache + "/" + hash + "-" + std::to_string(settings.longEdge) + "-v"
        + std::to_string(CacheVersion);
}

const char *kindName(PictureKind kind)
{
    switch (kind) {
    case PictureKind::WebCopy:
        return "webcopy";
    case PictureKind::LocationRemoved:
        return "located";
    case PictureKind::AsItIs:
        break;
    }
    return "asis";
}

std::optional<PublishedPicture> readEntry(const std::string &folder)
{
    std::FILE *file = std::fopen((folder + "/" + InfoFile).c_str(), "r");
    if (!file)
        return std::nullopt;
    char line[256] = {};
    const bool read = std::fgets(line, sizeof line, file) != nullptr;
    std::fclose(file);
    if (!read)
        return std::nullopt;
    std::istringstream in(line);
    std::string kind;
    PublishedPicture picture;
    if (!(in >> kind >> picture.width >> picture.height))
        return std::nullopt;
    for (int width; in >> width;)
        picture.variants.push_back(width);
    if (kind == "webcopy")
        picture.kind = PictureKind::WebCopy;
    else if (kind == "located")
        picture.kind = PictureKind::LocationRemoved;
    else if (kind != "asis")
        return std::nullopt;
    return picture;
}

bool writeWhole(const std::string &path, std::string_view bytes)
{
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

/// Keeps what was made in the cache. The entry is written in a hidden folder of its own and
/// renamed into place, so a run that reads it finds it whole or not at all. Failing to keep it
/// costs only time at the next run.
void storeEntry(const std::string &cache, const std::string &folder, const MadePicture &made)
{
    std::string temporary = cache + "/.new-XXXXXX";
    if (!::mkdtemp(temporary.data()))
        return;
    std::string info = kindName(made.kind);
    info += " " + std::to_string(made.width) + " " + std::to_string(made.height);
    bool written = true;
    if (made.kind != PictureKind::AsItIs)
        written = writeWhole(temporary + "/" + MainFile, made.bytes);
    for (const auto &[width, bytes] : made.variants) {
        info += " " + std::to_string(width);
        written = written && writeWhole(temporary + "/" + std::to_string(width), bytes);
    }
    written = written && writeWhole(temporary + "/" + InfoFile, info + "\n");
    std::error_code error;
    if (!written || ::rename(temporary.c_str(), folder.c_str()) != 0)
        std::filesystem::remove_all(temporary, error);
}

/// What the picture file is to the system: it is read again only when one of these changes.
std::string sourceKey(const Platform::File &source)
{
    struct stat status;
    if (::fstat(source.descriptor(), &status) != 0)
        return {};
    char key[160];
    std::snprintf(key, sizeof key, "%llx-%llx-%llx-%llx.%lx-%llx.%lx",
        static_cast<unsigned long long>(status.st_dev),
        static_cast<unsigned long long>(status.st_ino),
        static_cast<unsigned long long>(status.st_size),
        static_cast<unsigned long long>(status.st_mtim.tv_sec), status.st_mtim.tv_nsec,
        static_cast<unsigned long long>(status.st_ctim.tv_sec), status.st_ctim.tv_nsec);
    return key;
}

std::string readSmallFile(const std::string &path)
{
    std::FILE *file = std::fopen(path.c_str(), "r");
    if (!file)
        return {};
    char text[128] = {};
    const std::size_t count = std::fread(text, 1, sizeof text - 1, file);
    std::fclose(file);
    return std::string(text, count);
}

std::string readCached(const std::string &path)
{
    return Platform::readWholeFile(path, Platform::OpenFailure::NamedText);
}

void writeInto(const Platform::Directory &folder, const std::string &name, std::string_view bytes)
{
    Platform::File out = folder.createFile(name);
    out.write(bytes);
    out.close();
}

/// Makes one picture's files in the website, from the cache when it holds them.
PublishedPicture publishOne(const PendingPicture &pending, const Platform::Directory &website,
    const Model::PictureSettings &settings, const std::optional<std::string> &cache)
{
    const Platform::File source = pending.open();
    const Platform::Directory &folder = pending.folder ? *pending.folder : website;

    std::string memo;
    std::string hash;
    std::optional<PublishedPicture> found;
    std::string entry;
    if (cache) {
        const std::string key = sourceKey(source);
        if (!key.empty()) {
            memo = *cache + "/sources/" + key;
            hash = readSmallFile(memo);
        }
        if (hash.size() == 64) {
            entry = entryFolder(*cache, hash, settings);
            found = readEntry(entry);
        }
    }
    std::string bytes;
    MadePicture made;
    if (!found) {
        Platform::readWholeFile(source, bytes);
        const PictureModule &module = pictureModule();
        module.hash(bytes, hash);
        if (cache) {
            entry = entryFolder(*cache, hash, settings);
            found = readEntry(entry);
        }
        if (!found) {
            module.make(bytes, settings.longEdge, made);
            if (cache)
                storeEntry(*cache, entry, made);
            found = PublishedPicture { made.kind, made.width, made.height, {} };
            for (const auto &variant : made.variants)
                found->variants.push_back(variant.first);
        }
        if (!memo.empty()) {
            // The picture's hash under the name of what the system says of the file.
            const std::string temporary = memo + ".new" + std::to_string(::getpid());
            std::error_code error;
            std::filesystem::create_directories(*cache + "/sources", error);
            if (!writeWhole(temporary, hash) || ::rename(temporary.c_str(), memo.c_str()) != 0)
                std::filesystem::remove(temporary, error);
        }
    }

    PublishedPicture published = *found;
    published.variants.clear();
    const bool fromMemory = !made.bytes.empty() || !made.variants.empty();
    if (published.kind == PictureKind::AsItIs) {
        Platform::File out = folder.createFile(pending.name);
        out.writeContentsOf(source);
        out.close();
        return published;
    }
    writeInto(folder, pending.name, fromMemory ? made.bytes : readCached(entry + "/" + MainFile));
    for (const int width : found->variants) {
        // A file of the person's by that name stays; the page then does without this size.
        const std::string name = variantName(pending.name, width);
        std::optional<Platform::File> out = folder.createNewFile(name);
        if (!out)
            continue;
        if (fromMemory) {
            const auto variant = std::find_if(made.variants.begin(), made.variants.end(),
                [&](const auto &made) { return made.first == width; });
            out->write(variant->second);
        } else {
            out->write(readCached(entry + "/" + std::to_string(width)));
        }
        out->close();
        published.variants.push_back(width);
    }
    return published;
}

/// The cache folder, made private; none when it cannot be made: publishing goes on, only more
/// slowly.
std::optional<std::string> usableCache(const std::optional<std::string> &folder)
{
    if (!folder)
        return std::nullopt;
    try {
        Platform::makePrivateFolder(*folder);
    } catch (const Platform::FileError &) {
        return std::nullopt;
    }
    return folder;
}

/// The pictures of one run, made by worker threads that take them one at a time in order,
/// while the calling thread reports each as it is begun and asks whether to stop.
class PictureWorkers
{
public:
    PictureWorkers(const std::vector<PendingPicture> &pending, const Platform::Directory &website,
        const Model::PictureSettings &settings, std::optional<std::string> cache)
        : m_pending(pending)
        , m_website(website)
        , m_settings(settings)
        , m_cache(std::move(cache))
        , m_results(pending.size())
    { }
    PictureWorkers(const PictureWorkers &) = delete;
    PictureWorkers &operator=(const PictureWorkers &) = delete;
    ~PictureWorkers()
    {
        m_stop = true;
        m_threads.clear(); // joins them
    }

    void start(std::size_t count)
    {
        {
            // Counted before any thread starts, since each counts itself out when it ends.
            const std::lock_guard lock(m_mutex);
            m_working = count;
        }
        for (std::size_t i = 0; i < count; ++i) {
            try {
                m_threads.emplace_back([this] { work(); });
            } catch (...) {
                const std::lock_guard lock(m_mutex);
                m_working -= count - i; // those never started
                throw;
            }
        }
    }

    /// Names each picture once, when it is begun, and asks `cancelled` at least ten times a
    /// second, until every worker has ended; false when the run was cancelled.
    bool followUntilDone(const PictureProgress &progress, const std::function<bool()> &cancelled)
    {
        bool wasCancelled = false;
        std::unique_lock lock(m_mutex);
        std::size_t shown = 0;
        for (;;) {
            const bool finished = m_working == 0;
            const std::vector<std::size_t> toShow(
                m_begun.begin() + std::ptrdiff_t(shown), m_begun.end());
            lock.unlock();
            for (const std::size_t index : toShow) {
                if (progress)
                    progress(shown, m_pending.size(), m_pending[index].sitePath);
                ++shown;
            }
            if (!wasCancelled && cancelled && cancelled()) {
                wasCancelled = true;
                m_stop = true;
            }
            lock.lock();
            if (finished && shown == m_begun.size())
                return !wasCancelled;
            m_changed.wait_for(lock, std::chrono::milliseconds(100));
        }
    }

    /// What each picture became, in the order of `pending`; throws what a worker met first.
    const std::vector<PublishedPicture> &results() const
    {
        if (m_failure)
            std::rethrow_exception(m_failure);
        return m_results;
    }

private:
    void work()
    {
        for (;;) {
            const std::size_t index = m_next++;
            if (m_stop || index >= m_pending.size())
                break;
            {
                const std::lock_guard lock(m_mutex);
                m_begun.push_back(index);
            }
            m_changed.notify_all();
            try {
                m_results[index] = publishOne(m_pending[index], m_website, m_settings, m_cache);
            } catch (...) {
                const std::lock_guard lock(m_mutex);
                if (!m_failure)
                    m_failure = std::current_exception();
                m_stop = true;
            }
        }
        const std::lock_guard lock(m_mutex);
        --m_working;
        m_changed.notify_all();
    }

    const std::vector<PendingPicture> &m_pending;
    const Platform::Directory &m_website;
    const Model::PictureSettings &m_settings;
    const std::optional<std::string> m_cache;
    std::vector<PublishedPicture> m_results;
    std::atomic<std::size_t> m_next { 0 };
    std::atomic<bool> m_stop { false };
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::size_t m_working = 0;
    std::vector<std::size_t> m_begun; ///< the pictures in the order they were begun
    std::exception_ptr m_failure;
    std::vector<std::jthread> m_threads; ///< last, so that they end before the rest goes
};

} // namespace

bool WritePictures(const std::vector<PendingPicture> &pending, const Platform::Directory &website,
    const Model::PictureSettings &settings, const std::optional<std::string> &cacheFolder,
    const PictureProgress &progress, const std::function<bool()> &cancelled,
    PublishedPictures &published)
{
    if (pending.empty())
        return true;
    PictureWorkers workers(pending, website, settings, usableCache(cacheFolder));
    workers.start(
        pictureWorkers(std::max(1u, std::thread::hardware_concurrency()), pending.size()));
    // The progress and the question whether to stop stay on the calling thread, which may be
    // a window's.
    const bool finished = workers.followUntilDone(progress, cancelled);
    const std::vector<PublishedPicture> &results = workers.results();
    if (!finished)
        return false;
    for (std::size_t i = 0; i < pending.size(); ++i)
        published[pending[i].sitePath] = results[i];
    return true;
}

// ---- Sizes in the published pages ----

namespace {

const GumboAttribute *attributeOf(const GumboElement &element, const char *name)
{
    return gumbo_get_attribute(&element.attributes, name);
}

/// An attribute's value as written in the page, without its quotes.
std::string_view writtenValue(const GumboAttribute &attribute)
{
    std::string_view raw(attribute.original_value.data, attribute.original_value.length);
    if (raw.size() >= 2 && (raw.front() == '"' || raw.front() == '\'') && raw.back() == raw.front())
        raw = raw.substr(1, raw.size() - 2);
    return raw;
}

/// The address of a smaller copy, written as the picture's own address is: "-480" before the
/// extension. None when the address cannot be split so that it still names the copy, or
/// cannot stand in a srcset (a blank, a comma or a quote in it).
std::optional<std::string> variantAddress(std::string_view address, int width)
{
    if (address.find_first_of(" \t\n\r\f,\"'") != std::string_view::npos)
        return std::nullopt;
    const std::string_view path = address.substr(0, address.find_first_of("?#"));
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash)
        && path.find('%', dot) != std::string_view::npos)
        return std::nullopt;
    return variantName(path, width) + std::string(address.substr(path.size()));
}

bool isNumber(std::string_view text)
{
    return !text.empty() && text.size() < 6
        && text.find_first_not_of("0123456789") == std::string_view::npos;
}

struct Insertion
{
    std::size_t at;
    std::string text;
};

/// What a template says of the width of the column a picture stands in: a list of sizes for
/// the narrow windows where it knows the width ("(max-width: 700px) calc(100vw - 32px)"), on
/// an element around the page's text. Empty when it says nothing usable as attribute text.
std::string_view templateColumn(const GumboNode &picture)
{
    for (const GumboNode *node = picture.parent; node; node = node->parent) {
        if (node->type != GUMBO_NODE_ELEMENT)
            continue;
        const GumboAttribute *column = attributeOf(node->v.element, "data-picture-sizes");
        if (!column)
            continue;
        const std::string_view value = withoutHtmlBlanks(column->value);
        return value.find_first_of("\"&<>") == std::string_view::npos ? value : std::string_view();
    }
    return {};
}

/// What a web copy's tag gains: the smaller copies and the width it is shown at, its size, and
/// when to fetch it. `column` is what the template says of its column's width (a list of
/// sizes; may be empty), `before` how many web copies the page shows above it.
std::string addedAttributes(const GumboElement &element, std::string_view address,
    const PublishedPicture &copy, std::string_view column, int before)
{
    const GumboAttribute *width = attributeOf(element, "width");
    const GumboAttribute *loading = attributeOf(element, "loading");
    // Pictures below the first wait until the visitor scrolls near them, so that the first
    // screen comes up without them; a loading the person chose stays.
    const bool addLazy = before > 0 && !loading;
    const bool lazy = addLazy || (loading && ::strcasecmp(loading->value, "lazy") == 0);
    std::string added;
    std::string srcset;
    for (const int variant : copy.variants) {
        const std::optional<std::string> name = variantAddress(address, variant);
        if (!name) {
            srcset.clear();
            break;
        }
        srcset += *name + " " + std::to_string(variant) + "w, ";
    }
    if (!srcset.empty() && variantAddress(address, 1)) {
        const std::string shown
            = width && isNumber(width->value) ? width->value : std::to_string(copy.width);
        added += " srcset=\"" + srcset + std::string(address) + " " + std::to_string(copy.width)
            + "w\"";
        // A picture that waits is chosen by the width the page gives it ("auto"); the rest of
        // the list serves browsers that cannot, and pictures fetched before the page is laid
        // out: the template's column where it tells it and the picture sets no width of its
        // own, else the whole window up to the picture's width.
        added += std::string(" sizes=\"") + (lazy ? "auto, " : "");
        if (!width && !column.empty())
            added += std::string(column) + ", ";
        added += "(max-width: " + shown + "px) 100vw, " + shown + "px\"";
    }
    // With a size of its own the picture would keep it on a narrow screen; it shrinks to fit,
    // keeping its shape, unless the page styles it already.
    if (!width && !attributeOf(element, "height") && !attributeOf(element, "style")) {
        added += " width=\"" + std::to_string(copy.width) + "\" height=\""
            + std::to_string(copy.height) + "\" style=\"max-width:100%;height:auto\"";
    }
    if (addLazy)
        added += " loading=\"lazy\"";
    // The first picture is most likely the largest thing on the first screen: it is fetched
    // before the pictures that wait, and ahead of the page's other pictures.
    if (!lazy && before == 0 && !attributeOf(element, "fetchpriority"))
        added += " fetchpriority=\"high\"";
    return added;
}

void findPictures(const GumboNode *root, std::string_view page,
    const std::map<std::string, std::string, std::less<>> &targets,
    const PublishedPictures &published, std::vector<Insertion> &insertions)
{
    std::vector<const GumboNode *> pending { root };
    int shownBefore = 0; // web copies met so far, in the order of the page
    while (!pending.empty()) {
        const GumboNode *node = pending.back();
        pending.pop_back();
        if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE)
            continue;
        const GumboElement &element = node->v.element;
        for (unsigned i = element.children.length; i > 0; --i)
            pending.push_back(static_cast<const GumboNode *>(element.children.data[i - 1]));
        if (element.tag != GUMBO_TAG_IMG || !element.original_tag.data
            || element.original_tag.length < 5 || attributeOf(element, "srcset"))
            continue;
        const GumboAttribute *source = attributeOf(element, "src");
        if (!source || !source->original_value.data)
            continue;
        const std::string_view written = writtenValue(*source);
        // What the page refers to, as the copying read it: entities decoded, in UTF-8.
        const std::string target(withoutHtmlBlanks(written.find('&') == std::string_view::npos
                ? std::string_view(Platform::cp1252ToUtf8(written))
                : std::string_view(source->value)));
        const auto sitePath = targets.find(target);
        if (sitePath == targets.end())
            continue;
        const auto picture = published.find(sitePath->second);
        if (picture == published.end() || picture->second.kind != PictureKind::WebCopy)
            continue;
        std::string added = addedAttributes(element, withoutHtmlBlanks(written), picture->second,
            templateColumn(*node), shownBefore++);
        if (added.empty())
            continue;
        // At the end of the tag, so that an attribute the person wrote comes first and counts.
        const std::size_t start = static_cast<std::size_t>(element.original_tag.data - page.data());
        std::size_t at = start + element.original_tag.length - 1;
        if (page[at - 1] == '/'
            && (isHtmlBlank(page[at - 2]) || page[at - 2] == '"' || page[at - 2] == '\''))
            --at;
        insertions.push_back({ at, std::move(added) });
    }
}

} // namespace

void AddPictureSizes(const Platform::Directory &website, const std::string &pageFile,
    const std::map<std::string, std::string, std::less<>> &targets,
    const PublishedPictures &published)
{
    std::string page;
    {
        Platform::File file = website.openBeneath(pageFile);
        Platform::readWholeFile(file, page);
    }
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0;
    GumboOutput *output = gumbo_parse_with_options(&options, page.data(), page.size());
    std::vector<Insertion> insertions;
    findPictures(output->root, page, targets, published, insertions);
    gumbo_destroy_output(&options, output);
    if (insertions.empty())
        return;
    std::sort(insertions.begin(), insertions.end(),
        [](const Insertion &a, const Insertion &b) { return a.at > b.at; });
    for (const Insertion &insertion : insertions)
        page.insert(insertion.at, insertion.text);
    writeInto(website, pageFile, page);
}

} // namespace Publish
