#include "text/delimited_text.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "base/file_handle.h"
#include "base/memory.h"
#include "base/paths.h"
#include "formats/format_file.h"
#include "layouts/layout_table.h"
#include "pointdb/point_database_writer.h"
#include "record/point_record.h"
#include "state/conversion_state.h"
#include "text/import_text.h"
#include "text/layout_reading.h"
#include "text/text_file.h"
#include "text/text_lines.h"
#include "text/text_output.h"

namespace vezuved {

namespace {

void LoadFormatAndArguments(ConversionState& state, const char* sourcePath, const TextRequest& request) {
    LoadFormatFile(state, DefinitionToLoad(request, sourcePath), nullptr);
    ApplyTextRequest(state, request);
    // Stored as given: 65 and 66 are no older-layout codes here.
    if (request.kind) state.DBKind = *request.kind;
}

// Asks for the parts of a record a line is written from ahead of their use.
// The host's array is far larger than any cache and its records lie 702
// bytes apart, a stride the processor does not foresee: without this every
// record costs several trips to memory, one after the other.
void PrefetchRecord(const PointRecord* record) {
#if defined(__GNUC__)
    const char* bytes = reinterpret_cast<const char*>(record);
    for (size_t offset = 0; offset < sizeof(PointRecord); offset += 64) __builtin_prefetch(bytes + offset);
#else
    (void)record;
#endif
}

// Records written this many ahead of the one being written are fetched.
constexpr int32_t kPrefetchDistance = 4;

// Opens the text, loads its definition into the conversion state and reads
// its bytes; false when the file cannot be opened or read.
bool LoadDelimitedText(ConversionState& state, const TextRequest& request, std::vector<char>& text) {
    const char* sourcePath = SkipLeadingSpaces(request.source.c_str());
    ResetConversionState(state);
    FileHandle file = OpenFile(sourcePath, "rb", state.Paths);
    if (!file) return false;
    LoadFormatAndArguments(state, sourcePath, request);
    return ReadWholeFile(file.get(), text);
}

// Reads every record line of the cut text into recordAt(slot), from slot on; a refused line
// leaves its slot to the next line (a line the layout takes but cannot read
// whole leaves its leftovers there). New descriptions come from pool.
template <typename RecordAt>
void ReadRecordLines(const std::vector<char>& text,
                     ConversionState& state,
                     DescPool* pool,
                     int64_t& slot,
                     RecordAt&& recordAt) {
    LayoutSettings settings = SettingsForReading(state);
    settings.descPool = pool;
    // A slot is handed out zeroed; only a line refused into it leaves it
    // to be cleared before the next line is read into it.
    bool clear = true;
    ForEachTextLine(text, [&](const char* line) {
        PointRecord& record = recordAt(slot);
        const int read = clear ? ReadLayoutLineIntoClear(line, record, state.Layout, settings)
                               : ReadLayoutLine(line, &record, state.Layout, settings);
        clear = read == 0;
        if (read == 0) ++slot;
    });
}

}  // namespace

int32_t ReadDelimitedText(ConversionState& state, const TextRequest& request, void** records) {
    std::vector<char> text;
    if (!LoadDelimitedText(state, request, text)) return -1;

    const int32_t first = HasPlaceholderRecord(state) ? 1 : 0;
    const int64_t count = first + static_cast<int64_t>(CutTextLines(text, state.HeaderLines));
    // The count is a 32-bit result; a larger file is refused.
    if (count > INT32_MAX) return -1;

    PointRecord* array = nullptr;
    if (count > 0) {
        array = static_cast<PointRecord*>(MemAllocateArray(static_cast<size_t>(count), sizeof(PointRecord)));
        // The file has records: answering "none" would lose them unnoticed.
        if (array == nullptr) {
            *records = nullptr;
            return -1;
        }
    }
    if (array != nullptr) {
        // The array is zeroed a record at a time, just before the record is
        // filled: a page's first touch is then a write, one fault rather
        // than a read fault and a copy fault, and the record is still in
        // the cache when it is filled.
        int64_t zeroed = 0;  // slots [0, zeroed) are zero or filled
        auto zeroUpTo = [&](int64_t end) {
            if (end <= zeroed) return;
            std::memset(static_cast<void*>(&array[zeroed]),
                        0,
                        static_cast<size_t>(end - zeroed) * sizeof(PointRecord));
            zeroed = end;
        };
        zeroUpTo(first);
        int64_t slot = first;
        // One allocation per description, and its free when the host
        // releases the array, cost a fifth of the read: they are carved
        // from a few blocks instead, each freed with its last description.
        DescPool pool;
        try {
            ReadRecordLines(text, state, &pool, slot, [&](int64_t at) -> PointRecord& {
                zeroUpTo(at + 1);
                return array[at];
            });
            zeroUpTo(count);
        } catch (...) {
            // Running out of memory between lines: the host gets nothing,
            // so nothing decoded so far may stay behind (the slot under way
            // included).
            const int64_t used = slot < count ? slot + 1 : count;
            FreeRecordArray(array, used);
            *records = nullptr;
            throw;
        }
    }
    *records = array;
    return static_cast<int32_t>(count);
}

int32_t WriteDelimitedText(ConversionState& state, const TextRequest& request, void* records, int32_t count) {
    const char* sourcePath = request.source.c_str();
    // The definition is read before the file is written, so it must not be
    // that file: neither the one named nor the one the output's name gives.
    std::string definition;
    if (NamesDefinition(request)) {
        definition = *request.format;
    } else {
        MakeFormatPath(sourcePath, definition);
    }
    ReplacingFile file;
    if (!OpenOutputFile(file, sourcePath, definition.empty() ? nullptr : definition.c_str(), state.Paths))
        return -1;
    ResetConversionState(state);
    LoadFormatAndArguments(state, sourcePath, request);

    TextSink sink;
    sink.file = file.file;
    sink.crlf = true;
    if (records != nullptr) {
        const LayoutSettings settings = LayoutSettingsOf(state);
        for (int32_t i = 0; i < count; ++i) {
            if (i + kPrefetchDistance < count) {
                PrefetchRecord(RecordAt(records, static_cast<size_t>(i + kPrefetchDistance)));
            }
            WriteLayoutLine(
                sink, *RecordAt(records, static_cast<size_t>(i)), state.Layout, settings, state.DBKind, i);
        }
    }
    return FinishTextOutput(file, sink) ? 0 : -1;
}

}  // namespace vezuved
