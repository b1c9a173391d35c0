// Loading a definition: the path rule, reading the file whole, and the walk
// that cuts its text into lines (quotes, line ends, dropped characters).
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "formats/format_file.h"

#include "base/ascii.h"
#include "base/diag.h"
#include "base/file_handle.h"
#include "base/memory.h"
#include "platform/replacing_file.h"
#include "state/conversion_state.h"

namespace vezuved {

namespace {

constexpr char kBell = 7;
constexpr char kBackspace = 8;
constexpr size_t kFirstReadSize = 4096;

struct MemDeleter {
    void operator()(char* block) const noexcept { MemFree(block); }
};
using TextBuffer = std::unique_ptr<char, MemDeleter>;

// Collects one line. Characters beyond kFormatLineMax are dropped, so an
// over-long line is cut (its key and the start of its value survive) and
// nothing is ever written past the buffer.
class LineCollector {
public:
    void Add(char c) {
        if (length_ < kFormatLineMax) buffer_[length_++] = c;
    }
    size_t Length() const { return length_; }
    // The line as C text. A NUL kept inside quotes ends it early.
    const char* Text() {
        buffer_[length_] = '\0';
        return buffer_;
    }
    void Clear() { length_ = 0; }

private:
    char buffer_[kFormatLineMax + 1];
    size_t length_ = 0;
};

struct Search {
    const char* wanted = nullptr;  // null: apply every line
    int wantedIndex = -1;
};

// Handles one finished line; true when the search stops here.
bool FinishLine(ConversionState& state, LineCollector& line, const Search& search) {
    const char* text = line.Text();
    const char* value = nullptr;
    const int index = ParseFormatLine(state, text, &value);
    if (index >= 0) {
        if (search.wanted != nullptr && index == search.wantedIndex) {
            state.FoundValue = std::string(value);
            return true;
        }
        ApplyFormatKeyword(state, index, value);
    } else if (search.wanted != nullptr && search.wantedIndex < 0 && EqualsIgnoreCase(text, search.wanted)) {
        // A bare line naming what is sought carries no value.
        state.FoundValue = std::string();
        return true;
    }
    line.Clear();
    return false;
}

// Reads the whole stream into a buffer from the library heap; null when
// memory runs out. *size receives the bytes read.
TextBuffer ReadWhole(std::FILE* file, size_t* size) {
    TextBuffer text;
    size_t capacity = 0;
    size_t used = 0;
    for (;;) {
        if (used == capacity) {
            if (capacity > static_cast<size_t>(-1) / 2) return TextBuffer();
            const size_t grown = capacity == 0 ? kFirstReadSize : capacity * 2;
            char* bigger = static_cast<char*>(MemReallocate(text.get(), grown));
            if (bigger == nullptr) return TextBuffer();
            text.release();
            text.reset(bigger);
            capacity = grown;
        }
        const size_t got = std::fread(text.get() + used, 1, capacity - used, file);
        used += got;
        if (got == 0) break;
    }
    // A read that failed part way is no definition: half of one is never applied.
    if (std::ferror(file)) return TextBuffer();
    *size = used;
    return text;
}

}  // namespace

bool ParseFormatText(ConversionState& state, const char* text, size_t length, const char* wanted) {
    Search search;
    search.wanted = wanted;
    if (wanted != nullptr) search.wantedIndex = FindFormatKeyword(wanted);
    if (text == nullptr) return false;

    LineCollector line;
    bool quoted = false;
    for (size_t i = 0; i < length; ++i) {
        const char c = text[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (quoted) {
            line.Add(c);  // line ends and NULs included: quoted values span lines
        } else if (c == '\n' || c == '\r' || c == '\0') {
            if (c == '\r' && i + 1 < length && text[i + 1] == '\n') ++i;
            if (FinishLine(state, line, search)) return true;
        } else if (c != kBell && c != kBackspace) {
            line.Add(c);
        }
    }
    if (line.Length() > 0) return FinishLine(state, line, search);
    return false;
}

bool MakeFormatPath(const char* path, std::string& out) {
    if (path == nullptr) return false;
    const size_t length = strnlen(path, kFormatPathMax + 1);
    if (length > kFormatPathMax) return false;
    // The last '.' of the whole path counts, even one in a folder name.
    const char* dot = std::strrchr(path, '.');
    const size_t keep = dot != nullptr ? static_cast<size_t>(dot - path) : length;
    out.assign(path, keep);
    out += ".cal";
    return true;
}

int32_t LoadFormatFileAt(ConversionState& state, const char* definitionPath, const char* wanted) {
    if (definitionPath == nullptr) return 0;
    FileHandle file = OpenFile(definitionPath, "rb", state.Paths);
    if (!file) {
        const int cause = errno;  // for a caller that names why, past the line printed
        DiagPrint("No Cal File\n");
        errno = cause;
        return -1;
    }
    size_t size = 0;
    errno = 0;
    TextBuffer text = ReadWhole(file.get(), &size);
    if (!text) {
        const int cause = errno != 0 ? errno : EIO;
        if (std::ferror(file.get()))
            DiagCause(std::string("cannot read '") + definitionPath + "': " + PlatformErrorText(cause));
        errno = cause;
        return -1;
    }
    try {
        ParseFormatText(state, text.get(), size, wanted);
    } catch (const std::bad_alloc&) {
        // The lines before the failing one stay applied, as with a cut file.
        return -1;
    }
    return 0;
}

int32_t LoadFormatFile(ConversionState& state, const char* path, const char* wanted) {
    if (path == nullptr) return 0;
    std::string definitionPath;
    try {
        if (!MakeFormatPath(path, definitionPath)) {
            // A path too long to be a definition's is one that cannot be opened.
            DiagPrint("No Cal File\n");
            return -1;
        }
    } catch (const std::bad_alloc&) {
        return -1;
    }
    return LoadFormatFileAt(state, definitionPath.c_str(), wanted);
}

}  // namespace vezuved
