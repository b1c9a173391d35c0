// The GPX writer, now the library's.
#pragma once

#include "files/library_names.h"
#include "maps/gpx_writer.h"
