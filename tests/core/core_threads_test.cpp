// Two threads at once, each with its own collection, map files without a lock and
// databases through the library's in turn: each thread's files as when alone.

#include <thread>

#include "core_text.h"

// The points of a summary, without the set's name a database takes from its file.
static std::string Points(const std::string& summary) { return summary.substr(summary.find(':')); }

// Builds a track of its own, writes it as GPX and as a database, reads both
// back, and says what differed ("" when nothing).
static std::string RoundTrips(const std::string& folder, int thread, int rounds) {
    std::string failures;
    for (int round = 0; round < rounds; ++round) {
        Collection built;
        const int32_t set = vezuved_add_set(built.handle, VEZUVED_SET_TRACK, "t");
        for (int i = 0; i < 50; ++i) {
            // Divided once, so each is the double its 7-decimal text reads as.
            vezuved_point point = At((thread * 100 + i) / 100.0, -(thread * 100 + round) / 100.0);
            point.time = 1000LL * i;
            point.has_time = 1;
            vezuved_add_point(built.handle, set, &point);
        }
        for (const char* extension : {".gpx", ".pdb"}) {
            const std::string path = folder + "/t" + std::to_string(thread) + extension;
            Collection back;
            if (vezuved_write(built.handle, path.c_str(), nullptr) != VEZUVED_OK ||
                vezuved_read(back.handle, path.c_str(), nullptr) != VEZUVED_OK)
                failures += path + ": " + vezuved_error_message(built.handle) +
                            vezuved_error_message(back.handle) + "\n";
            else if (Points(Summary(back.handle)) != Points(Summary(built.handle)))
                failures += path + " read back as " + Summary(back.handle) + "\n";
        }
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
    EXPECT_EQ(failures[0] + failures[1], "");
}
