// The exports as a host reaches them. This program links the shared library
// (vezuved.dll through its import library, libvezuved.so) and none of the
// library's inner objects, so every call here crosses the library's
// boundary with the platform's calling convention: 16-bit arguments with
// their sign, out pointers, arrays of 702-byte records, the decorated
// RLDBReadCSV, callbacks and the remote API the device calls load.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "vezuved/vezuved.h"

namespace {

namespace fs = std::filesystem;

RLDBReadCSVFunction ReadCsv() {
#if defined(_WIN32)
    return reinterpret_cast<RLDBReadCSVFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("vezuved.dll"), VEZUVED_READCSV_DECORATED_NAME)));
#else
    return RLDBReadCSV;
#endif
}

class SharedLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        std::mt19937_64 random{std::random_device{}()};
        folder_ = fs::temp_directory_path() / ("vezuved-exports-" + std::to_string(random()));
        fs::create_directories(folder_ / "device");
        Write("points.cal", "Delimited = ,\nFieldCount = 7\nlatitude = 0\nlongitude = 1\nelevation = 2\ntime = 3\n"
                            "name = 4\nicon = 5\ndesc = 6\nLocFormat = Num\nEleFormat = Feet\nDBType = Point\nExt = csv\n");
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    std::string Path(const std::string& name) const { return (folder_ / name).string(); }
    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(Path(name), std::ios::binary) << bytes;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void HutOnAnEmptyDevice() const;
    fs::path folder_;
};

void Fill(RLPointRecord& record, const char* name, const char* latitude, const char* longitude,
          const char* elevation) {
    std::memset(&record, 0, sizeof record);
    std::strcpy(record.name, name);
    std::strcpy(record.latitude, latitude);
    std::strcpy(record.longitude, longitude);
    std::strcpy(record.elevation, elevation);
}

// huts.pdb, one point, and the emulated device in the test's folder.
void SharedLibrary::HutOnAnEmptyDevice() const {
#if defined(_WIN32)
    _putenv(("VEZUVED_DEVICE=" + Path("device")).c_str());
#else
    setenv("VEZUVED_DEVICE", Path("device").c_str(), 1);
#endif
    RLPointRecord point;
    Fill(point, "Hut", "46.1000000", "7.2000000", "8000");
    ASSERT_EQ(RLDBWritePDB(Path("huts.pdb").c_str(), &point, 1, VEZUVED_KIND_POINT), 0);
}

TEST_F(SharedLibrary, ResultsOfRefusedCallsCrossTheBoundaryUnchanged) {
    Write("junk.pdb", std::string(100, 'x'));
    int32_t kind = 7, source = 7, version = 7, count = 7;
    void* records = &kind;
    RLPointRecord point;
    Fill(point, "A", "1.0000000", "2.0000000", "");
    const struct {
        const char* call;
        int32_t result, expected;
    } cases[] = {
        {"RLDBReadPDB of a missing file", RLDBReadPDB(Path("none.pdb").c_str(), &records, &kind), -1},
        {"DoReadPDB of a missing file", DoReadPDB(Path("none.pdb").c_str(), &records, &kind), -1},
        {"RLGetPDBFileInfo of a missing file",
         RLGetPDBFileInfo(Path("none.pdb").c_str(), &kind, &source, &version, &count), -1},
        {"RLGetPDBFileInfo of no database",
         RLGetPDBFileInfo(Path("junk.pdb").c_str(), &kind, &source, &version, &count), VEZUVED_PDB_ERR_FORMAT},
        {"RLDBWritePDB of kind 3", RLDBWritePDB(Path("log.pdb").c_str(), &point, 1, VEZUVED_KIND_LOG), -1},
        {"RLDBImport of a missing file",
         RLDBImport(Path("none.csv").c_str(), nullptr, Path("points.cal").c_str(), 0, -1, -1, nullptr), -1},
        {"RLDBReadCSV of a missing file",
         ReadCsv()(Path("none.csv").c_str(), Path("points.cal").c_str(), 0, -1, -1, nullptr, &records), -1},
        {"RLSetProgressCallback(NULL)", RLSetProgressCallback(nullptr), 0},
        {"RLSetSessionPtr(NULL)", RLSetSessionPtr(nullptr), 0},
        {"RLSetAskReplaceCallback(NULL)", RLSetAskReplaceCallback(nullptr), 0},
        {"RLGetCalFileInfo without outputs", RLGetCalFileInfo("Ext", Path("points.cal").c_str(), nullptr, nullptr), 0},
    };
    for (const auto& c : cases) EXPECT_EQ(c.result, c.expected) << c.call;
    EXPECT_EQ(std::tie(kind, source, version, count), std::make_tuple(7, 7, 7, 7));
    RLDBRelease(nullptr, 5);  // only the definition's texts
}

// Text in both directions with the columns moved by a field map of shorts
// (-1: none) and negative shorts keeping the definition's settings.
TEST_F(SharedLibrary, RecordsTextAndDatabasesRoundTripWithFieldMapsAndNegativeShorts) {
    RLPointRecord points[2];
    Fill(points[0], "Camp", "45.5000000", "-122.6000000", "120");
    Fill(points[1], "Lake", "-0.5000000", "0.2500000", "");
    ASSERT_EQ(RLSetPointDesc(&points[1], "north shore"), 0);
    const int16_t map[7] = {1, 0, -1, -1, 2, -1, 3};  // longitude first, no elevation, time or icon
    ASSERT_EQ(RLDBWriteCSV(Path("map.csv").c_str(), Path("points.cal").c_str(), 0, -1, -1, map, points, 2), 0);
    // Seven columns, as FieldCount says; the unmapped ones empty.
    EXPECT_EQ(Read("map.csv"), "-122.6000000,45.5000000,Camp,,,,\r\n0.2500000,-0.5000000,Lake,north shore,,,\r\n");

    void* records = nullptr;
    const int32_t count = ReadCsv()(Path("map.csv").c_str(), Path("points.cal").c_str(), 0, -1, -1, map, &records);
    ASSERT_EQ(count, 2);
    const auto* back = static_cast<const RLPointRecord*>(records);
    EXPECT_STREQ(back[0].longitude, "-122.6000000");
    EXPECT_STREQ(back[1].latitude, "-0.5000000");
    EXPECT_STREQ(RLGetPointDesc(&back[1]), "north shore");
    EXPECT_EQ(RLDBWritePDB(Path("back.pdb").c_str(), records, count, VEZUVED_KIND_ROUTE), 0);
    RLDBRelease(records, count);

    int32_t kind = -1, source = -1, version = -1, dbCount = -1;
    EXPECT_EQ(RLGetPDBFileInfo(Path("back.pdb").c_str(), &kind, &source, &version, &dbCount), 0);
    EXPECT_EQ(std::tie(kind, dbCount), std::make_tuple(VEZUVED_KIND_ROUTE, 2));
    std::vector<char> written(VEZUVED_PATH_BUFFER, '\0');
    EXPECT_EQ(RLDBExport(Path("back.pdb").c_str(), written.data(), Path("points.cal").c_str(), -1, -1, -1, nullptr), 0);
    EXPECT_EQ(std::string(written.data()), Path("back.csv"));
    EXPECT_EQ(Read("back.csv"), "45.5000000,-122.6000000,,,Camp,,\r\n-0.5000000,0.2500000,,,Lake,,north shore\r\n");
    RLSetPointDesc(&points[1], nullptr);
}

struct Seen {
    int calls = 0, done = 0;
};

int32_t VEZUVED_CALL Progress(int32_t stage, int32_t, int32_t, const char*, void* session) {
    auto* seen = static_cast<Seen*>(session);
    ++seen->calls;
    if (stage == 2) ++seen->done;
    return 0;
}

// The device calls load the remote API (the emulator) by name, call it and
// the host's callback with the host's session pointer.
TEST_F(SharedLibrary, APushAndPullThroughTheRemoteApiCallTheHostBack) {
    ASSERT_NO_FATAL_FAILURE(HutOnAnEmptyDevice());
    fs::create_directories(folder_ / "back");
    Seen seen;
    RLSetSessionPtr(&seen);
    RLSetProgressCallback(Progress);
    const int32_t pushed = RLDBCECopyToDevice(Path("huts.pdb").c_str(), nullptr,
                                              VEZUVED_OPT_ALWAYS | VEZUVED_OPT_CREATE_VOLUME, nullptr, -1, -1, -1,
                                              nullptr);
    const int32_t pulled = RLDBCECopyFromDevice(nullptr, nullptr, Path("back").c_str(), VEZUVED_OPT_ALWAYS, nullptr,
                                                VEZUVED_KIND_POINT, 0, 0, 0, 0);
    RLSetProgressCallback(nullptr);
    RLSetSessionPtr(nullptr);
    EXPECT_EQ(pushed, 0);
    EXPECT_EQ(pulled, 0);
    EXPECT_EQ(seen.done, 2);
    EXPECT_EQ(Read("back/huts.rlp").substr(0, 29), "46.1000000,7.2000000,8000,,Hu");
}

struct Answers {
    int32_t progress, ask;
    uint32_t options;  // of the second push
    int32_t expected;
    int asked;
};
Answers g_answers;
uint32_t g_askedOptions;

int32_t VEZUVED_CALL AnswerProgress(int32_t, int32_t, int32_t, const char*, void* session) {
    return session == &g_answers ? g_answers.progress : 0;
}
int32_t VEZUVED_CALL AnswerAsk(const char* name, int32_t, const char*, const char*, uint32_t* options,
                               void* session) {
    if (session != &g_answers || std::strcmp(name, "huts") != 0) return -1;
    ++g_answers.asked;
    g_askedOptions = *options;
    return g_answers.ask;
}

// The host's answers come back through both callbacks: a negative progress
// answer or an ask answer of -1 cancels, 1 keeps the destination.
TEST_F(SharedLibrary, TheHostsAnswersSteerASecondPush) {
    ASSERT_NO_FATAL_FAILURE(HutOnAnEmptyDevice());
    const uint32_t ask = VEZUVED_OPT_ASK | VEZUVED_OPT_ALWAYS;
    const Answers cases[] = {
        {0, 1, ask, VEZUVED_DEV_UP_TO_DATE, 1},
        {0, -1, ask, VEZUVED_DEV_CANCELLED, 1},
        {-1, 0, VEZUVED_OPT_ALWAYS, VEZUVED_DEV_CANCELLED, 0},
    };
    for (const Answers& c : cases) {
        ASSERT_EQ(RLDBCECopyToDevice(Path("huts.pdb").c_str(), nullptr,
                                     VEZUVED_OPT_ALWAYS | VEZUVED_OPT_CREATE_VOLUME, nullptr, -1, -1, -1, nullptr), 0);
        g_answers = {c.progress, c.ask, c.options, 0, 0};
        RLSetSessionPtr(&g_answers);
        RLSetProgressCallback(AnswerProgress);
        RLSetAskReplaceCallback(AnswerAsk);
        const int32_t result =
            RLDBCECopyToDevice(Path("huts.pdb").c_str(), nullptr, c.options, nullptr, -1, -1, -1, nullptr);
        RLSetAskReplaceCallback(nullptr);
        RLSetProgressCallback(nullptr);
        RLSetSessionPtr(nullptr);
        EXPECT_EQ(result, c.expected) << c.progress << " " << c.ask;
        EXPECT_EQ(g_answers.asked, c.asked) << c.progress << " " << c.ask;
        if (c.asked != 0) {
            EXPECT_EQ(g_askedOptions, ask);
        }
    }
}

}  // namespace
