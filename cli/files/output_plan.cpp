#include "files/output_plan.h"

#include <filesystem>

#include <vezuved/vezuved.h>

#include "files/failure.h"
#include "files/tool_paths.h"

namespace vezuved_cli {
namespace {

namespace fs = std::filesystem;

// The nearest folder of path that exists, where the file system's rules
// can be asked.
std::string ExistingFolder(const fs::path& folder) {
    std::error_code error;
    fs::path at = fs::absolute(folder.empty() ? fs::path(".") : folder, error);
    while (!at.empty() && !fs::is_directory(at, error)) {
        if (at == at.parent_path()) break;
        at = at.parent_path();
    }
    return at.empty() ? std::string(".") : TextOf(at);
}

// A letter of two UTF-8 bytes (U+0080 to U+07FF); ASCII is folded by the caller.
char32_t LowerLetter(char32_t c) {
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c | 1;
    if (((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) && (c & 1) != 0) return c + 1;
    if (c == 0x178) return 0xFF;
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 32;
    if (c >= 0x410 && c <= 0x42F) return c + 32;
    if (c >= 0x400 && c <= 0x40F) return c + 80;
    return c;
}

// A letter of the two-byte range folds to one of the same range.
void AppendTwoBytes(char32_t c, std::string& out) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
}

void RequireLibraryLength(const std::string& path, bool throughLibrary) {
    if (throughLibrary && path.size() >= VEZUVED_PATH_BUFFER) {
        FailConversion("cannot write '" + path + "': the path is longer than 1023 characters, the most the " +
                       "library takes; nothing was written");
    }
}

}  // namespace

std::string FoldedName(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const unsigned char lead = static_cast<unsigned char>(utf8[i]);
        // Two-byte characters hold every letter folded here but ASCII.
        if (lead >= 0xC2 && lead <= 0xDF && i + 1 < utf8.size() &&
            (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) {
            const char32_t c =
                (char32_t{lead & 0x1Fu} << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F);
            AppendTwoBytes(LowerLetter(c), out);
            i += 2;
            continue;
        }
        out += lead >= 'A' && lead <= 'Z' ? static_cast<char>(lead + 32) : utf8[i];
        ++i;
    }
    return out;
}

std::string Utf8Prefix(const std::string& text, size_t bytes) {
    if (text.size() <= bytes) return text;
    size_t end = bytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

const OutputPlan::Entry* OutputPlan::Clash(const Entry& entry) const {
    for (const Entry& other : entries_) {
        if (other.key == entry.key) return &other;
        if (other.identity.exists && entry.identity.exists &&
            other.identity.volume == entry.identity.volume && other.identity.file == entry.identity.file) {
            return &other;
        }
    }
    return nullptr;
}

OutputPlan::Entry OutputPlan::MakeEntry(const std::string& path, bool input) const {
    const fs::path given = PathOf(path);
    std::error_code error;
    const fs::path folder = given.parent_path().empty() ? fs::path(".") : given.parent_path();
    fs::path absolute = fs::weakly_canonical(fs::absolute(folder, error), error);
    if (error) absolute = fs::absolute(folder, error).lexically_normal();
    const std::string key = TextOf(absolute / given.filename());
    return Entry{path, foldsCase_(ExistingFolder(folder)) ? FoldedName(key) : key, IdentityOf(path), input};
}

void OutputPlan::AddInput(const std::string& path) {
    if (path.empty() || path == "-") return;
    entries_.push_back(MakeEntry(path, true));
}

std::string OutputPlan::Keep(const std::string& path, bool throughLibrary) {
    if (path == "-") return path;
    RequireLibraryLength(path, throughLibrary);
    const fs::path given = PathOf(path);
    if (!NameFits(ExistingFolder(given.parent_path()), TextOf(given.filename()))) {
        FailConversion("cannot write '" + path +
                       "': its name is longer than the file system takes; nothing was " + "written");
    }
    const Entry entry = MakeEntry(path, false);
    if (const Entry* other = Clash(entry)) {
        FailConversion("cannot write '" + path + "': it is " +
                       (other->input ? "the input '" + other->path + "' itself"
                                     : "also where '" + other->path + "' would be written") +
                       "; nothing was written");
    }
    entries_.push_back(entry);
    return path;
}

std::string OutputPlan::Number(const std::string& path, bool throughLibrary) {
    const fs::path given = PathOf(path);
    const std::string folder = ExistingFolder(given.parent_path());
    const std::string stem = TextOf(given.stem()), extension = TextOf(given.extension());
    const bool shortened = !NameFits(folder, stem + extension);
    constexpr int kMostNumbers = 9999;
    for (int number = shortened ? 1 : 0; number <= kMostNumbers; ++number) {
        if (number == 1 && !shortened) continue;
        const std::string suffix = (number == 0 ? "" : "-" + std::to_string(number)) + extension;
        std::string cut = stem;
        if (shortened) {
            // The longest start of the stem whose name fits.
            size_t low = 0, high = stem.size();
            while (low < high) {
                const size_t middle = (low + high + 1) / 2;
                if (NameFits(folder, Utf8Prefix(stem, middle) + suffix)) {
                    low = middle;
                } else {
                    high = middle - 1;
                }
            }
            cut = Utf8Prefix(stem, low);
            if (cut.empty()) break;
        }
        const std::string candidate = TextOf(given.parent_path() / PathOf(cut + suffix));
        const Entry entry = MakeEntry(candidate, false);
        if (Clash(entry) != nullptr) continue;
        RequireLibraryLength(candidate, throughLibrary);
        entries_.push_back(entry);
        return candidate;
    }
    FailConversion("cannot give '" + path +
                   "' a name of its own: every numbered name is taken or too long; " + "nothing was written");
}

}  // namespace vezuved_cli
