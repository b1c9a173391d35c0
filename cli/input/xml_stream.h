// Reading XML piece by piece, now the library's.
#pragma once

#include "maps/xml_stream.h"
#include "files/library_names.h"
