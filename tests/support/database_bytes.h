// Point databases assembled byte by byte, independently of the library's
// writer, and big-endian field readers for checking written files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RecordImage {
    std::string data;  // the record's bytes; empty with deleted = true for a deleted entry
    bool deleted = false;
};

struct DatabaseImage {
    std::string type = "PoLi";
    uint16_t version = 3;
    std::string appInfo;  // empty: none
    std::vector<RecordImage> records;
};

std::string BuildDatabase(const DatabaseImage& image);

// A record holding a text line, its NUL and a zero trailer.
RecordImage TextRecord(const std::string& line);

uint32_t U32At(const std::vector<uint8_t>& bytes, size_t at);
uint16_t U16At(const std::vector<uint8_t>& bytes, size_t at);
