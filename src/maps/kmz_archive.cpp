// The one file that reads zip archives, so a build without libzip only
// loses this.
#include "maps/kmz_archive.h"

#include <fstream>

#include "base/ascii.h"
#include "maps/map_failure.h"
#include "maps/map_file_path.h"

#if defined(VEZUVED_HAVE_LIBZIP)
#include <zip.h>
#endif

using namespace vezuved;

namespace vezuved::maps {

bool IsZipFile(const std::string& path) {
    std::ifstream file(MapFilePath(path), std::ios::binary);
    char magic[4] = {};
    return file.read(magic, sizeof magic) && magic[0] == 'P' && magic[1] == 'K' && magic[2] == 3 &&
           magic[3] == 4;
}

#if defined(VEZUVED_HAVE_LIBZIP)
namespace {

struct Archive {
    zip_t* zip = nullptr;
    ~Archive() {
        if (zip != nullptr) zip_discard(zip);
    }
};

struct Entry {
    zip_file_t* file = nullptr;
    ~Entry() {
        if (file != nullptr) zip_fclose(file);
    }
};

bool EndsWithKml(std::string_view name) {
    return name.size() > 4 && AsciiLowered(std::string(name.substr(name.size() - 4))) == ".kml";
}

// doc.kml at the top, else the first .kml in the archive's order.
zip_uint64_t FindKml(zip_t* zip, const std::string& what) {
    const zip_int64_t doc = zip_name_locate(zip, "doc.kml", ZIP_FL_NOCASE);
    if (doc >= 0) return static_cast<zip_uint64_t>(doc);
    const zip_int64_t count = zip_get_num_entries(zip, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* name = zip_get_name(zip, static_cast<zip_uint64_t>(i), 0);
        if (name != nullptr && EndsWithKml(name)) return static_cast<zip_uint64_t>(i);
    }
    FailMap("cannot read '" + what + "': the KMZ holds no .kml file");
}

}  // namespace

void StreamKmz(const std::string& path, const std::string& what, XmlHandler& handler) {
    int code = 0;
    Archive archive;
    archive.zip = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (archive.zip == nullptr) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        const std::string cause = zip_error_strerror(&error);
        zip_error_fini(&error);
        FailMap("cannot read '" + what + "': it is no readable KMZ (zip archive): " + cause);
    }
    const zip_uint64_t index = FindKml(archive.zip, what);
    const std::string name = zip_get_name(archive.zip, index, 0);
    zip_stat_t stat;
    if (zip_stat_index(archive.zip, index, 0, &stat) == 0 && (stat.valid & ZIP_STAT_SIZE) != 0 &&
        stat.size > kLargestKmzKml) {
        FailMap("cannot read '" + what + "': its '" + name + "' would unpack to " +
                std::to_string(stat.size) + " bytes, more than the " + std::to_string(kLargestKmzKml) +
                " a KMZ may hold");
    }
    Entry entry;
    entry.file = zip_fopen_index(archive.zip, index, 0);
    if (entry.file == nullptr) {
        FailMap("cannot read '" + what + "': its '" + name +
                "' cannot be opened: " + zip_strerror(archive.zip));
    }
    unsigned long long total = 0;
    StreamXmlFrom(
        [&](char* bytes, size_t size) -> size_t {
            const zip_int64_t got = zip_fread(entry.file, bytes, size);
            if (got < 0) {
                FailMap("cannot read '" + what + "': its '" + name +
                        "' cannot be unpacked: " + zip_file_strerror(entry.file));
            }
            total += static_cast<unsigned long long>(got);
            if (total > kLargestKmzKml) {
                FailMap("cannot read '" + what + "': its '" + name + "' unpacks to more than the " +
                        std::to_string(kLargestKmzKml) + " bytes a KMZ may hold");
            }
            return static_cast<size_t>(got);
        },
        what,
        handler);
}

#else

void StreamKmz(const std::string&, const std::string& what, XmlHandler&) {
    FailMap("cannot read '" + what + "': reading KMZ needs a build with libzip");
}

#endif

}  // namespace vezuved::maps
