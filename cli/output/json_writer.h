// Writing JSON, now the library's.
#pragma once

#include "files/library_names.h"
#include "maps/json_writer.h"
