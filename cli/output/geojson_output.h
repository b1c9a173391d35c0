// The GeoJSON writer, now the library's.
#pragma once

#include "maps/geojson_writer.h"
#include "files/library_names.h"
