// The one file that reads zip archives, so a build without libzip only
// loses this.
#include "maps/zip_archive.h"

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

struct ZipArchive::Handle {
    zip_t* zip = nullptr;
    ~Handle() {
        if (zip != nullptr) zip_discard(zip);
    }
};

ZipArchive::ZipArchive(const std::string& path, const std::string& what, Kind kind)
    : what_(what), kind_(kind), handle_(std::make_unique<Handle>()) {
    int code = 0;
    handle_->zip = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (handle_->zip == nullptr) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        const std::string cause = zip_error_strerror(&error);
        zip_error_fini(&error);
        FailMap("cannot read '" + what + "': it is no readable " +
                (kind == Kind::Kmz ? "KMZ (zip archive)" : "zip archive") + ": " + cause);
    }
}

ZipArchive::~ZipArchive() = default;

size_t ZipArchive::size() const {
    const zip_int64_t count = zip_get_num_entries(handle_->zip, 0);
    return count < 0 ? 0 : static_cast<size_t>(count);
}

std::string ZipArchive::Name(size_t index) const {
    const char* name = zip_get_name(handle_->zip, index, 0);
    return name == nullptr ? "" : name;
}

size_t ZipArchive::Find(const std::string& name) const {
    const zip_int64_t found = zip_name_locate(handle_->zip, name.c_str(), ZIP_FL_NOCASE);
    return found < 0 ? size() : static_cast<size_t>(found);
}

std::unique_ptr<MapSource> ZipArchive::Open(size_t index, const std::string& entryWhat) {
    const std::string name = Name(index), its = "cannot read '" + what_ + "': its '" + name + "' ";
    const std::string most = std::to_string(kLargestUnpacked) +
                             (kind_ == Kind::Kmz ? " a KMZ may hold" : " one file of an archive may hold");
    zip_stat_t stat;
    if (zip_stat_index(handle_->zip, index, 0, &stat) == 0 && (stat.valid & ZIP_STAT_SIZE) != 0 &&
        stat.size > kLargestUnpacked) {
        FailMap(its + "would unpack to " + std::to_string(stat.size) + " bytes, more than the " + most);
    }
    std::shared_ptr<zip_file_t> file(zip_fopen_index(handle_->zip, index, 0), [](zip_file_t* open) {
        if (open != nullptr) zip_fclose(open);
    });
    if (!file) FailMap(its + "cannot be opened: " + zip_strerror(handle_->zip));
    auto total = std::make_shared<unsigned long long>(0);
    MapSource::Pull pull = [file, total, its, most](char* bytes, size_t size) -> size_t {
        const zip_int64_t got = zip_fread(file.get(), bytes, size);
        if (got < 0) FailMap(its + "cannot be unpacked: " + zip_file_strerror(file.get()));
        *total += static_cast<unsigned long long>(got);
        if (*total > kLargestUnpacked) FailMap(its + "unpacks to more than the " + most);
        return static_cast<size_t>(got);
    };
    return std::make_unique<MapSource>(std::move(pull), entryWhat, IsGzipName(name));
}

#else

struct ZipArchive::Handle {};

ZipArchive::ZipArchive(const std::string&, const std::string& what, Kind kind) {
    FailMap("cannot read '" + what + "': reading " + (kind == Kind::Kmz ? "KMZ" : "a zip archive") +
            " needs a build with libzip");
}

ZipArchive::~ZipArchive() = default;
size_t ZipArchive::size() const { return 0; }
std::string ZipArchive::Name(size_t) const { return ""; }
size_t ZipArchive::Find(const std::string&) const { return 0; }
std::unique_ptr<MapSource> ZipArchive::Open(size_t, const std::string&) { return nullptr; }

#endif

namespace {

bool EndsWithKml(const std::string& name) {
    return name.size() > 4 && AsciiLowered(name.substr(name.size() - 4)) == ".kml";
}

}  // namespace

std::vector<std::string> StreamKmz(const std::string& path, const std::string& what, XmlHandler& handler) {
    ZipArchive archive(path, what, ZipArchive::Kind::Kmz);
    size_t first = archive.Find("doc.kml");
    for (size_t i = 0; first == archive.size() && i < archive.size(); ++i) {
        if (EndsWithKml(archive.Name(i))) first = i;
    }
    if (first == archive.size()) FailMap("cannot read '" + what + "': the KMZ holds no .kml file");
    std::vector<std::string> read;
    // The first KML is named by the KMZ's name: that is the file the user knows.
    const auto stream = [&](size_t index, const std::string& named) {
        std::unique_ptr<MapSource> kml = archive.Open(index, named);
        StreamXmlSource(*kml, handler);
        read.push_back(archive.Name(index));
    };
    stream(first, what);
    for (size_t i = 0; i < archive.size(); ++i) {
        if (i != first && EndsWithKml(archive.Name(i))) stream(i, what + ":" + archive.Name(i));
    }
    return read;
}

}  // namespace vezuved::maps
