// The Palm database container: reads, checks and writes the ".pdb" file
// format (78-byte header, record list, application info block, record
// data), knowing nothing of what the records mean. It works on a stream the
// caller lends (pdb_stream.h), prints nothing and throws nothing: every
// operation answers with one of the codes below, 0 for success.
//
// A handle remembers the first failure of an operation that records its
// outcome (the pending error) and answers every later such operation with
// it, so a caller may check once at the end of a sequence of writes.
#pragma once

#include <cstdint>

#include "pdb/pdb_stream.h"

namespace vezuved {

inline constexpr uint32_t pdbErrIndex = 1025;     // bad argument
inline constexpr uint32_t pdbErrNoRecord = 1026;  // index beyond the records; list full
inline constexpr uint32_t pdbErrMemory = 1029;
inline constexpr uint32_t pdbErrFormat = 1032;  // the file is not a sound database
inline constexpr uint32_t pdbErrIO = 1035;      // the stream failed or was short
inline constexpr uint32_t pdbErrCount = 1036;   // finished with the wrong record count

inline constexpr uint32_t pdbHandleMarker = 0xfeedfaceu;

inline constexpr uint16_t pdbModeRead = 0;
inline constexpr uint16_t pdbModeWrite = 1;

inline constexpr uint16_t pdbListResource = 1;  // 10-byte list entries
inline constexpr uint16_t pdbListRecord = 2;    // 8-byte list entries

inline constexpr uint16_t pdbAttrResourceDb = 0x0001;  // header attribute
inline constexpr uint16_t pdbRecAttrDeleted = 0x80;    // list entry attribute

// Palm dates count seconds from 1904 shifted by this constant (not the true
// 2082844800): dates already stored by the handheld side depend on it.
inline constexpr uint32_t pdbEpochOffset = 2082815970u;

// A type or creator code: first character in the most significant byte.
constexpr uint32_t PdbFourChars(const char (&code)[5]) {
    return static_cast<uint32_t>(static_cast<uint8_t>(code[0])) << 24 |
           static_cast<uint32_t>(static_cast<uint8_t>(code[1])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(code[2])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(code[3]));
}

// Host seconds since 1970 to a stored Palm date: 0 stays 0, anything else
// is shifted modulo 2^32.
uint32_t PdbDateFromHost(uint32_t hostSeconds);
// A stored Palm date to host seconds; a date before 1970 (stored 0
// included) becomes 0.
uint32_t PdbDateToHost(uint32_t palmDate);

// The state of one open database. Created by PdbOpen or PdbCreate, ended by
// PdbRelease or PdbFinish; the fields are the container's own.
struct PdbHandle {
    uint32_t marker;          // pdbHandleMarker while alive
    uint16_t mode;            // pdbModeRead or pdbModeWrite
    uint16_t listKind;        // pdbListResource or pdbListRecord
    PdbStream stream;         // borrowed from the caller
    uint32_t dataStart;       // write mode: the first byte after list and gap
    uint32_t dataEnd;         // write mode: where the next data block goes
    uint32_t recordCount;     // read mode: N; write mode: records added so far
    uint32_t capacity;        // N from the header or declared at creation
    uint32_t appInfoOffset;   // 0 when there is no block
    uint32_t sortInfoOffset;  // 0 when there is no block
    uint8_t modified;         // set once a record has been added
    uint32_t pendingError;
    uint8_t* readBuffer;  // last application info block or record read
    uint32_t readBufferCapacity;
};

// The database header, as PdbGetInfo reads it and PdbCreate writes it;
// dates in host seconds since 1970. The block offsets, nextList and
// listKind are the container's: read back, ignored when creating (the list
// kind follows the attributes). Only the low 16 bits of recordCount fit the
// header, but PdbCreate reserves that many entries.
struct PdbHeader {
    char name[32];  // NUL-terminated when read back and when set by PdbSetName
    uint16_t attributes;
    uint16_t version;
    uint32_t creationDate;
    uint32_t modificationDate;
    uint32_t backupDate;
    uint32_t modificationNumber;
    uint32_t appInfoOffset;
    uint32_t sortInfoOffset;
    uint32_t type;
    uint32_t creator;
    uint32_t uniqueIdSeed;
    uint32_t nextList;
    uint32_t recordCount;
    uint16_t listKind;
};

// Sets the header's name: at most 31 characters are kept; null is empty.
void PdbSetName(PdbHeader& header, const char* name);

struct PdbRecordEntry {
    uint32_t size;        // data bytes; 0 for a deleted record
    uint16_t attributes;  // the entry's attribute byte
    uint32_t uniqueId;    // 24 bits
};

// The whole structural check of a database; 0 or pdbErrFormat.
uint32_t PdbValidate(PdbStream* stream);

// Checks the stream and opens it for reading. On failure *handle is null.
uint32_t PdbOpen(PdbStream* stream, PdbHandle** handle);

// Writes the header of a new database and reserves its record list. The
// order of writing is fixed: create, application info block (if any),
// exactly recordCount records in index order, PdbFinish.
// On failure *handle is null.
uint32_t PdbCreate(PdbStream* stream, const PdbHeader& header, PdbHandle** handle);

// Re-reads the header.
uint32_t PdbGetInfo(PdbHandle* handle, PdbHeader* header);

// Size of the application info block; 0 when there is none.
uint32_t PdbAppInfoSize(PdbHandle* handle, uint32_t* size);

// Reads the application info block into the handle's buffer. *data and
// *size are null and 0 when there is no block or on failure (which is left
// pending in the handle).
void PdbReadAppInfo(PdbHandle* handle, const uint8_t** data, uint32_t* size);

// Writes the application info block; must come before the first record.
// The outcome is left pending in the handle.
void PdbWriteAppInfo(PdbHandle* handle, const void* data, uint32_t size);

// The list entry and data size of a record, without its data.
uint32_t PdbGetRecordEntry(PdbHandle* handle, uint32_t index, PdbRecordEntry* entry);

// Entry, size and data of a record; *data is null for a deleted record.
// The data lives in the handle's buffer until the next read or release.
uint32_t PdbReadRecord(PdbHandle* handle, uint32_t index, PdbRecordEntry* entry, const uint8_t** data);

// Appends a record (record databases only). A size of 0 stores no data and
// a data offset of 0, which readers accept only with the deleted attribute.
uint32_t PdbAddRecord(PdbHandle* handle, const PdbRecordEntry& entry, const void* data);

// Ends writing: pdbErrCount, with the handle still alive, unless exactly
// the declared number of records was added; otherwise releases the handle.
uint32_t PdbFinish(PdbHandle* handle);

// Frees the handle and its buffer; the stream stays open. Returns 0.
uint32_t PdbRelease(PdbHandle* handle);

}  // namespace vezuved
