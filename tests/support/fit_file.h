// FIT files assembled byte by byte, as a device writes them: definitions in
// either byte order, developer fields, compressed timestamps, 12- or 14-byte
// headers and both CRCs.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace fit_test {

// Base types as a definition gives them.
constexpr int kEnum = 0x00, kSint8 = 0x01, kUint8 = 0x02, kUint16 = 0x84, kSint32 = 0x85, kUint32 = 0x86,
              kText = 0x07, kByte = 0x0D;
// 2021-09-08T01:46:40Z in FIT seconds; its low five bits are 0.
constexpr int64_t kT0 = 1000000000;
constexpr int64_t kNone32 = 0x7FFFFFFF;  // sint32's invalid value

// Degrees as semicircles; the test's degrees are multiples of 180 / 2^11, exact both ways.
inline int64_t Deg(double degrees) { return static_cast<int64_t>(degrees / 180.0 * 2147483648.0); }

inline uint16_t Crc(const std::string& bytes) {
    static const uint16_t kTable[16] = {0x0000,
                                        0xCC01,
                                        0xD801,
                                        0x1400,
                                        0xF001,
                                        0x3C00,
                                        0x2800,
                                        0xE401,
                                        0xA001,
                                        0x6C00,
                                        0x7800,
                                        0xB401,
                                        0x5000,
                                        0x9C01,
                                        0x8801,
                                        0x4400};
    uint16_t crc = 0;
    for (const char c : bytes) {
        const auto byte = static_cast<uint8_t>(c);
        crc = static_cast<uint16_t>((crc >> 4) ^ kTable[crc & 0xF] ^ kTable[byte & 0xF]);
        crc = static_cast<uint16_t>((crc >> 4) ^ kTable[crc & 0xF] ^ kTable[byte >> 4]);
    }
    return crc;
}

inline std::string Little(uint64_t value, size_t size) {
    std::string bytes;
    for (size_t i = 0; i < size; ++i) bytes += static_cast<char>(value >> (8 * i) & 0xFF);
    return bytes;
}

struct Field {
    int number, size, type;
};

// A field's value: a number in the field's size and byte order, or a text
// padded with NULs to it.
struct Value {
    Value(int number) : number(number) {}
    Value(unsigned number) : number(number) {}
    Value(int64_t number) : number(number) {}
    Value(const char* text) : text(text), isText(true) {}
    int64_t number = 0;
    std::string text;
    bool isText = false;
};

// The messages of a FIT file as a device writes them, then the file: header, data, CRC.
class Fit {
public:
    Fit& Define(int local,
                int global,
                std::vector<Field> fields,
                bool bigEndian = false,
                std::vector<Field> developer = {}) {
        data_ += static_cast<char>(0x40 | (developer.empty() ? 0 : 0x20) | local);
        data_ += '\0';
        data_ += static_cast<char>(bigEndian ? 1 : 0);
        const std::string number = Little(static_cast<uint64_t>(global), 2);
        data_ += bigEndian ? std::string(number.rbegin(), number.rend()) : number;
        data_ += static_cast<char>(fields.size());
        for (const Field& f : fields)
            data_ += {static_cast<char>(f.number), static_cast<char>(f.size), static_cast<char>(f.type)};
        if (!developer.empty()) {
            data_ += static_cast<char>(developer.size());
            for (const Field& f : developer)
                data_ += {static_cast<char>(f.number), static_cast<char>(f.size), '\0'};
            fields.insert(fields.end(), developer.begin(), developer.end());
        }
        definitions_[local] = {fields, bigEndian};
        return *this;
    }
    // A data message; compressed: a compressed timestamp header of offset seconds.
    Fit& Data(int local, const std::vector<Value>& values, int offset = -1) {
        data_ += static_cast<char>(offset < 0 ? local : 0x80 | local << 5 | offset);
        const Definition& definition = definitions_.at(local);
        for (size_t i = 0; i < values.size(); ++i) {
            const size_t size = static_cast<size_t>(definition.fields.at(i).size);
            if (values[i].isText) {
                data_ += (values[i].text + std::string(size, '\0')).substr(0, size);
                continue;
            }
            const std::string number = Little(static_cast<uint64_t>(values[i].number), size);
            data_ += definition.bigEndian ? std::string(number.rbegin(), number.rend()) : number;
        }
        return *this;
    }
    Fit& Raw(const std::string& bytes) {
        data_ += bytes;
        return *this;
    }
    // The whole file, its header of 14 bytes (with a CRC, unless zero) or 12.
    std::string File(int headerSize = 14, bool headerCrc = true) const {
        std::string file = {static_cast<char>(headerSize), 0x20};
        file += Little(2132, 2) + Little(data_.size(), 4) + ".FIT";
        if (headerSize == 14) file += Little(headerCrc ? Crc(file) : 0, 2);
        file += data_;
        return file + Little(Crc(file), 2);
    }

private:
    struct Definition {
        std::vector<Field> fields;
        bool bigEndian;
    };
    std::string data_;
    std::map<int, Definition> definitions_;
};

}  // namespace fit_test
