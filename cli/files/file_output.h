// Files the tool writes itself: written beside their target and swapped in
// whole, so a failure leaves what was there; "-" is standard output.
#pragma once

#include <functional>
#include <string>

#include "files/document_sink.h"

namespace vezuved_cli {

// Writes text to path, failing with a sentence that names it.
void WriteFileOrFail(const std::string& path, const std::string& text);

// The same for a document written piece by piece into the sink: the target
// is replaced only when write returned and every byte reached the disk; a
// failure thrown by write leaves the target as it was.
void WriteFileOrFail(const std::string& path, const std::function<void(DocumentSink&)>& write);

}  // namespace vezuved_cli
