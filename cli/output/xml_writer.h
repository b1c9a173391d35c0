// Writing XML, now the library's.
#pragma once

#include "files/library_names.h"
#include "maps/xml_writer.h"
