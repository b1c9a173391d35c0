// Benchmarks of the exports on data generated here with a fixed seed, each
// beside its floor: the work no implementation can skip, measured in the
// same run on the same data.
//   read into memory:   read the file, count its lines, allocate and zero
//                       the 702-byte-per-record array
//   file to file:       read the input, count its lines, write as many
//                       bytes as the output holds with one call
//   write from memory:  write the output's bytes with one call
// Counters: points per second, and megabytes per second of the file side
// (the file read, or for a write from memory the file written).
//
// VEZUVED_BENCH_SCALE divides every size (CI runs a smoke test with 100).
// "--peak-readcsv <text> <definition>" reads one file with RLDBReadCSV and
// prints its peak memory; the benchmark run calls itself that way.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "vezuved/vezuved.h"

namespace {

// ---------------------------------------------------------------- data

class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t Next() {  // xorshift64*: the same sequence on every platform
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545F4914F6CDD1DULL;
    }
    int64_t Range(int64_t low, int64_t high) {  // inclusive
        return low + static_cast<int64_t>(Next() % static_cast<uint64_t>(high - low + 1));
    }

private:
    uint64_t state_;
};

const char* const kWords[] = {"creek",  "ridge", "trail", "camp",  "spring", "bridge", "lookout",
                              "meadow", "pass",  "lake",  "fork",  "summit", "cabin",  "gate",
                              "north",  "south", "old",   "upper", "lower",  "cedar",  "granite"};
const char* const kIcons[] = {"Flag", "House", "Tent", "Fish", "Car", "Summit", "Bridge", "Dot"};

struct Point {
    std::string latitude, longitude, elevation, time, name, icon, desc;
};

// Seven-decimal coordinates as the record holds them (integer arithmetic,
// so the text is the same everywhere).
std::string Coordinate(Random& random, int64_t limitDegrees) {
    int64_t units = random.Range(-limitDegrees * 10000000, limitDegrees * 10000000);
    char text[32];
    uint64_t magnitude = static_cast<uint64_t>(units < 0 ? -units : units);
    std::snprintf(text,
                  sizeof text,
                  "%s%" PRIu64 ".%07" PRIu64,
                  units < 0 ? "-" : "",
                  magnitude / 10000000,
                  magnitude % 10000000);
    return text;
}

std::string Words(Random& random, size_t minLength, size_t maxLength, bool comma) {
    size_t target =
        static_cast<size_t>(random.Range(static_cast<int64_t>(minLength), static_cast<int64_t>(maxLength)));
    std::string text;
    while (text.size() < target) {
        if (!text.empty())
            text += comma && text.size() > target / 2 && text.find(',') == std::string::npos ? ", " : " ";
        text += kWords[random.Next() % (sizeof kWords / sizeof kWords[0])];
    }
    text.resize(target);
    while (!text.empty() && (text.back() == ' ' || text.back() == ',')) text.pop_back();
    return text;
}

std::vector<Point> MakePoints(size_t count, bool track, uint64_t seed) {
    Random random(seed);
    std::vector<Point> points(count);
    int64_t seconds = 12 * 3600;
    for (size_t i = 0; i < count; ++i) {
        Point& p = points[i];
        p.latitude = Coordinate(random, 89);
        p.longitude = Coordinate(random, 179);
        if (random.Next() % 4 != 0) p.elevation = std::to_string(random.Range(-100, 14000));
        if (track || random.Next() % 2 == 0) {
            seconds += random.Range(1, 30);
            int64_t day = 1 + (seconds / 86400) % 28;
            int64_t s = seconds % 86400;
            char time[32];
            std::snprintf(time,
                          sizeof time,
                          "%02d%02d%02d %02d%02d%04d",
                          static_cast<int>(s / 3600),
                          static_cast<int>(s / 60 % 60),
                          static_cast<int>(s % 60),
                          static_cast<int>(day),
                          static_cast<int>(1 + i % 12),
                          2004);
            p.time = time;
        }
        p.name = Words(random, 4, 14, false) + " " + std::to_string(i);
        p.icon = kIcons[random.Next() % (sizeof kIcons / sizeof kIcons[0])];
        p.desc = Words(random, 20, 60, random.Next() % 5 == 0);
    }
    return points;
}

// The records of an array, descriptions set through the library.
struct RecordArray {
    std::vector<RLPointRecord> records;
    explicit RecordArray(const std::vector<Point>& points) : records(points.size()) {
        std::memset(records.data(), 0, records.size() * sizeof(RLPointRecord));
        for (size_t i = 0; i < points.size(); ++i) {
            RLPointRecord& r = records[i];
            const Point& p = points[i];
            std::snprintf(r.latitude, sizeof r.latitude, "%s", p.latitude.c_str());
            std::snprintf(r.longitude, sizeof r.longitude, "%s", p.longitude.c_str());
            std::snprintf(r.elevation, sizeof r.elevation, "%s", p.elevation.c_str());
            std::snprintf(r.time, sizeof r.time, "%s", p.time.c_str());
            std::snprintf(r.name, sizeof r.name, "%s", p.name.c_str());
            std::snprintf(r.icon, sizeof r.icon, "%s", p.icon.c_str());
            RLSetPointDesc(&r, p.desc.c_str());
        }
    }
    ~RecordArray() {
        for (RLPointRecord& r : records) RLSetPointDesc(&r, nullptr);
    }
    int32_t count() const { return static_cast<int32_t>(records.size()); }
    void* data() { return records.data(); }
};

std::string CommaText(const std::vector<Point>& points) {
    std::string text;
    text.reserve(points.size() * 120);
    for (const Point& p : points) {
        text += p.latitude + "," + p.longitude + "," + p.elevation + "," + p.time + "," + p.name + "," +
                p.icon + ",";
        if (p.desc.find(',') != std::string::npos) {
            text += "\"" + p.desc + "\"";
        } else {
            text += p.desc;
        }
        text += "\r\n";
    }
    return text;
}

// ---------------------------------------------------------------- files

std::string g_folder;

std::string PathOf(const std::string& name) { return g_folder + "/" + name; }

void WriteText(const std::string& path, const std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(text.data(), 1, text.size(), file) != text.size() ||
        std::fclose(file) != 0) {
        std::perror(path.c_str());
        std::exit(1);
    }
}

uint64_t FileSize(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? static_cast<uint64_t>(info.st_size) : 0;
}

size_t Scale() {
    const char* text = std::getenv("VEZUVED_BENCH_SCALE");
    long scale = text != nullptr ? std::atol(text) : 1;
    return scale > 1 ? static_cast<size_t>(scale) : 1;
}

size_t SmallCount() { return 65535 / Scale(); }
size_t LargeCount() { return 1000000 / Scale(); }

// Built on first use and kept for the run.
struct Data {
    std::vector<Point> points = MakePoints(SmallCount(), false, 1);
    std::vector<Point> track = MakePoints(SmallCount(), true, 2);
    RecordArray pointRecords{points};
    RecordArray trackRecords{track};
    std::string commaDefinition = PathOf("comma.cal");
    std::string garminDefinition = PathOf("garmin.cal");
    std::string pointsText = PathOf("points.csv");
    std::string pointsDatabase = PathOf("points.pdb");
    std::string trackDatabase = PathOf("track.pdb");
    Data() {
        WriteText(commaDefinition, "FieldCount=7\n");
        WriteText(garminDefinition, "Source=Garmin\n");
        WriteText(pointsText, CommaText(points));
        if (RLDBWritePDB(pointsDatabase.c_str(), pointRecords.data(), pointRecords.count(), 0) != 0 ||
            RLDBWritePDB(trackDatabase.c_str(), trackRecords.data(), trackRecords.count(), 1) != 0) {
            std::fprintf(stderr, "cannot write the databases\n");
            std::exit(1);
        }
    }
};

Data& SmallData() {
    static Data data;
    return data;
}

struct LargeData {
    std::string text = PathOf("large.csv");
    uint64_t descBytes = 0;  // what the descriptions need, terminators included
    std::unique_ptr<RecordArray> records;
    LargeData() {
        std::vector<Point> points = MakePoints(LargeCount(), false, 3);
        for (const Point& p : points) descBytes += p.desc.size() + 1;
        WriteText(text, CommaText(points));
        records = std::make_unique<RecordArray>(points);
    }
};

bool g_largeBuilt = false;

LargeData& Large() {
    g_largeBuilt = true;
    static LargeData data;
    return data;
}

// ---------------------------------------------------------------- floors

std::vector<char> ReadFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    std::vector<char> bytes(FileSize(path));
    if (file == nullptr || std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) std::abort();
    std::fclose(file);
    return bytes;
}

size_t CountLines(const std::vector<char>& bytes) {
    size_t lines = 0;
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)))) != nullptr) {
        ++lines;
        ++p;
    }
    return lines;
}

void WriteOnce(const std::string& path, const std::vector<char>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) std::abort();
    std::fclose(file);
}

void FloorReadIntoMemory(const std::string& path, size_t records) {
    std::vector<char> bytes = ReadFile(path);
    benchmark::DoNotOptimize(CountLines(bytes));
    void* array = std::malloc(records * VEZUVED_POINT_RECORD_SIZE);
    // Seen by the optimiser as escaping, so malloc and memset are not folded
    // into a calloc that never touches the pages: filling them is the work.
    benchmark::DoNotOptimize(array);
    std::memset(array, 0, records * VEZUVED_POINT_RECORD_SIZE);
    benchmark::DoNotOptimize(array);
    benchmark::ClobberMemory();
    std::free(array);
}

void FloorConvert(const std::string& input, const std::string& output, const std::vector<char>& outputBytes) {
    std::vector<char> bytes = ReadFile(input);
    benchmark::DoNotOptimize(CountLines(bytes));
    WriteOnce(output, outputBytes);
}

void SetCounters(benchmark::State& state, size_t points, uint64_t fileBytes) {
    state.counters["points/s"] =
        benchmark::Counter(static_cast<double>(points), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["MB/s"] = benchmark::Counter(static_cast<double>(fileBytes) / 1e6,
                                                benchmark::Counter::kIsIterationInvariantRate);
}

// ---------------------------------------------------------------- benchmarks

void WritePdb(benchmark::State& state, bool track) {
    Data& data = SmallData();
    RecordArray& records = track ? data.trackRecords : data.pointRecords;
    const std::string path = PathOf(track ? "written-track.pdb" : "written-points.pdb");
    for (auto _ : state) {
        if (RLDBWritePDB(path.c_str(), records.data(), records.count(), track ? 1 : 0) != 0)
            state.SkipWithError("write failed");
    }
    SetCounters(state, static_cast<size_t>(records.count()), FileSize(path));
}

void WritePdbFloor(benchmark::State& state, bool track) {
    Data& data = SmallData();
    std::vector<char> bytes = ReadFile(track ? data.trackDatabase : data.pointsDatabase);
    const std::string path = PathOf("floor.out");
    for (auto _ : state) WriteOnce(path, bytes);
    SetCounters(state, SmallCount(), bytes.size());
}

void ReadPdb(benchmark::State& state, bool track) {
    Data& data = SmallData();
    const std::string& path = track ? data.trackDatabase : data.pointsDatabase;
    for (auto _ : state) {
        void* records = nullptr;
        int32_t kind = 0;
        int32_t count = RLDBReadPDB(path.c_str(), &records, &kind);
        if (count != static_cast<int32_t>(SmallCount())) state.SkipWithError("read failed");
        RLDBRelease(records, count > 0 ? count : 0);
    }
    SetCounters(state, SmallCount(), FileSize(path));
}

void ReadPdbFloor(benchmark::State& state, bool track) {
    Data& data = SmallData();
    const std::string& path = track ? data.trackDatabase : data.pointsDatabase;
    for (auto _ : state) FloorReadIntoMemory(path, SmallCount());
    SetCounters(state, SmallCount(), FileSize(path));
}

void Import(benchmark::State& state) {
    Data& data = SmallData();
    const std::string output = PathOf("imported.pdb");
    for (auto _ : state) {
        std::vector<char> path(output.begin(), output.end());
        path.push_back('\0');
        if (RLDBImport(
                data.pointsText.c_str(), path.data(), data.commaDefinition.c_str(), 0, -1, -1, nullptr) !=
            0) {
            state.SkipWithError("import failed");
        }
    }
    SetCounters(state, SmallCount(), FileSize(data.pointsText));
}

// Writes a conversion's output once, so its floor knows how many bytes to write.
std::vector<char> OutputOf(const std::string& path, bool (*produce)()) {
    if (!produce()) {
        std::fprintf(stderr, "cannot produce %s\n", path.c_str());
        std::exit(1);
    }
    return ReadFile(path);
}

void ImportFloor(benchmark::State& state) {
    Data& data = SmallData();
    static std::vector<char> output = OutputOf(PathOf("imported.pdb"), [] {
        std::string path = PathOf("imported.pdb");
        return RLDBImport(SmallData().pointsText.c_str(),
                          path.data(),
                          SmallData().commaDefinition.c_str(),
                          0,
                          -1,
                          -1,
                          nullptr) == 0;
    });
    const std::string path = PathOf("floor.out");
    for (auto _ : state) FloorConvert(data.pointsText, path, output);
    SetCounters(state, SmallCount(), FileSize(data.pointsText));
}

bool ExportTo(const std::string& output, bool garmin) {
    Data& data = SmallData();
    std::vector<char> path(output.begin(), output.end());
    path.push_back('\0');
    const std::string& definition = garmin ? data.garminDefinition : data.commaDefinition;
    return RLDBExport(data.pointsDatabase.c_str(), path.data(), definition.c_str(), -1, -1, -1, nullptr) == 0;
}

void Export(benchmark::State& state, bool garmin) {
    Data& data = SmallData();
    const std::string output = PathOf(garmin ? "exported-garmin.txt" : "exported-comma.csv");
    for (auto _ : state) {
        if (!ExportTo(output, garmin)) state.SkipWithError("export failed");
    }
    SetCounters(state, SmallCount(), FileSize(data.pointsDatabase));
}

void ExportFloor(benchmark::State& state, bool garmin) {
    Data& data = SmallData();
    const std::string output = PathOf(garmin ? "exported-garmin.txt" : "exported-comma.csv");
    if (!ExportTo(output, garmin)) std::exit(1);
    std::vector<char> bytes = ReadFile(output);
    const std::string path = PathOf("floor.out");
    for (auto _ : state) FloorConvert(data.pointsDatabase, path, bytes);
    SetCounters(state, SmallCount(), FileSize(data.pointsDatabase));
}

void ReadCsv(benchmark::State& state) {
    LargeData& data = Large();
    const std::string definition = SmallData().commaDefinition;
    for (auto _ : state) {
        void* records = nullptr;
        int32_t count = RLDBReadCSV(data.text.c_str(), definition.c_str(), 0, -1, -1, nullptr, &records);
        if (count != static_cast<int32_t>(LargeCount())) state.SkipWithError("read failed");
        RLDBRelease(records, count > 0 ? count : 0);
    }
    SetCounters(state, LargeCount(), FileSize(data.text));
}

void ReadCsvFloor(benchmark::State& state) {
    LargeData& data = Large();
    for (auto _ : state) FloorReadIntoMemory(data.text, LargeCount());
    SetCounters(state, LargeCount(), FileSize(data.text));
}

void WriteCsv(benchmark::State& state) {
    LargeData& data = Large();
    const std::string output = PathOf("written.csv");
    const std::string definition = SmallData().commaDefinition;
    for (auto _ : state) {
        if (RLDBWriteCSV(output.c_str(),
                         definition.c_str(),
                         0,
                         -1,
                         -1,
                         nullptr,
                         data.records->data(),
                         data.records->count()) != 0) {
            state.SkipWithError("write failed");
        }
    }
    SetCounters(state, LargeCount(), FileSize(output));
}

void WriteCsvFloor(benchmark::State& state) {
    LargeData& data = Large();
    const std::string output = PathOf("written.csv");
    if (RLDBWriteCSV(output.c_str(),
                     SmallData().commaDefinition.c_str(),
                     0,
                     -1,
                     -1,
                     nullptr,
                     data.records->data(),
                     data.records->count()) != 0) {
        std::exit(1);
    }
    std::vector<char> bytes = ReadFile(output);
    const std::string path = PathOf("floor.out");
    for (auto _ : state) WriteOnce(path, bytes);
    SetCounters(state, LargeCount(), bytes.size());
}

// ---------------------------------------------------------------- report

// Prints, after the usual table, each benchmark's time as a multiple of
// its floor's, with the target beside it.
class FloorReporter : public benchmark::ConsoleReporter {
public:
    // Plain text when the output is no terminal, so logs stay readable.
    FloorReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (!run.error_occurred) times_[run.run_name.function_name] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-32s %12s %12s %8s %8s\n", "benchmark", "time", "floor", "ratio", "target");
        for (const auto& [name, time] : times_) {
            if (name.size() > 6 && name.compare(name.size() - 6, 6, "/floor") == 0) continue;
            auto floor = times_.find(name + "/floor");
            if (floor == times_.end()) continue;
            std::printf("%-32s %10.1fms %10.1fms %7.2fx %7.0fx\n",
                        name.c_str(),
                        time,
                        floor->second,
                        time / floor->second,
                        TargetOf(name));
        }
        std::fflush(stdout);
    }

private:
    static double TargetOf(const std::string& name) {
        if (name.rfind("RLDBReadCSV", 0) == 0) return 3;
        if (name.rfind("RLDBWriteCSV", 0) == 0) return 5;
        return 8;
    }
    std::map<std::string, double> times_;
};

// RLDBReadCSV of one file in a fresh process: the peak resident memory it
// added, against the file, the array and the descriptions.
int PeakReadCsv(const char* text, const char* definition, const char* descBytesText) {
    struct rusage before {};
    getrusage(RUSAGE_SELF, &before);
    void* records = nullptr;
    int32_t count = RLDBReadCSV(text, definition, 0, -1, -1, nullptr, &records);
    struct rusage after {};
    getrusage(RUSAGE_SELF, &after);
    RLDBRelease(records, count > 0 ? count : 0);
    double peak = static_cast<double>(after.ru_maxrss - before.ru_maxrss) * 1024.0;
    double file = static_cast<double>(FileSize(text));
    double array = static_cast<double>(count) * VEZUVED_POINT_RECORD_SIZE;
    double descs = std::atof(descBytesText);
    double floor = file + array + descs;
    std::printf(
        "RLDBReadCSV peak memory: %.1f MB for %d records; file %.1f MB + array %.1f MB + "
        "descriptions %.1f MB = %.1f MB; ratio %.3f (target 1.10)\n",
        peak / 1e6,
        count,
        file / 1e6,
        array / 1e6,
        descs / 1e6,
        floor / 1e6,
        peak / floor);
    return 0;
}

void MeasurePeak() {
    if (!g_largeBuilt) return;
    LargeData& data = Large();
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return;
    self[n] = '\0';
    std::string command = std::string("'") + self + "' --peak-readcsv '" + data.text + "' '" +
                          SmallData().commaDefinition + "' " + std::to_string(data.descBytes);
    std::fflush(stdout);
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "peak measurement failed\n");
}

void RegisterAll() {
    const int small = Scale() > 1 ? 1 : 5;
    const int large = Scale() > 1 ? 1 : 3;
    auto add = [](const char* name, auto function, int iterations) {
        benchmark::RegisterBenchmark(name, function)
            ->Iterations(iterations)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    };
    add(
        "RLDBWritePDB/points", [](benchmark::State& s) { WritePdb(s, false); }, small);
    add(
        "RLDBWritePDB/points/floor", [](benchmark::State& s) { WritePdbFloor(s, false); }, small);
    add(
        "RLDBWritePDB/track", [](benchmark::State& s) { WritePdb(s, true); }, small);
    add(
        "RLDBWritePDB/track/floor", [](benchmark::State& s) { WritePdbFloor(s, true); }, small);
    add(
        "RLDBReadPDB/points", [](benchmark::State& s) { ReadPdb(s, false); }, small);
    add(
        "RLDBReadPDB/points/floor", [](benchmark::State& s) { ReadPdbFloor(s, false); }, small);
    add(
        "RLDBReadPDB/track", [](benchmark::State& s) { ReadPdb(s, true); }, small);
    add(
        "RLDBReadPDB/track/floor", [](benchmark::State& s) { ReadPdbFloor(s, true); }, small);
    add("RLDBImport/comma", Import, small);
    add("RLDBImport/comma/floor", ImportFloor, small);
    add(
        "RLDBExport/comma", [](benchmark::State& s) { Export(s, false); }, small);
    add(
        "RLDBExport/comma/floor", [](benchmark::State& s) { ExportFloor(s, false); }, small);
    add(
        "RLDBExport/garmin", [](benchmark::State& s) { Export(s, true); }, small);
    add(
        "RLDBExport/garmin/floor", [](benchmark::State& s) { ExportFloor(s, true); }, small);
    add("RLDBReadCSV/1000000", ReadCsv, large);
    add("RLDBReadCSV/1000000/floor", ReadCsvFloor, large);
    add("RLDBWriteCSV/1000000", WriteCsv, large);
    add("RLDBWriteCSV/1000000/floor", WriteCsvFloor, large);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "--peak-readcsv") == 0)
        return PeakReadCsv(argv[2], argv[3], argv[4]);
    // The library prints diagnostics on standard output; the report goes
    // there too, so a stray line would show.
    char pattern[] = "/tmp/vezuved-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    g_folder = pattern;
    RegisterAll();
    benchmark::Initialize(&argc, argv);
    FloorReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    MeasurePeak();
    benchmark::Shutdown();
    std::string cleanup = "rm -rf '" + g_folder + "'";
    return std::system(cleanup.c_str()) == 0 ? 0 : 1;
}
