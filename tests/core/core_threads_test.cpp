// Two threads at once, each with its own collection, map files without a lock and
// databases through the library's in turn: each thread's files as when alone.

#include <thread>

#include "core_text.h"

namespace {

// The points of a summary, without the set's name a database takes from its file.
std::string Points(const std::string& summary) { return summary.substr(summary.find(':')); }

// Builds a track of its own, writes it as GPX and as a database, reads both
// back, and says what differed ("" when nothing).
std::string RoundTrips(const std::string& folder, int thread, int rounds) {
    std::string failures;
    for (int round = 0; round < rounds; ++round) {
        vezuved_collection* built = vezuved_collection_new();
        const int32_t set = vezuved_add_set(built, VEZUVED_SET_TRACK, "t");
        for (int i = 0; i < 50; ++i) {
            vezuved_point point{};
            // Divided once, so each is the double its 7-decimal text reads as.
            point.latitude = (thread * 100 + i) / 100.0;
            point.longitude = -(thread * 100 + round) / 100.0;
            point.has_time = 1;
            point.time = 1000LL * i;
            vezuved_add_point(built, set, &point);
        }
        const std::string expected = core_test::Summary(built);
        const std::string base = folder + "/t" + std::to_string(thread);
        for (const char* extension : {".gpx", ".pdb"}) {
            const std::string path = base + extension;
            vezuved_collection* back = vezuved_collection_new();
            if (vezuved_write(built, path.c_str(), nullptr) != VEZUVED_OK ||
                vezuved_read(back, path.c_str(), nullptr) != VEZUVED_OK) {
                failures += path + ": " + vezuved_error_message(built) + vezuved_error_message(back) + "\n";
            } else if (Points(core_test::Summary(back)) != Points(expected)) {
                failures += path + " read back as " + core_test::Summary(back) + "\n";
            }
            vezuved_collection_free(back);
        }
        vezuved_collection_free(built);
    }
    return failures;
}

TEST(CoreThreads, TwoThreadsReadAndWriteTheirOwnCollections) {
    TempFolder folder;
    std::vector<std::string> failures(2);
    std::thread first([&] { failures[0] = RoundTrips(folder.path(), 1, 20); });
    std::thread second([&] { failures[1] = RoundTrips(folder.path(), 2, 20); });
    first.join();
    second.join();
    EXPECT_EQ(failures[0], "");
    EXPECT_EQ(failures[1], "");
}

}  // namespace
