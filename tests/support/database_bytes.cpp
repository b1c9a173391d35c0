#include "support/database_bytes.h"

namespace {
void PutU32(std::string& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>(v >> (24 - 8 * i));
}
void PutU16(std::string& out, size_t at, uint16_t v) {
    out[at] = static_cast<char>(v >> 8);
    out[at + 1] = static_cast<char>(v);
}
}  // namespace

std::string BuildDatabase(const DatabaseImage& image) {
    const size_t n = image.records.size();
    const size_t listEnd = 80 + 8 * n;
    std::string out(listEnd, '\0');
    out.replace(0, 4, "test");
    PutU16(out, 34, image.version);
    out.replace(60, 4, image.type);
    out.replace(64, 4, "ZiZu");
    PutU16(out, 76, static_cast<uint16_t>(n));
    if (!image.appInfo.empty()) {
        PutU32(out, 52, static_cast<uint32_t>(listEnd));
        out += image.appInfo;
    }
    for (size_t i = 0; i < n; ++i) {
        const RecordImage& r = image.records[i];
        size_t entry = 78 + 8 * i;
        if (r.deleted) {
            out[entry + 4] = static_cast<char>(0x80);
        } else {
            PutU32(out, entry, static_cast<uint32_t>(out.size()));
            out += r.data;
        }
        out[entry + 7] = static_cast<char>(i + 1);
    }
    return out;
}

RecordImage TextRecord(const std::string& line) {
    std::string data = line;
    data.push_back('\0');
    if (data.size() % 2 != 0) data.push_back('\0');
    data.append(22, '\0');
    return {data, false};
}

uint32_t U32At(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t{b[at]} << 24 | uint32_t{b[at + 1]} << 16 | uint32_t{b[at + 2]} << 8 | b[at + 3];
}

uint16_t U16At(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint16_t>(b[at] << 8 | b[at + 1]);
}

int32_t I32At(const std::vector<uint8_t>& b, size_t at) { return static_cast<int32_t>(U32At(b, at)); }
