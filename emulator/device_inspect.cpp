#include "device_inspect.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "sets/calendar.h"
#include "volume_file.h"

namespace emu {
namespace {

namespace fs = std::filesystem;

std::string Narrow(const WideText& text) {
    std::string bytes;
    for (WCHAR c : text) bytes.push_back(static_cast<char>(c & 0xFF));
    return bytes;
}

// A FILETIME as UTC "YYYY-MM-DD hh:mm:ss.fffffff", counted in days from
// 1601 in 64 bits, not through the C library's time_t: every FILETIME has
// its date, the same on every platform.
std::string TimeText(uint64_t filetime) {
    constexpr int64_t kDaysFrom1601To1970 = 134774;
    const uint64_t seconds = filetime / 10000000u;
    int year = 0, month = 0, day = 0;
    vezuved::maps::CivilFromDays(
        static_cast<int64_t>(seconds / 86400) - kDaysFrom1601To1970, year, month, day);
    const auto second = static_cast<unsigned>(seconds % 86400);
    char text[64];
    std::snprintf(text,
                  sizeof(text),
                  "%04d-%02d-%02d %02u:%02u:%02u.%07u UTC",
                  year,
                  month,
                  day,
                  second / 3600,
                  second / 60 % 60,
                  second % 60,
                  static_cast<unsigned>(filetime % 10000000u));
    return text;
}

std::string TypeText(DWORD type) {
    char code[5] = {static_cast<char>(type >> 24),
                    static_cast<char>(type >> 16),
                    static_cast<char>(type >> 8),
                    static_cast<char>(type),
                    0};
    const bool printable = std::all_of(code, code + 4, [](char c) { return c >= 0x20 && c < 0x7F; });
    char text[32];
    std::snprintf(text,
                  sizeof(text),
                  "0x%08X%s%s%s",
                  static_cast<unsigned>(type),
                  printable ? " \"" : "",
                  printable ? code : "",
                  printable ? "\"" : "");
    return text;
}

std::string ValueText(const Property& prop) {
    char text[64];
    switch (TypeFromPropID(prop.id)) {
        case CEVT_I2:
            std::snprintf(text, sizeof(text), "i2 %d", static_cast<int16_t>(prop.number));
            return text;
        case CEVT_UI2:
            std::snprintf(text, sizeof(text), "ui2 %u", static_cast<unsigned>(prop.number));
            return text;
        case CEVT_I4:
            std::snprintf(text, sizeof(text), "i4 %d", static_cast<int32_t>(prop.number));
            return text;
        case CEVT_UI4:
            std::snprintf(text, sizeof(text), "ui4 %u", static_cast<uint32_t>(prop.number));
            return text;
        case CEVT_BOOL:
            return prop.number != 0 ? "bool true" : "bool false";
        case CEVT_R8: {
            double v;
            std::memcpy(&v, &prop.number, sizeof(v));
            std::snprintf(text, sizeof(text), "r8 %.10g", v);
            return text;
        }
        case CEVT_FILETIME:
            return "filetime " + TimeText(prop.number);
        case CEVT_LPWSTR:
            return "text \"" + Narrow(prop.text) + "\"";
        case CEVT_BLOB:
            return "blob " + std::to_string(prop.blob.size()) + " bytes";
        default:
            return "?";
    }
}

uint64_t FileTimeOf(const fs::path& path) {
    std::error_code error;
    const auto when = fs::last_write_time(path, error);
    if (error) return 0;
    const auto since = std::chrono::duration_cast<std::chrono::nanoseconds>(
        when - fs::file_time_type::clock::now() + std::chrono::system_clock::now().time_since_epoch());
    return static_cast<uint64_t>(since.count() / 100 + 116444736000000000LL);
}

void PrintVolume(const Volume& volume, std::FILE* out) {
    std::fprintf(out,
                 "    volume: %zu database(s), next object id %u\n",
                 volume.databases.size(),
                 static_cast<unsigned>(volume.nextOid));
    for (const Database& db : volume.databases) {
        std::fprintf(out,
                     "    database \"%s\" oid %u type %s flags 0x%X records %zu modified %s\n",
                     Narrow(db.name).c_str(),
                     static_cast<unsigned>(db.oid),
                     TypeText(db.type).c_str(),
                     static_cast<unsigned>(db.flags),
                     db.records.size(),
                     TimeText(db.modified).c_str());
        for (const SORTORDERSPEC& sort : db.sorts)
            std::fprintf(out,
                         "      sort property 0x%08X flags 0x%X\n",
                         static_cast<unsigned>(sort.propid),
                         static_cast<unsigned>(sort.dwFlags));
        for (const Record& record : db.records) {
            std::fprintf(out, "      record oid %u\n", static_cast<unsigned>(record.oid));
            for (const Property& prop : record.properties)
                std::fprintf(out,
                             "        property %u (0x%08X): %s\n",
                             static_cast<unsigned>(PropIndexFromPropID(prop.id)),
                             static_cast<unsigned>(prop.id),
                             ValueText(prop).c_str());
        }
    }
}

}  // namespace

int InspectDevice(const std::string& root, std::FILE* out) {
    std::error_code error;
    if (!fs::is_directory(root, error)) {
        std::fprintf(out, "Not a device folder: %s\n", root.c_str());
        return 1;
    }
    std::vector<fs::path> files;
    for (auto it = fs::recursive_directory_iterator(root, error);
         !error && it != fs::recursive_directory_iterator();
         it.increment(error))
        files.push_back(it->path());
    std::sort(files.begin(), files.end());
    std::fprintf(out, "Device at %s\n", root.c_str());
    for (const fs::path& path : files) {
        std::string device = "\\" + fs::relative(path, root, error).generic_string();
        std::replace(device.begin(), device.end(), '/', '\\');
        if (fs::is_directory(path, error)) {
            std::fprintf(out, "%s\\\n", device.c_str());
            continue;
        }
        const uintmax_t size = fs::file_size(path, error);
        std::fprintf(out,
                     "%s  %ju bytes  %s\n",
                     device.c_str(),
                     error ? uintmax_t{0} : size,
                     TimeText(FileTimeOf(path)).c_str());
        std::vector<uint8_t> bytes;
        if (!ReadWholeFile(path.string(), bytes) || !LooksLikeVolume(bytes)) continue;
        Volume volume;
        std::string why;
        if (DecodeVolume(bytes, volume, &why))
            PrintVolume(volume, out);
        else
            std::fprintf(out, "    damaged volume: %s\n", why.c_str());
    }
    return 0;
}

}  // namespace emu
