// An HTML page's figures as the write options give them, checked.
#pragma once

#include <string>

#include "maps/html_writer.h"
#include "vezuved/vezuved_core.h"

namespace vezuved::core {

// The table of page_cells (page_rows by page_columns), or page_note. Fails
// (VEZUVED_ERROR_ARGUMENT) for a negative count, rows without columns, or
// a text that is no UTF-8; a null cell is empty.
maps::PageFigures PageFiguresOf(const vezuved_write_options& options, const std::string& path);

}  // namespace vezuved::core
