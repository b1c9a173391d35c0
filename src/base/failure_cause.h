// Why a call failed, in words: the result codes the host sees stay as they
// are, and the cause ("cannot write 'keep.pdb': No space left on device",
// "record 3: description longer than 65490 characters") goes to the
// debugger output line (standard error on POSIX), one line per failure.
#pragma once

#include <string>

// Sends the cause as one line "VEZUVed: <cause>" and keeps it as the last
// cause of this thread.
void ReportFailureCause(const std::string& cause) noexcept;

// The last cause reported on this thread ("" when none since the clear).
const std::string& LastFailureCause();
void ClearFailureCause();
