// Reading XML piece by piece, now the library's.
#pragma once

#include "files/library_names.h"
#include "maps/xml_stream.h"
