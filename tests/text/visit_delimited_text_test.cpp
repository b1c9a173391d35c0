// Reading a text into an array (header lines, Garmin lines that fill
// nothing, the placeholder slot of an older layout, descriptions that come
// and go), and visiting its records one at a time, which hands out the
// array's records slot for slot.
#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "support/diag_capture.h"
#include "support/test_support.h"
#include "text/delimited_text.h"

using namespace vezuved;

namespace {

// A record as the host sees it: its bytes, the description field's own
// (a handle) left out, then the description or "<null>".
std::string Image(const PointRecord& record) {
    const char* bytes = reinterpret_cast<const char*>(&record);
    const size_t desc = offsetof(PointRecord, desc), after = desc + sizeof record.desc;
    return std::string(bytes, desc) + std::string(bytes + after, sizeof record - after) + "|" +
           (DescText(record) ? DescText(record) : "<null>");
}

class VisitText : public FreshState {
protected:
    TempFolder folder;
};

TEST_F(VisitText, HandsOutTheArraysRecordsSlotForSlot) {
    // names: the array's slots, "name=description" where there is one.
    const struct {
        const char *text, *definition;
        int16_t source;
        const char* names;
    } rows[] = {
        {"lat,lon,ele,time,name,icon,desc\n1,2,3,,A,i,\n4,5,6,,B,i,\n7,8,9,,C,i,x\n",
         "HeaderLines=1\n",
         -1,
         "A|B|C=x"},
        // A Garmin file counts every line but fills only waypoints, with an empty description.
        {"Header\tx\nWaypoint\tA\t\t\tN1 2 E3 4\nTrackpoint\tN1 W2\nWaypoint\tB\t\t\tN1 2 E3 4\n",
         nullptr,
         3,
         "A=|B=||"},
        {"1,2,,,A,,\n3,4,,,B,,\n",
         "DBType=Track2\n",
         -1,
         "|A|B"},  // an older-layout track leaves slot 0 empty
        {"1,2,,,A,,first\n3,4,,,B,,\n\n5,6,,,C,,third\r\n7,8,,,D,,", nullptr, -1, "A=first|B|C=third|D"},
        {"\n\n\r\n", nullptr, -1, ""},
    };
    const std::string empty = Image(PointRecord{});
    int n = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        const std::string stem = "v" + std::to_string(++n);
        if (row.definition != nullptr) folder.put(stem + ".cal", row.definition);
        TextRequest request;
        request.source = folder.put(stem + ".txt", row.text);
        if (row.source >= 0) request.layout = static_cast<uint16_t>(row.source);
        CapturedDiagnostics said;
        void* records = nullptr;
        const int32_t count =
            RLDBReadCSV(request.source.c_str(), nullptr, -1, row.source, -1, nullptr, &records);
        std::map<int64_t, std::string> seen;
        ASSERT_EQ(VisitDelimitedText(request, [&](PointRecord& r, int64_t slot) { seen[slot] = Image(r); }),
                  count);
        EXPECT_TRUE(seen.empty() || seen.rbegin()->first < count);
        std::string names;
        for (int32_t i = 0; i < count; ++i) {
            const PointRecord& slot = static_cast<PointRecord*>(records)[i];
            // A slot no line fills (a Garmin line that is no waypoint, an older
            // track's first record) is not visited and reaches the host all zero.
            EXPECT_EQ(Image(slot), seen.count(i) ? seen[i] : empty) << "slot " << i;
            names += std::string(i == 0 ? "" : "|") + slot.name +
                     (DescText(slot) ? "=" + std::string(DescText(slot)) : "");
        }
        EXPECT_EQ(names, row.names);
        if (row.definition != nullptr) EXPECT_EQ(said.TakeOutput(), "");
        RLDBRelease(records, count > 0 ? count : 0);
    }
}

TEST_F(VisitText, MissingAndEmptyFilesAreRefused) {
    CapturedDiagnostics said;
    int calls = 0;
    const auto count = [&](PointRecord&, int64_t) { ++calls; };
    for (const std::string& path : {folder.file("none.txt"), folder.put("e.txt", ""), std::string()}) {
        TextRequest request;
        request.source = path;
        EXPECT_EQ(VisitDelimitedText(request, count), -1);
    }
    EXPECT_EQ(calls, 0);
}

}  // namespace
