// Where a document goes while it is written, now the library's.
#pragma once

#include "files/library_names.h"
#include "maps/document_sink.h"
