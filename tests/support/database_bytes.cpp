#include "support/database_bytes.h"

namespace {
void PutBig(std::string& out, size_t at, uint32_t v, int width) {
    for (int i = 0; i < width; ++i) out[at + i] = static_cast<char>(v >> (8 * (width - 1 - i)));
}
}  // namespace

std::string BuildDatabase(const DatabaseImage& image) {
    const size_t n = image.records.size();
    const size_t listEnd = 80 + 8 * n;
    std::string out(listEnd, '\0');
    out.replace(0, 4, "test");
    PutBig(out, 34, image.version, 2);
    out.replace(60, 4, image.type);
    out.replace(64, 4, "ZiZu");
    PutBig(out, 76, static_cast<uint32_t>(n), 2);
    if (!image.appInfo.empty()) {
        PutBig(out, 52, static_cast<uint32_t>(listEnd), 4);
        out += image.appInfo;
    }
    for (size_t i = 0; i < n; ++i) {
        const RecordImage& r = image.records[i];
        size_t entry = 78 + 8 * i;
        if (r.deleted) {
            out[entry + 4] = static_cast<char>(0x80);
        } else {
            PutBig(out, entry, static_cast<uint32_t>(out.size()), 4);
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
