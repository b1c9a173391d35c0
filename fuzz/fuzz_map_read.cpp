// A file read through the core interface, the way any host of it reads one:
// the first byte chooses the format (GPX, KML, KMZ, GeoJSON, a database, IGC, NMEA, TCX, FIT, gzipped GPX or
// a zip of track files), the rest is the file. Every set, point and warning is then walked, so a value the
// reader kept but cannot hand out is found too; then it is written as GPX
// and read again.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "vezuved/vezuved_core.h"

static int32_t VEZUVED_CORE_CALL AppendText(void* context, const char* bytes, int64_t size) {
    static_cast<std::string*>(context)->append(bytes, static_cast<size_t>(size));
    return 0;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::QuietStdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const char* const kNames[] = {"input.gpx",
                                         "input.kml",
                                         "input.kmz",
                                         "input.geojson",
                                         "input.pdb",
                                         "input.igc",
                                         "input.nmea",
                                         "input.tcx",
                                         "input.fit",
                                         "input.gpx.gz",
                                         "input.zip"};
    constexpr size_t kCount = sizeof kNames / sizeof kNames[0];
    static const std::vector<std::string> paths = [] {
        std::vector<std::string> made;
        for (const char* name : kNames) made.push_back(fuzz::ScratchFile(name));
        return made;
    }();
    const std::string& path = paths[data[0] % kCount];
    fuzz::WriteFile(path, data + 1, size - 1);

    vezuved_collection* collection = vezuved_collection_new();
    if (collection == nullptr) return 0;
    const int32_t result = vezuved_read(collection, path.c_str(), nullptr);
    // A failure always says why; a success leaves no message.
    const char* message = vezuved_error_message(collection);
    if ((result == VEZUVED_OK) != (message != nullptr && *message == '\0')) __builtin_trap();
    for (int32_t w = 0; w < vezuved_warning_count(collection); ++w) {
        vezuved_warning warning;
        if (vezuved_get_warning(collection, w, &warning) != VEZUVED_OK) __builtin_trap();
        (void)std::strlen(warning.message);
    }
    for (int32_t s = 0; s < vezuved_set_count(collection); ++s) {
        (void)std::strlen(vezuved_set_name(collection, s));
        const int64_t count = vezuved_set_point_count(collection, s);
        for (int64_t i = 0; i < count; ++i) {
            vezuved_point point;
            if (vezuved_get_point(collection, s, i, &point) != VEZUVED_OK) __builtin_trap();
            // What a reader hands out is a position every writer takes.
            if (!(point.latitude >= -90 && point.latitude <= 90 && point.longitude >= -180 &&
                  point.longitude <= 180))
                __builtin_trap();
            (void)std::strlen(point.name);
            (void)std::strlen(point.symbol);
        }
    }
    // What was read is written as GPX (extensions as the XML they were)
    // and reads back: no value makes the document ill-formed.
    if (result == VEZUVED_OK) {
        std::string gpx;
        vezuved_write_options options{};
        options.format = VEZUVED_FORMAT_GPX;
        if (vezuved_write_to(collection, "again.gpx", AppendText, &gpx, &options) == VEZUVED_OK) {
            static const std::string again = fuzz::ScratchFile("again.gpx");
            fuzz::WriteFile(again, reinterpret_cast<const uint8_t*>(gpx.data()), gpx.size());
            vezuved_collection* back = vezuved_collection_new();
            if (back != nullptr && vezuved_read(back, again.c_str(), nullptr) != VEZUVED_OK &&
                std::strstr(vezuved_error_message(back), "holds no points") == nullptr)
                __builtin_trap();
            vezuved_collection_free(back);
        }
    }
    vezuved_collection_free(collection);
    return 0;
}
