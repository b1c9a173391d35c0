// Creating point, route and track databases and filling them with records.
// The caller owns the DatabaseOutput a database is written into, from its
// creation to ClosePointDatabase, and names the kind it holds.
#pragma once

#include <cstdint>
#include <string>

#include "base/paths.h"
#include "pdb/pdb.h"
#include "platform/replacing_file.h"
#include "pointdb/database_output.h"
#include "record/point_record.h"

namespace vezuved {

constexpr uint32_t kFirstUniqueId = 0x110000;
constexpr uint32_t kUniqueIdStep = 5;
constexpr size_t kMaxDatabaseName = 31;
constexpr uint32_t kMaxDatabaseRecords = 65535;

// Whether a database can be created for the kind.
bool DatabaseKindIsWritable(int32_t kind);

// Creates a database of out.kind (in out.recordVersion) on out's file, gathered in memory. Returns
// 0, -1 for a kind that cannot be written, or the container's code.
int32_t CreatePointDatabase(DatabaseOutput& out, const char* name, uint32_t count);

// Creates folder + name + ".pdb" (out.path) and the database of out.kind in
// it. 0 or -1. The file is written beside the target and replaces it at
// ClosePointDatabase; an output that is the file `input` (when given) is
// refused.
int32_t CreatePointDatabaseFile(
    DatabaseOutput& out, const char* folder, const char* name, uint32_t count, const char* input = nullptr);

// Creates folder + name + ".rlp", ".rlt" or ".rlr" by out.kind (out.path) as
// out's file, bytes as stored, as CreatePointDatabaseFile does. 0 or -1.
int32_t OpenKindFile(DatabaseOutput& out, const char* folder, const char* name, const char* input = nullptr);

// Appends the point's record bytes as record `index` of out's database,
// its leg measured from previous (which then holds this point); raises a
// failure through CheckError and returns the container's code.
uint32_t WritePointRecord(DatabaseOutput& out, int32_t index, PointRecord& record, PreviousPoint& previous);

// Appends text and its NUL as record `index` (a null text as one zero byte).
uint32_t WriteTextRecord(DatabaseOutput& out, int32_t index, const char* text);

// Finishes the database being written and stores it in the output file,
// which then replaces the target. keep false (the writing failed): the
// output is discarded and the previous file stays. Returns 0, or pdbErrIO
// when the file could not be written (the cause is reported).
uint32_t ClosePointDatabase(DatabaseOutput& out, bool keep = true);

// Whether output is the very file input names (however spelt); the cause
// is reported when it is.
bool RefusedAsOutput(const char* input, const std::string& output, PathEncoding encoding);

// Opens output for path (refused when it is the file `input`); the cause
// is reported when it cannot be opened.
bool OpenOutputFile(ReplacingFile& output, const std::string& path, const char* input, PathEncoding encoding);

// Whether a database can hold count records; the cause is reported when not.
bool CountFits(uint64_t count);

// The database name a path gives: its last component, at most 31
// characters, without extension. A UTF-8 path (the core's) is cut where a
// character ends, never inside one; the ANSI path of the host's exports
// keeps its 31 bytes.
void DatabaseNameFromPath(const char* path,
                          char (&name)[kMaxDatabaseName + 1],
                          PathEncoding encoding = PathEncoding::Ansi);

}  // namespace vezuved
