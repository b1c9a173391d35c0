// Reading a text into an array (header lines, Garmin lines that fill
// nothing, the placeholder slot of an older layout, descriptions that come
// and go), and visiting its records one at a time, which hands out the
// array's records slot for slot.
#include <cstring>
#include <string>
#include <vector>

#include "support/diag_capture.h"
#include "support/test_support.h"
#include "text/delimited_text.h"

using namespace vezuved;

namespace {

struct Seen {
    int64_t slot;
    std::vector<unsigned char> fields;  // every byte before the description field
    std::string desc;
    bool hasDesc;
};

std::vector<unsigned char> Fields(const PointRecord& record) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&record);
    return std::vector<unsigned char>(bytes, bytes + offsetof(PointRecord, desc));
}

class VisitText : public FreshState {
protected:
    TempFolder folder;
};

TEST_F(VisitText, HandsOutTheArraysRecordsSlotForSlot) {
    // names: the array's slots, "name=description" where there is one.
    const struct {
        const char* text;
        const char* definition;
        int16_t source;
        const char* names;
    } rows[] = {
        // Header lines skipped.
        {"lat,lon,ele,time,name,icon,desc\n1,2,3,,A,i,\n4,5,6,,B,i,\n7,8,9,,C,i,x\n",
         "HeaderLines=1\n",
         -1,
         "A|B|C=x"},
        // A Garmin file counts every line but fills only waypoints.
        {"Header\tx\nWaypoint\tA\t\t\tN1 2 E3 4\nTrackpoint\tN1 W2\nWaypoint\tB\t\t\tN1 2 E3 4\n",
         nullptr,
         3,
         "A=|B=||"},  // waypoints get an empty description
        {"1,2,,,A,,\n3,4,,,B,,\n",
         "DBType=Track2\n",
         -1,
         "|A|B"},  // an older-layout track leaves slot 0 empty
        {"1,2,,,A,,first\n3,4,,,B,,\n\n5,6,,,C,,third\r\n7,8,,,D,,", nullptr, -1, "A=first|B|C=third|D"},
        {"\n\n\r\n", nullptr, -1, ""},
    };
    int n = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        const std::string stem = "v" + std::to_string(++n);
        if (row.definition != nullptr) folder.put(stem + ".cal", row.definition);
        const std::string path = folder.put(stem + ".txt", row.text);

        CapturedDiagnostics said;
        void* records = nullptr;
        const int32_t count = RLDBReadCSV(path.c_str(), nullptr, -1, row.source, -1, nullptr, &records);
        std::vector<Seen> seen;
        TextRequest request;
        request.source = path;
        if (row.source >= 0) request.layout = static_cast<uint16_t>(row.source);
        const int32_t visited = VisitDelimitedText(request, [&](PointRecord& record, int64_t slot) {
            const char* desc = DescText(record);
            seen.push_back({slot, Fields(record), desc ? desc : "", desc != nullptr});
        });
        ASSERT_EQ(visited, count);
        size_t next = 0;
        for (int32_t i = 0; i < count; ++i) {
            const PointRecord& slot = static_cast<PointRecord*>(records)[i];
            const char* desc = DescText(slot);
            if (next < seen.size() && seen[next].slot == i) {
                EXPECT_EQ(seen[next].fields, Fields(slot)) << "slot " << i;
                EXPECT_EQ(seen[next].hasDesc, desc != nullptr) << "slot " << i;
                EXPECT_EQ(seen[next].desc, desc ? desc : "") << "slot " << i;
                ++next;
            }
            // A slot no line fills (the Garmin lines that are not waypoints, an
            // older track's first record) reaches the host all zero.
            if (slot.name[0] == '\0' && desc == nullptr) {
                const auto* bytes = reinterpret_cast<const unsigned char*>(&slot);
                EXPECT_EQ(std::vector<unsigned char>(bytes, bytes + sizeof slot),
                          std::vector<unsigned char>(sizeof slot, 0))
                    << "slot " << i;
            }
        }
        EXPECT_EQ(next, seen.size());
        std::string names;
        for (int32_t i = 0; i < count; ++i) {
            const PointRecord& slot = static_cast<PointRecord*>(records)[i];
            names += std::string(i == 0 ? "" : "|") + slot.name +
                     (DescText(slot) ? "=" + std::string(DescText(slot)) : "");
        }
        EXPECT_EQ(names, row.names);
        if (row.definition != nullptr) {
            EXPECT_EQ(said.TakeOutput(), "");
        }
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
