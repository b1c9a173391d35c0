// Writing XML, now the library's.
#pragma once

#include "maps/xml_writer.h"
#include "files/library_names.h"
