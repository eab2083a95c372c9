#include "tests/support/ziparchive.h"

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>

namespace Testing {

void writeZip(const std::string &path, const std::vector<ZipEntry> &entries)
{
    archive *writer = archive_write_new();
    archive_write_set_format_zip(writer);
    ASSERT_EQ(archive_write_open_filename(writer, path.c_str()), ARCHIVE_OK);
    for (const ZipEntry &item : entries) {
        archive_entry *entry = archive_entry_new();
        archive_entry_set_pathname(entry, item.name.c_str());
        if (item.kind == ZipEntry::Kind::Folder) {
            archive_entry_set_filetype(entry, AE_IFDIR);
            archive_entry_set_perm(entry, 0755);
        } else if (item.kind == ZipEntry::Kind::Link) {
            archive_entry_set_filetype(entry, AE_IFLNK);
            archive_entry_set_perm(entry, 0777);
            archive_entry_set_symlink(entry, item.bytes.c_str());
        } else {
            archive_entry_set_filetype(entry, AE_IFREG);
            archive_entry_set_perm(entry, 0644);
            archive_entry_set_size(entry, static_cast<la_int64_t>(item.bytes.size()));
        }
        EXPECT_EQ(archive_write_header(writer, entry), ARCHIVE_OK) << item.name;
        if (item.kind == ZipEntry::Kind::File)
            archive_write_data(writer, item.bytes.data(), item.bytes.size());
        archive_entry_free(entry);
    }
    EXPECT_EQ(archive_write_close(writer), ARCHIVE_OK);
    archive_write_free(writer);
}

} // namespace Testing
