// Four threads, each with its own mix of exports on its own files, for a while: every round gives
// what the calls give alone. No mix sets what another reads (no Garmin, LocFormat or EleFormat).
#include <chrono>
#include <functional>
#include <thread>

#include "support/test_support.h"
#include "vezuved/vezuved.h"

namespace {

std::string Digest(const void* records, int32_t count) {
    std::string text = std::to_string(count) + ":";
    for (int32_t i = 0; i < count; ++i) {
        const PointRecord& r = static_cast<const PointRecord*>(records)[i];
        const char* desc = RLGetPointDesc(&r);
        text += std::string(r.name) + "|" + r.latitude + "|" + r.longitude + "|" + r.time + "|" +
                r.elevation + "|" + r.icon + "|" + (desc != nullptr ? desc : "<null>") + ";";
    }
    return text;
}

std::string ReadDatabase(const std::string& path) {
    const ReadBack read(path);
    return Digest(read.records, read.count) + " kind " + std::to_string(read.kind);
}

// The exports write the path they used back.
std::string Import(const std::string& source, std::string database, const std::string& format, int16_t kind) {
    const int32_t result = RLDBImport(source.c_str(), &database[0], format.c_str(), kind, -1, -1, nullptr);
    return std::to_string(result) + " " + ReadDatabase(database);
}

std::string Export(const std::string& database, std::string output, const std::string& format) {
    const int32_t result = RLDBExport(database.c_str(), &output[0], format.c_str(), -1, -1, -1, nullptr);
    return std::to_string(result) + " " + ReadFileText(output);
}

std::string Lookup(const char* keyword, const std::string& format) {
    char value[512] = "";
    int32_t length = -1;
    const int32_t result = RLGetCalFileInfo(keyword, format.c_str(), value, &length);
    return std::to_string(result) + " " + value + " " + std::to_string(length) + ";";
}

using Threads = FreshState;

TEST_F(Threads, ExportsFromFourThreadsGiveWhatTheyGiveAlone) {
    const TempFolder folder;
    const auto Put = [&](const char* name, const char* text) { return folder.put(name, text); };
    const std::string comma =
        Put("comma.csv", "45.5,-122.5,100,143005 24122004,Home,House,\"a, b\"\r\n1,2,,,Camp,,\r\n");
    const std::string tab = Put("tab.txt", "Start\t45.1\t-122.1\t10\r\nEnd\t45.2\t-122.2\t20\r\n");
    const std::string commaCal = Put("comma.cal", "FormatTitle=Comma\nFieldCount=7\nExt=.csv\n");
    const std::string tabCal =
        Put("tab.cal",
            "FormatTitle=Tab\nSource=Tab\nFieldCount=4\nname=0\nlatitude=1\nlongitude=2\n"
            "elevation=3\ntime=-1\nicon=-1\ndesc=-1\nDBType=Track\nExt=.txt\n");
    OwnedArray points(2);
    FillPoint(points[0], "10.25", "20.5", "30", "010203 04052006", "One", "Flag", "first");
    FillPoint(points[1], "-1", "-2", "", "", "Two", "", nullptr);
    const std::string written = folder.file("written.pdb");
    ASSERT_EQ(RLDBWritePDB(written.c_str(), points.data(), 2, 2), 0);

    const std::vector<std::function<std::string()>> mixes = {
        [&] { return Import(comma, folder.file("a.pdb"), commaCal, 0) + ReadDatabase(written); },
        [&] {
            const std::string imported = Import(tab, folder.file("b.pdb"), tabCal, -1);
            return imported + Export(folder.file("b.pdb"), folder.file("b-out.txt"), tabCal);
        },
        [&] {
            void* records = nullptr;
            const int32_t count = RLDBReadCSV(comma.c_str(), commaCal.c_str(), 0, -1, -1, nullptr, &records);
            const std::string output = folder.file("c.csv");
            const int32_t result = RLDBWriteCSV(
                output.c_str(), tabCal.c_str(), 0, -1, -1, nullptr, records, count > 0 ? count : 0);
            std::string text = Digest(records, count) + std::to_string(result) + ReadFileText(output);
            RLDBRelease(records, count > 0 ? count : 0);
            return text;
        },
        [&] {
            const std::string lookups =
                Lookup("FormatTitle", tabCal) + Lookup("Ext", tabCal) + Lookup("Nothing", commaCal);
            return lookups + Export(written, folder.file("d.csv"), commaCal);
        },
    };
    std::vector<std::string> alone;
    for (const auto& mix : mixes) alone.push_back(mix());
    EXPECT_NE(alone[1].find("Start|45.1000000"), std::string::npos) << alone[1];
    EXPECT_NE(alone[3].find("0 Tab 3;0 .txt 4;0  -1;0 10.2500000,20.5000000,30,010203 04052006,One"),
              std::string::npos)
        << alone[3];

    // Compared in the threads, judged here: the framework's checks are not thread-safe everywhere.
    std::vector<int> rounds(mixes.size(), 0), wrong(mixes.size(), 0);
    std::vector<std::string> firstWrong(mixes.size());
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < mixes.size(); ++t) {
        threads.emplace_back([&, t] {
            do {
                const std::string result = mixes[t]();
                ++rounds[t];
                if (result != alone[t] && wrong[t]++ == 0) firstWrong[t] = result;
            } while (std::chrono::steady_clock::now() < end);
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (size_t t = 0; t < mixes.size(); ++t) {
        EXPECT_EQ(wrong[t], 0) << "mix " << t << " of " << rounds[t] << " rounds; first: " << firstWrong[t]
                               << "\nalone: " << alone[t];
    }
}

}  // namespace
