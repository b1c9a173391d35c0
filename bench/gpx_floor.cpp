// The floor of converting a GPX track: an expat parse of the file that
// reads every point's coordinates as numbers and nothing else, in 64 KiB
// pieces as the tool reads. Prints the points it read and their sum (so no
// work can be left out).
#include <expat.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

struct Totals {
    long points = 0;
    double sum = 0;
};

void OnStart(void* data, const char* name, const char** attributes) {
    if (std::strcmp(name, "trkpt") != 0) return;
    auto& totals = *static_cast<Totals*>(data);
    for (size_t i = 0; attributes[i] != nullptr; i += 2) {
        double value = 0;
        const char* text = attributes[i + 1];
        std::from_chars(text, text + std::strlen(text), value);
        totals.sum += value;
    }
    ++totals.points;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gpx_floor FILE.gpx\n");
        return 2;
    }
    std::FILE* file = std::fopen(argv[1], "rb");
    if (file == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    Totals totals;
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetUserData(parser, &totals);
    XML_SetStartElementHandler(parser, OnStart);
    std::vector<char> buffer(64 * 1024);
    size_t got = 0;
    do {
        got = std::fread(buffer.data(), 1, buffer.size(), file);
        if (XML_Parse(parser, buffer.data(), static_cast<int>(got), got < buffer.size()) != XML_STATUS_OK) {
            std::fprintf(stderr, "%s: %s\n", argv[1], XML_ErrorString(XML_GetErrorCode(parser)));
            return 1;
        }
    } while (got == buffer.size());
    XML_ParserFree(parser);
    std::fclose(file);
    std::printf("%ld points, sum %.7f\n", totals.points, totals.sum);
    return 0;
}
