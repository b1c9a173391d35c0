// The GPX writer, now the library's.
#pragma once

#include "maps/gpx_writer.h"
#include "files/library_names.h"
