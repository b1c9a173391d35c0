// The bytes of one map file as its reader takes them: a file on disk, what a
// gzip file unpacks to as it is read (any format's name with ".gz" after it),
// or an entry of an archive. A reader pulls them piece by piece or reads them
// as a stream; either way a failure names the file and its cause.
#pragma once

#include <cstddef>
#include <functional>
#include <istream>
#include <memory>
#include <string>
#include <string_view>

namespace vezuved::maps {

// The most one gzip file or archive entry may unpack to: a hostile file
// cannot fill the memory or time of its reader by claiming more.
constexpr unsigned long long kLargestUnpacked = 1ull << 30;

// Whether the name ends in ".gz", any case.
bool IsGzipName(std::string_view name);

class MapSource {
public:
    using Pull = std::function<size_t(char* bytes, size_t size)>;

    // The file at path (UTF-8), unpacked when its name ends in ".gz"; what
    // names it in messages. Fails when it cannot be opened.
    MapSource(const std::string& path, const std::string& what);
    // Bytes another reader pulls (an archive's entry), unpacked when gzipped.
    MapSource(Pull pull, const std::string& what, bool gzipped);
    ~MapSource();
    MapSource(const MapSource&) = delete;
    MapSource& operator=(const MapSource&) = delete;

    // Fills up to size bytes; 0 at the end.
    size_t Read(char* bytes, size_t size);
    // Every byte at once, for readers that take the file whole.
    std::string ReadAll();
    // The same bytes as a stream, for readers that take lines or a document.
    std::istream& Stream();

    const std::string& what() const { return what_; }
    // The file on disk when its bytes are the file's own, else empty: a
    // reader that opens the file by itself (a zip, the Windows XML reader)
    // may use it.
    const std::string& plainPath() const { return plainPath_; }

private:
    struct Unpacker;
    class Buffer;

    std::string what_;
    std::string plainPath_;
    Pull pull_;
    std::unique_ptr<Unpacker> unpacker_;
    std::unique_ptr<Buffer> buffer_;
    std::unique_ptr<std::istream> stream_;
};

}  // namespace vezuved::maps
