// The GeoJSON writer, now the library's.
#pragma once

#include "files/library_names.h"
#include "maps/geojson_writer.h"
