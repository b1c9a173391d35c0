// IGC flights read through the core: dates, midnight, the altitude chosen,
// tasks as routes, and records that cannot be read.

#include "core_text.h"

TEST(CoreIgc, FlightsTasksAndTheirDates) {
    const ReadCase flights[] = {
        {"across midnight, GNSS altitudes, a task with a place holder",
         "AXXX\r\nHFDTE160701\r\nHFPLTPILOTINCHARGE: Bill\r\nC160701120000160701000102 Triangle\r\n"
         "C0000000N00000000E\r\nC4745633N01132683E Start\r\nC4729500S01500000W Turn point\r\n"
         "B2359590100000N00200000EA0010000120\r\nB0000010100100N00200100EA0010500125\r\nLXXX a comment\r\n"
         "G1234\r\n",
         "T 'flight 2001-07-16' 2: 2,1^120@995327999000 2.0016666666666665,"
         "1.0016666666666667^125@995328001000\nR 'Triangle' 2: 11.544716666666666,47.76055 'Start' -15,"
         "-47.49166666666667 'Turn point'\n",
         "0 DIR/flight.igc: 1 task point(s) at 0 degrees, 0 degrees (places not declared) left out\n"
         "0 DIR/flight.igc: elevations are the GNSS altitudes; the pressure altitudes are not kept\n"},
        {"the newer date form, pressure altitudes alone, a fix that cannot be read",
         "HFDTEDATE:040920,01\nB1200000100000S00200000WA0050000000\nB12000X0100000S00200000WA0050000000\n"
         "B1200050100000S00200000WA-001200000\nB120010\nB2400100100000S00200000WA0050000000\n",
         "T 'flight 2020-09-04' 2: -2,-1^500@1599220800000 -2,-1^-12@1599220805000\n",
         "3 DIR/flight.igc:3: fix 2: 'B12000X0100000S00200000WA0050000000' is no B record; the point is left "
         "out\n5 DIR/flight.igc:5: fix 3: 'B120010' is no B record; the point is left out\n"
         "6 DIR/flight.igc:6: fix 3: 'B2400100100000S00200000WA0050000000' is no B record; the point is left "
         "out\n"
         "0 DIR/flight.igc: elevations are the pressure altitudes: the recorder gave no GNSS altitude\n"},
        {"no date: fixes without times",
         "AXXX\nB1200000100000N00200000EA0000000000\n",
         "T 'flight' 1: 2,1\n",
         "0 DIR/flight.igc: no HFDTE record gives the flight's date; its fixes have no time\n"},
        {"a date February has not",
         "HFDTE300299\nB1200000100000N00200000EA0000000000\n",
         "T 'flight' 1: 2,1\n",
         "1 DIR/flight.igc:1: the date '300299' cannot be read\n0 DIR/flight.igc: no HFDTE record gives the "
         "flight's date; its fixes have no time\n"},
        {"names in Windows-1252, read as such",
         "C160701120000160701000102 Gr\xfcnten\r\nC4745633N01132683E H\xf6rnle\r\n",
         "R 'Gr\xc3\xbcnten' 1: 11.544716666666666,47.76055 'H\xc3\xb6rnle'\n"},
        {"a declaration with other than digits starts no task: its points are the file's one task",
         "C16070112000016070100010X Bad\r\nC4745633N01132683E Start\r\n",
         "R 'task' 1: 11.544716666666666,47.76055 'Start'\n"},
        {"headers alone",
         "AXXX\nHFDTE160701\n",
         "",
         "cannot convert 'DIR/flight.igc': it holds no points, routes or tracks",
         VEZUVED_ERROR_FORMAT},
    };
    for (const ReadCase& f : flights)
        EXPECT_EQ(ReadOutcome("flight.igc", f.file), Outcome(f.result, f.sets, f.warnings)) << f.what;
}
