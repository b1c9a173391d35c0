// The end of a text file written whole or not at all: it replaces its
// target only when every write went through.
#pragma once

#include "platform/replacing_file.h"
#include "record/text_sink.h"

namespace vezuved {

// Writes what sink still holds, then commits output when no write through
// sink failed, otherwise discards it; a failure's cause is reported. True
// when the target was replaced.
bool FinishTextOutput(ReplacingFile& output, TextSink& sink);

}  // namespace vezuved
