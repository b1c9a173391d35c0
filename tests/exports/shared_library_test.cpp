// The exports as a host reaches them: this program links only the shared
// library, so every call crosses its boundary with the platform's calling
// convention: 16-bit arguments with their sign, out pointers, arrays of
// 702-byte records, the decorated RLDBReadCSV, callbacks, the remote API.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <tuple>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "vezuved/vezuved.h"

namespace {

namespace fs = std::filesystem;

RLDBReadCSVFunction ReadCsv() {
#if defined(_WIN32)
    return reinterpret_cast<RLDBReadCSVFunction>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("vezuved.dll"), VEZUVED_READCSV_DECORATED_NAME)));
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
        Write("points.cal", "Delimited = ,\nFieldCount = 7\nDBType = Point\nExt = csv\n");
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
    int32_t PushHuts(uint32_t options) const {
        return RLDBCECopyToDevice(Path("huts.pdb").c_str(), nullptr, options, nullptr, -1, -1, -1, nullptr);
    }
    fs::path folder_;
};

TEST_F(SharedLibrary, ResultsOfRefusedCallsCrossTheBoundaryUnchanged) {
    Write("junk.pdb", std::string(100, 'x'));
    int32_t kind = 7, source = 7, version = 7, count = 7;
    void* records = &kind;
    RLPointRecord point{};
    const std::string none = Path("none.pdb"), junk = Path("junk.pdb"), text = Path("none.csv"),
                      cal = Path("points.cal");
    const struct {
        const char* call;
        int32_t result, expected;
    } cases[] = {
        {"RLDBReadPDB of a missing file", RLDBReadPDB(none.c_str(), &records, &kind), -1},
        {"DoReadPDB of a missing file", DoReadPDB(none.c_str(), &records, &kind), -1},
        {"RLGetPDBFileInfo, no file", RLGetPDBFileInfo(none.c_str(), &kind, &source, &version, &count), -1},
        {"RLGetPDBFileInfo, junk",
         RLGetPDBFileInfo(junk.c_str(), &kind, &source, &version, &count),
         VEZUVED_PDB_ERR_FORMAT},
        {"RLDBWritePDB of kind 3", RLDBWritePDB(Path("log.pdb").c_str(), &point, 1, VEZUVED_KIND_LOG), -1},
        {"RLDBImport, no file", RLDBImport(text.c_str(), nullptr, cal.c_str(), 0, -1, -1, nullptr), -1},
        {"RLDBReadCSV, no file", ReadCsv()(text.c_str(), cal.c_str(), 0, -1, -1, nullptr, &records), -1},
        {"RLGetCalFileInfo without outputs", RLGetCalFileInfo("Ext", cal.c_str(), nullptr, nullptr), 0},
    };
    for (const auto& c : cases) EXPECT_EQ(c.result, c.expected) << c.call;
    EXPECT_EQ(std::tie(kind, source, version, count), std::make_tuple(7, 7, 7, 7));
    RLDBRelease(nullptr, 5);  // only the definition's texts
}

// What the host's callbacks saw through its session pointer, and how they answer.
struct Host {
    int32_t progress = 0, ask = 0;  // the answers
    int done = 0, asked = 0;
    uint32_t askedOptions = 0;
};
Host g_host;

int32_t VEZUVED_CALL Progress(int32_t stage, int32_t, int32_t, const char*, void* session) {
    if (session != &g_host) return -1;
    if (stage == 2) ++g_host.done;
    return g_host.progress;
}
int32_t VEZUVED_CALL
Ask(const char* name, int32_t, const char*, const char*, uint32_t* options, void* session) {
    if (session != &g_host || std::strcmp(name, "huts") != 0) return -1;
    ++g_host.asked;
    g_host.askedOptions = *options;
    return g_host.ask;
}

// A call with the host's callbacks and session set, unset afterwards.
template <typename Call>
int32_t AsHost(const Host& host, Call call) {
    g_host = host;
    EXPECT_EQ(0, RLSetSessionPtr(&g_host));  // each registration answers 0
    EXPECT_EQ(0, RLSetProgressCallback(Progress));
    EXPECT_EQ(0, RLSetAskReplaceCallback(Ask));
    const int32_t result = call();
    RLSetAskReplaceCallback(nullptr);
    RLSetProgressCallback(nullptr);
    RLSetSessionPtr(nullptr);
    return result;
}

// The host's callbacks get its session pointer; a negative progress answer
// or an ask answer of -1 cancels, 1 keeps the destination.
TEST_F(SharedLibrary, PushesAndPullsThroughTheRemoteApiCallTheHostAndHeedItsAnswers) {
    // huts.pdb, one point, and the emulated device in the test's folder.
#if defined(_WIN32)
    _putenv(("VEZUVED_DEVICE=" + Path("device")).c_str());
#else
    setenv("VEZUVED_DEVICE", Path("device").c_str(), 1);
#endif
    RLPointRecord point{};
    std::strcpy(point.name, "Hut");
    std::strcpy(point.latitude, "46.1000000");
    std::strcpy(point.longitude, "7.2000000");
    std::strcpy(point.elevation, "8000");
    ASSERT_EQ(RLDBWritePDB(Path("huts.pdb").c_str(), &point, 1, VEZUVED_KIND_POINT), 0);
    const uint32_t ask = VEZUVED_OPT_ASK | VEZUVED_OPT_ALWAYS;
    const struct {
        Host host;
        uint32_t options;  // of the second push
        int32_t expected;
    } cases[] = {
        {{0, 1}, ask, VEZUVED_DEV_UP_TO_DATE},
        {{0, -1}, ask, VEZUVED_DEV_CANCELLED},
        {{-1, 0}, VEZUVED_OPT_ALWAYS, VEZUVED_DEV_CANCELLED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.host.progress) + " " + std::to_string(c.host.ask));
        EXPECT_EQ(AsHost({}, [&] { return PushHuts(VEZUVED_OPT_ALWAYS | VEZUVED_OPT_CREATE_VOLUME); }), 0);
        EXPECT_EQ(g_host.done, 1);
        EXPECT_EQ(AsHost(c.host, [&] { return PushHuts(c.options); }), c.expected);
        EXPECT_EQ(g_host.asked, c.options == ask ? 1 : 0);
        EXPECT_EQ(g_host.askedOptions, c.options == ask ? ask : 0u);
    }
    fs::create_directories(folder_ / "back");
    const std::string back = Path("back");
    const auto pull = [&] {
        return RLDBCECopyFromDevice(
            nullptr, nullptr, back.c_str(), VEZUVED_OPT_ALWAYS, nullptr, VEZUVED_KIND_POINT, 0, 0, 0, 0);
    };
    EXPECT_EQ(AsHost({}, pull), 0);
    EXPECT_EQ(g_host.done, 1);
    EXPECT_EQ(Read("back/huts.rlp").substr(0, 29), "46.1000000,7.2000000,8000,,Hu");
}

}  // namespace
