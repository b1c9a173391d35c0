// The KML writer, now the library's.
#pragma once

#include "files/library_names.h"
#include "maps/kml_writer.h"
