// A definition whose reading fails part way is no definition: nothing of
// it is applied (half of one could turn the columns around), and the file
// is named. The test seam fails the second read, past the first block.
#if defined(VEZUVED_IO_FAULTS) && !defined(_WIN32)

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "formats/format_file.h"
#include "platform/io_faults.h"
#include "state/conversion_state.h"
#include "support/diag_capture.h"
#include "support/test_support.h"

namespace {

TEST(FormatReadFault, AFailedReadAppliesNothingAndNamesTheFile) {
    TempFolder folder;
    const std::string path =
        folder.put("big.cal", "FieldCount=4\r\n" + std::string(20000, ';') + "\r\nHeaderLines=2\r\n");
    for (const long failing : {0L, 2L}) {
        SCOPED_TRACE(failing);
        ResetConversionState(State());
        CapturedDiagnostics said;
        FailIoCallAfter(IoCall::Read, failing, EIO);
        const int32_t result = LoadFormatFile(State(), path.c_str(), nullptr);
        FailIoCallAfter(IoCall::Read, 0, 0);
        EXPECT_EQ(failing != 0 ? -1 : 0, result);
        EXPECT_EQ(failing != 0 ? 7 : 4, State().FieldCount);
        EXPECT_EQ(failing != 0 ? 0 : 2, State().HeaderLines);
        EXPECT_EQ(failing != 0 ? "VEZUVed: cannot read '" + path + "': Input/output error\n" : "",
                  said.TakeCauses());
    }
    ResetConversionState(State());
}

}  // namespace

#endif
