// Writing JSON, now the library's.
#pragma once

#include "maps/json_writer.h"
#include "files/library_names.h"
