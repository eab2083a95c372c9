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
constexpr int CacheVersion = 1;

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

} // namespace

// The workers, the cache and the progress share one loop here; to be split.
// NOLINTNEXTLINE(readability-function-size)
bool WritePictures(const std::vector<PendingPicture> &pending, const Platform::Directory &website,
    const Model::PictureSettings &settings, const std::optional<std::string> &cacheFolder,
    const PictureProgress &progress, const std::function<bool()> &cancelled,
    PublishedPictures &published)
{
    if (pending.empty())
        return true;
    std::optional<std::string> cache = cacheFolder;
    if (cache) {
        try {
            Platform::makePrivateFolder(*cache);
        } catch (const Platform::FileError &) {
            cache.reset(); // publishing goes on, only more slowly
        }
    }

    std::vector<PublishedPicture> results(pending.size());
    std::atomic<std::size_t> next { 0 };
    std::atomic<bool> stop { false };
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t working = 0;
    std::vector<std::size_t> begun; // the pictures in the order they were begun
    std::exception_ptr failure;
    const auto work = [&] {
        for (;;) {
            const std::size_t index = next++;
            if (stop || index >= pending.size())
                break;
            {
                const std::lock_guard lock(mutex);
                begun.push_back(index);
            }
            changed.notify_all();
            try {
                results[index] = publishOne(pending[index], website, settings, cache);
            } catch (...) {
                const std::lock_guard lock(mutex);
                if (!failure)
                    failure = std::current_exception();
                stop = true;
            }
        }
        const std::lock_guard lock(mutex);
        --working;
        changed.notify_all();
    };

    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::thread> threads;
    const std::size_t count = std::min(cores, pending.size());
    working = count; // before any thread starts, since each counts itself out when it ends
    for (std::size_t i = 0; i < count; ++i)
        threads.emplace_back(work);

    // The progress and the question whether to stop stay on the calling thread, which may be
    // a window's: each picture is named once, when it is begun.
    bool wasCancelled = false;
    {
        std::unique_lock lock(mutex);
        std::size_t shown = 0;
        for (;;) {
            const bool finished = working == 0;
            const std::vector<std::size_t> toShow(
                begun.begin() + std::ptrdiff_t(shown), begun.end());
            lock.unlock();
            for (const std::size_t index : toShow) {
                if (progress)
                    progress(shown, pending.size(), pending[index].sitePath);
                ++shown;
            }
            if (!wasCancelled && cancelled && cancelled()) {
                wasCancelled = true;
                stop = true;
            }
            lock.lock();
            if (finished && shown == begun.size())
                break;
            changed.wait_for(lock, std::chrono::milliseconds(100));
        }
    }
    for (std::thread &thread : threads)
        thread.join();
    if (failure)
        std::rethrow_exception(failure);
    if (wasCancelled)
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
        const PublishedPicture &copy = picture->second;

        const GumboAttribute *width = attributeOf(element, "width");
        const GumboAttribute *height = attributeOf(element, "height");
        const GumboAttribute *style = attributeOf(element, "style");
        std::string added;
        const std::string address(withoutHtmlBlanks(written));
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
            added += " srcset=\"" + srcset + address + " " + std::to_string(copy.width) + "w\"";
            added += " sizes=\"(max-width: " + shown + "px) 100vw, " + shown + "px\"";
        }
        // With a size of its own the picture would keep it on a narrow screen; it shrinks to
        // fit, keeping its shape, unless the page styles it already.
        if (!width && !height && !style) {
            added += " width=\"" + std::to_string(copy.width) + "\" height=\""
                + std::to_string(copy.height) + "\" style=\"max-width:100%;height:auto\"";
        }
        // Pictures below the first wait until the visitor scrolls near them, so that the
        // first screen comes up without them; a loading the person chose stays.
        if (shownBefore++ > 0 && !attributeOf(element, "loading"))
            added += " loading=\"lazy\"";
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
