#include "volume_file.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <type_traits>

namespace emu {
namespace {

const char kMagic[8] = {'V', 'Z', 'C', 'E', 'D', 'B', 'V', '\0'};
constexpr size_t kHeaderSize = 20;

uint32_t Crc32(const uint8_t* data, size_t size) {
    static uint32_t table[256];
    static bool ready = false;
    if (!ready) {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
        ready = true;
    }
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

class Writer {
public:
    void U16(uint32_t v) {
        bytes.push_back(static_cast<uint8_t>(v));
        bytes.push_back(static_cast<uint8_t>(v >> 8));
    }
    void U32(uint32_t v) {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void U64(uint64_t v) {
        U32(static_cast<uint32_t>(v));
        U32(static_cast<uint32_t>(v >> 32));
    }
    void Text(const WideText& text) {
        U32(static_cast<uint32_t>(text.size()));
        for (WCHAR c : text) U16(c);
    }
    std::vector<uint8_t> bytes;
};

class Reader {
public:
    Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool U16(uint16_t& v) {
        if (size_ - pos_ < 2) return false;
        v = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return true;
    }
    bool U32(uint32_t& v) {
        uint16_t lo, hi;
        if (!U16(lo) || !U16(hi)) return false;
        v = lo | (static_cast<uint32_t>(hi) << 16);
        return true;
    }
    // DWORD and the object ids are `unsigned long` on Windows, 32 bits too.
    template <typename T, typename = std::enable_if_t<!std::is_same<T, uint32_t>::value && sizeof(T) == 4>>
    bool U32(T& v) {
        uint32_t value;
        if (!U32(value)) return false;
        v = value;
        return true;
    }
    bool U64(uint64_t& v) {
        uint32_t lo, hi;
        if (!U32(lo) || !U32(hi)) return false;
        v = lo | (static_cast<uint64_t>(hi) << 32);
        return true;
    }
    // A count of items of at least itemSize bytes each that can still fit.
    bool Count(uint32_t& n, size_t itemSize) {
        return U32(n) && static_cast<uint64_t>(n) * itemSize <= size_ - pos_;
    }
    bool Text(WideText& text) {
        uint32_t n;
        if (!Count(n, 2)) return false;
        text.resize(n);
        for (uint32_t i = 0; i < n; ++i) {
            uint16_t c = 0;
            U16(c);
            text[i] = static_cast<WCHAR>(c);
        }
        return true;
    }
    bool Bytes(std::vector<uint8_t>& out) {
        uint32_t n;
        if (!Count(n, 1)) return false;
        out.assign(data_ + pos_, data_ + pos_ + n);
        pos_ += n;
        return true;
    }
    bool AtEnd() const { return pos_ == size_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

bool DecodePayload(Reader& in, Volume& volume, std::string& why) {
    uint32_t count;
    if (!in.U32(volume.nextOid) || !in.Count(count, 28)) return (why = "truncated volume header"), false;
    volume.databases.resize(count);
    for (Database& db : volume.databases) {
        uint32_t sorts;
        if (!in.U32(db.oid) || !in.U32(db.type) || !in.U32(db.flags) || !in.Text(db.name) ||
            !in.U64(db.modified) || !in.Count(sorts, 8) || sorts > CEDB_MAXSORTORDER)
            return (why = "damaged database header"), false;
        if (db.oid == 0 || db.name.empty() || db.name.size() >= CEDB_MAXDBASENAMELEN)
            return (why = "invalid database header"), false;
        db.sorts.resize(sorts);
        for (SORTORDERSPEC& sort : db.sorts)
            if (!in.U32(sort.propid) || !in.U32(sort.dwFlags)) return (why = "damaged sort order"), false;
        uint32_t records;
        if (!in.Count(records, 8)) return (why = "damaged record count"), false;
        db.records.resize(records);
        for (Record& record : db.records) {
            uint32_t props;
            if (!in.U32(record.oid) || record.oid == 0 || !in.Count(props, 6))
                return (why = "damaged record"), false;
            record.properties.resize(props);
            for (Property& prop : record.properties) {
                uint16_t flags;
                if (!in.U32(prop.id) || !in.U16(flags)) return (why = "damaged property"), false;
                prop.flags = flags;
                bool ok = true;
                switch (TypeFromPropID(prop.id)) {
                    case CEVT_I2:
                    case CEVT_UI2: {
                        uint16_t v = 0;
                        ok = in.U16(v);
                        prop.number = v;
                        break;
                    }
                    case CEVT_I4:
                    case CEVT_UI4:
                    case CEVT_BOOL: {
                        uint32_t v = 0;
                        ok = in.U32(v);
                        prop.number = v;
                        break;
                    }
                    case CEVT_R8:
                    case CEVT_FILETIME:
                        ok = in.U64(prop.number);
                        break;
                    case CEVT_LPWSTR:
                        ok = in.Text(prop.text);
                        break;
                    case CEVT_BLOB:
                        ok = in.Bytes(prop.blob);
                        break;
                    default:
                        ok = false;
                }
                if (!ok) return (why = "damaged property value"), false;
            }
        }
    }
    if (!in.AtEnd()) return (why = "trailing bytes after the last database"), false;
    return true;
}

}  // namespace

bool IsKnownPropertyType(WORD type) {
    switch (type) {
        case CEVT_I2:
        case CEVT_UI2:
        case CEVT_I4:
        case CEVT_UI4:
        case CEVT_BOOL:
        case CEVT_R8:
        case CEVT_FILETIME:
        case CEVT_LPWSTR:
        case CEVT_BLOB:
            return true;
        default:
            return false;
    }
}

std::vector<uint8_t> EncodeVolume(const Volume& volume) {
    Writer payload;
    payload.U32(volume.nextOid);
    payload.U32(static_cast<uint32_t>(volume.databases.size()));
    for (const Database& db : volume.databases) {
        payload.U32(db.oid);
        payload.U32(db.type);
        payload.U32(db.flags);
        payload.Text(db.name);
        payload.U64(db.modified);
        payload.U32(static_cast<uint32_t>(db.sorts.size()));
        for (const SORTORDERSPEC& sort : db.sorts) {
            payload.U32(sort.propid);
            payload.U32(sort.dwFlags);
        }
        payload.U32(static_cast<uint32_t>(db.records.size()));
        for (const Record& record : db.records) {
            payload.U32(record.oid);
            payload.U32(static_cast<uint32_t>(record.properties.size()));
            for (const Property& prop : record.properties) {
                payload.U32(prop.id);
                payload.U16(prop.flags);
                switch (TypeFromPropID(prop.id)) {
                    case CEVT_I2:
                    case CEVT_UI2:
                        payload.U16(static_cast<uint32_t>(prop.number & 0xFFFF));
                        break;
                    case CEVT_I4:
                    case CEVT_UI4:
                    case CEVT_BOOL:
                        payload.U32(static_cast<uint32_t>(prop.number));
                        break;
                    case CEVT_LPWSTR:
                        payload.Text(prop.text);
                        break;
                    case CEVT_BLOB:
                        payload.U32(static_cast<uint32_t>(prop.blob.size()));
                        payload.bytes.insert(payload.bytes.end(), prop.blob.begin(), prop.blob.end());
                        break;
                    default:
                        payload.U64(prop.number);
                        break;
                }
            }
        }
    }
    return SealVolume(payload.bytes);
}

std::vector<uint8_t> SealVolume(const std::vector<uint8_t>& payload) {
    Writer file;
    file.bytes.assign(kMagic, kMagic + sizeof(kMagic));
    file.U32(kVolumeFormatVersion);
    file.U32(static_cast<uint32_t>(payload.size()));
    file.U32(Crc32(payload.data(), payload.size()));
    file.bytes.insert(file.bytes.end(), payload.begin(), payload.end());
    return file.bytes;
}

bool LooksLikeVolume(const std::vector<uint8_t>& bytes) {
    return bytes.size() >= sizeof(kMagic) && std::memcmp(bytes.data(), kMagic, sizeof(kMagic)) == 0;
}

bool DecodeVolume(const std::vector<uint8_t>& bytes, Volume& volume, std::string* why) {
    std::string reason;
    Volume decoded;
    bool ok = false;
    if (bytes.size() < kHeaderSize || !LooksLikeVolume(bytes)) {
        reason = "not a database volume";
    } else {
        Reader header(bytes.data() + sizeof(kMagic), kHeaderSize - sizeof(kMagic));
        uint32_t version = 0, size = 0, crc = 0;
        header.U32(version);
        header.U32(size);
        header.U32(crc);
        if (version != kVolumeFormatVersion) {
            reason = "unknown volume format version " + std::to_string(version);
        } else if (size != bytes.size() - kHeaderSize) {
            reason = "volume size does not match its header";
        } else if (Crc32(bytes.data() + kHeaderSize, size) != crc) {
            reason = "volume checksum mismatch";
        } else {
            Reader payload(bytes.data() + kHeaderSize, size);
            ok = DecodePayload(payload, decoded, reason);
        }
    }
    if (!ok) {
        if (why != nullptr) *why = reason;
        return false;
    }
    volume = std::move(decoded);
    return true;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    bytes.clear();
    uint8_t chunk[8192];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof(chunk), file)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    const bool ok = std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}

#if defined(_WIN32)

DWORD SaveVolumeFile(const std::string& path, const Volume& volume) {
    const std::vector<uint8_t> bytes = EncodeVolume(volume);
    const std::string temporary = path + ".~new";
    HANDLE file = CreateFileA(
        temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_PATH_NOT_FOUND || error == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND
               : error == ERROR_DISK_FULL                                     ? ERROR_DISK_FULL
                                                                              : ERROR_ACCESS_DENIED;
    }
    DWORD written = 0;
    const BOOL complete =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size();
    CloseHandle(file);
    // rename() will not replace an existing file here; MoveFileEx does, in
    // one step, as rename does on POSIX.
    if (!complete || !MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(temporary.c_str());
        return ERROR_DISK_FULL;
    }
    return ERROR_SUCCESS;
}

#else

DWORD SaveVolumeFile(const std::string& path, const Volume& volume) {
    const std::vector<uint8_t> bytes = EncodeVolume(volume);
    const std::string temporary = path + ".~new";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno == ENOENT ? ERROR_PATH_NOT_FOUND
                               : (errno == ENOSPC ? ERROR_DISK_FULL : ERROR_ACCESS_DENIED);
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        written += static_cast<size_t>(n);
    }
    // No fsync: the rename guards against an interrupted process, which is
    // what the emulator models; a power cut is not, and syncing every record
    // write would make long copies crawl.
    const bool complete = written == bytes.size();
    ::close(fd);
    if (!complete || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return ERROR_DISK_FULL;
    }
    return ERROR_SUCCESS;
}

#endif

}  // namespace emu
