// The output a writing call has open: the file being written and, for a
// database, the container handle and the memory it is gathered in. One per
// process, like the conversion state; a call made from inside another one
// (from a host callback) sets the outer call's output aside while it runs.
#pragma once

#include <memory>

#include "pdb/pdb.h"
#include "pdb/pdb_stream.h"
#include "platform/replacing_file.h"

struct DatabaseOutput {
    ReplacingFile file;        // swapped in over the target when complete
    PdbHandle* db = nullptr;   // owned; the database being written
    // The database is gathered here and stored into the file with one write
    // when it is closed: the same bytes, without a seek per record.
    std::unique_ptr<PdbMemoryFile> memory;
};

DatabaseOutput& Output();
