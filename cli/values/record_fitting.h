// Texts fitted into the fields of a point record, now the library's.
#pragma once

#include "files/library_names.h"
#include "sets/record_fitting.h"
