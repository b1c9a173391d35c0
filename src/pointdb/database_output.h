// The output a writing call has open: the file being written and, for a
// database, the container handle and the memory it is gathered in, with
// the kind of what is written. Each writing call owns one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "pdb/pdb.h"
#include "pdb/pdb_stream.h"
#include "platform/replacing_file.h"
#include "state/conversion_state.h"

namespace vezuved {

struct DatabaseOutput {
    DatabaseOutput() = default;
    DatabaseOutput(const DatabaseOutput&) = delete;
    DatabaseOutput& operator=(const DatabaseOutput&) = delete;
    // A database never finished is released; the file, never committed,
    // leaves the previous target in place.
    ~DatabaseOutput() {
        if (db != nullptr) PdbRelease(db);
    }

    ReplacingFile file;       // swapped in over the target when complete
    PdbHandle* db = nullptr;  // owned; the database being written
    // The database is gathered here and stored into the file with one write
    // when it is closed: the same bytes, without a seek per record.
    std::unique_ptr<PdbMemoryFile> memory;
    std::string path;           // the target, once chosen
    int32_t kind = kKindPoint;  // of the records written
    // 2: tracks and routes in the older record layout (an older header).
    uint16_t recordVersion = 3;
    // How path, and the input it must not be, are spelt.
    PathEncoding paths = PathEncoding::Ansi;
};

}  // namespace vezuved
