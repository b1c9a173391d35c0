// The KML writer, now the library's.
#pragma once

#include "maps/kml_writer.h"
#include "files/library_names.h"
