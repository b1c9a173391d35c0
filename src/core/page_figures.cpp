#include "core/page_figures.h"

#include <cstdint>

#include "core/core_failure.h"
#include "sets/encoding.h"

namespace vezuved::core {
namespace {

std::string PageText(const char* text, const char* what, const std::string& path) {
    if (text == nullptr) return std::string();
    std::string checked(text);
    if (maps::FindInvalidUtf8(checked) != std::string::npos) {
        FailCore(VEZUVED_ERROR_ARGUMENT, "cannot write '" + path + "': " + what + " is no UTF-8 text");
    }
    return checked;
}

}  // namespace

maps::PageFigures PageFiguresOf(const vezuved_write_options& options, const std::string& path) {
    maps::PageFigures figures;
    if (options.page_cells == nullptr || options.page_rows == 0) {
        figures.note = PageText(options.page_note, "the page's note", path);
        return figures;
    }
    // No array of pointers in memory can hold more cells than the address space.
    const uint64_t cells =
        static_cast<uint64_t>(options.page_rows) * static_cast<uint64_t>(options.page_columns);
    if (options.page_rows < 0 || options.page_columns <= 0 || cells > SIZE_MAX / sizeof(const char*)) {
        FailCore(VEZUVED_ERROR_ARGUMENT,
                 "cannot write '" + path + "': a table of " + std::to_string(options.page_rows) +
                     " rows and " + std::to_string(options.page_columns) + " columns");
    }
    const size_t columns = static_cast<size_t>(options.page_columns);
    figures.table.resize(static_cast<size_t>(options.page_rows));
    for (size_t row = 0; row < figures.table.size(); ++row) {
        figures.table[row].reserve(columns);
        for (size_t column = 0; column < columns; ++column) {
            figures.table[row].push_back(
                PageText(options.page_cells[row * columns + column], "a cell of the page", path));
        }
    }
    return figures;
}

}  // namespace vezuved::core
