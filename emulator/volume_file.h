// The emulated handheld's database volume: its databases and records in
// memory, and the file that holds them on disk.
//
// File layout (all integers little-endian):
//   8 bytes  magic "VZCEDBV\0"
//   u32      format version (1)
//   u32      payload size in bytes
//   u32      CRC-32 of the payload
//   payload  u32 next object id, u32 database count, then per database:
//            u32 oid, u32 type, u32 flags, text name, u64 last-modified,
//            u32 sort count + (u32 propid, u32 flags) each,
//            u32 record count + per record: u32 oid, u32 property count +
//            per property: u32 propid, u16 flags, value by type
//            (I2/UI2 u16; I4/UI4/BOOL u32; R8/FILETIME u64; LPWSTR text;
//            BLOB u32 size + bytes). A text is u32 units + UTF-16 units.
// Every change is written to a temporary file beside it and renamed into
// place, so the file on disk is always one complete version; a file whose
// magic, version, size or checksum is wrong is refused, never half-read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "device/ce_types.h"

// Device text: UTF-16 units in the platform's WCHAR (char16_t on POSIX).
using WideText = std::basic_string<WCHAR>;

namespace emu {

struct Property {
    CEPROPID id = 0;
    WORD flags = 0;
    uint64_t number = 0;        // integers, BOOL, the bits of R8, FILETIME
    WideText text;              // CEVT_LPWSTR
    std::vector<uint8_t> blob;  // CEVT_BLOB
};

struct Record {
    CEOID oid = 0;
    std::vector<Property> properties;
};

struct Database {
    CEOID oid = 0;
    DWORD type = 0;
    DWORD flags = 0;
    WideText name;
    uint64_t modified = 0;  // FILETIME value
    std::vector<SORTORDERSPEC> sorts;
    std::vector<Record> records;  // in the order they were created
};

struct Volume {
    CEOID nextOid = 0x00010001;
    std::vector<Database> databases;
};

constexpr uint32_t kVolumeFormatVersion = 1;

bool IsKnownPropertyType(WORD type);

std::vector<uint8_t> EncodeVolume(const Volume& volume);
// The file's header over a payload: magic, version, size and checksum.
std::vector<uint8_t> SealVolume(const std::vector<uint8_t>& payload);
// False (with a reason) for anything but one complete, intact volume.
bool DecodeVolume(const std::vector<uint8_t>& bytes, Volume& volume, std::string* why);
// True when the bytes start with the volume magic (intact or not).
bool LooksLikeVolume(const std::vector<uint8_t>& bytes);

// Whole-file read; false when the file cannot be read.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes);
// Temporary file + rename. Returns 0 or a Windows error value.
DWORD SaveVolumeFile(const std::string& path, const Volume& volume);

}  // namespace emu
