// The one file that unpacks gzip, so a build without zlib only loses this.
#include "maps/map_source.h"

#include <algorithm>
#include <fstream>
#include <streambuf>
#include <vector>

#include "base/ascii.h"
#include "maps/map_failure.h"
#include "maps/map_file_path.h"

#if defined(VEZUVED_HAVE_ZLIB)
#include <zlib.h>
#endif

namespace vezuved::maps {

bool IsGzipName(std::string_view name) {
    return name.size() > 3 && AsciiLowered(std::string(name.substr(name.size() - 3))) == ".gz";
}

#if defined(VEZUVED_HAVE_ZLIB)

// Inflates what the source pulls: every member of a gzip file in turn (a
// file may be several gzip files one after another, as `cat` makes them).
struct MapSource::Unpacker {
    Pull packed;
    std::string what;
    z_stream zip{};
    std::vector<unsigned char> input = std::vector<unsigned char>(64 * 1024);
    bool ended = false;
    unsigned long long total = 0;

    Unpacker(Pull source, const std::string& name) : packed(std::move(source)), what(name) {
        if (inflateInit2(&zip, 15 + 16) != Z_OK) FailMap("cannot read '" + what + "': memory ran out");
    }
    ~Unpacker() { inflateEnd(&zip); }

    size_t Read(char* bytes, size_t size) {
        const uInt room = static_cast<uInt>(std::min<size_t>(size, 1u << 30));
        zip.next_out = reinterpret_cast<Bytef*>(bytes);
        zip.avail_out = room;
        while (zip.avail_out == room && !ended) {
            if (zip.avail_in == 0) {
                zip.avail_in = static_cast<uInt>(packed(reinterpret_cast<char*>(input.data()), input.size()));
                zip.next_in = input.data();
                if (zip.avail_in == 0) {
                    FailMap("cannot read '" + what + "': its gzip data ends early (" + std::to_string(total) +
                            " bytes unpacked)");
                }
            }
            const int code = inflate(&zip, Z_NO_FLUSH);
            if (code == Z_STREAM_END) {
                // Another member may follow; only the end of the input ends the file.
                if (zip.avail_in == 0) {
                    zip.avail_in =
                        static_cast<uInt>(packed(reinterpret_cast<char*>(input.data()), input.size()));
                    zip.next_in = input.data();
                }
                if (zip.avail_in == 0) {
                    ended = true;
                } else {
                    inflateReset(&zip);
                }
            } else if (code != Z_OK && code != Z_BUF_ERROR) {
                FailMap("cannot read '" + what + "': it is no readable gzip file (" +
                        (zip.msg != nullptr ? zip.msg : "zlib error " + std::to_string(code)) + ")");
            }
        }
        const size_t got = room - zip.avail_out;
        total += got;
        if (total > kLargestUnpacked) {
            FailMap("cannot read '" + what + "': it unpacks to more than the " +
                    std::to_string(kLargestUnpacked) + " bytes a gzip file may hold");
        }
        return got;
    }
};

#else

struct MapSource::Unpacker {
    Unpacker(const Pull&, const std::string& what) {
        FailMap("cannot read '" + what + "': reading a .gz file needs a build with zlib");
    }
    size_t Read(char*, size_t) { return 0; }
};

#endif

// The stream over Read, for readers of lines and documents.
class MapSource::Buffer : public std::streambuf {
public:
    explicit Buffer(MapSource& source) : source_(source) {}

protected:
    int_type underflow() override {
        const size_t got = source_.Read(bytes_.data(), bytes_.size());
        if (got == 0) return traits_type::eof();
        setg(bytes_.data(), bytes_.data(), bytes_.data() + got);
        return traits_type::to_int_type(bytes_[0]);
    }

private:
    MapSource& source_;
    std::vector<char> bytes_ = std::vector<char>(64 * 1024);
};

MapSource::MapSource(const std::string& path, const std::string& what) : what_(what) {
    auto file = std::make_shared<std::ifstream>(MapFilePath(path), std::ios::binary);
    if (!*file) FailMap("cannot read '" + what + "': the file cannot be opened");
    pull_ = [file, what](char* bytes, size_t size) {
        file->read(bytes, static_cast<std::streamsize>(size));
        if (file->bad()) FailMap("cannot read '" + what + "': the file cannot be read to its end");
        return static_cast<size_t>(file->gcount());
    };
    if (IsGzipName(path)) {
        unpacker_ = std::make_unique<Unpacker>(pull_, what);
    } else {
        plainPath_ = path;
    }
}

MapSource::MapSource(Pull pull, const std::string& what, bool gzipped) : what_(what), pull_(std::move(pull)) {
    if (gzipped) unpacker_ = std::make_unique<Unpacker>(pull_, what);
}

MapSource::~MapSource() = default;

size_t MapSource::Read(char* bytes, size_t size) {
    if (size == 0) return 0;
    return unpacker_ ? unpacker_->Read(bytes, size) : pull_(bytes, size);
}

std::string MapSource::ReadAll() {
    std::string bytes;
    std::vector<char> piece(64 * 1024);
    for (size_t got; (got = Read(piece.data(), piece.size())) != 0;) bytes.append(piece.data(), got);
    return bytes;
}

std::istream& MapSource::Stream() {
    if (!stream_) {
        buffer_ = std::make_unique<Buffer>(*this);
        stream_ = std::make_unique<std::istream>(buffer_.get());
        // A failure while reading is thrown on, not turned into the end of the stream.
        stream_->exceptions(std::ios::badbit);
    }
    return *stream_;
}

}  // namespace vezuved::maps
