#include "formats/format_catalogue.h"

#include <cstring>
#include <optional>
#include <string>

#include "base/ascii.h"
#include "formats/format_file.h"
#include "platform/folder_search.h"
#include "state/conversion_state.h"

namespace vezuved {

namespace {

// Values and paths inside the search live in buffers of this many
// characters plus the NUL; longer values are cut.
constexpr size_t kSearchTextMax = kFormatSearchPathSize - 1;

enum class PathRule { kDefinitionOf, kExact };

// Resets the state, loads the definition searching for keyword and takes
// the value found. Header, FormatTitle and FoundValue are freed afterwards.
std::optional<std::string> LookUpValue(ConversionState& state,
                                       const char* keyword,
                                       const char* path,
                                       PathRule rule) {
    ResetConversionState(state);
    state.FoundValue.reset();  // a value left by an interrupted call never counts
    if (rule == PathRule::kExact) {
        LoadFormatFileAt(state, path, keyword);
    } else {
        LoadFormatFile(state, path, keyword);
    }
    std::optional<std::string> found = std::move(state.FoundValue);
    FreeFormatStrings(state);
    return found;
}

std::string SearchValue(ConversionState& state, const char* keyword, const std::string& path) {
    std::optional<std::string> found = LookUpValue(state, keyword, path.c_str(), PathRule::kExact);
    if (!found) return std::string();
    if (found->size() > kSearchTextMax) found->resize(kSearchTextMax);
    return std::move(*found);
}

int32_t KindOfType(const std::string& type) {
    if (EqualsIgnoreCase(type.c_str(), "Track")) return kKindTrack;
    if (EqualsIgnoreCase(type.c_str(), "Point")) return kKindPoint;
    if (EqualsIgnoreCase(type.c_str(), "Route")) return kKindRoute;
    return kKindUnknown;
}

}  // namespace

int32_t GetFormatValue(
    ConversionState& state, const char* keyword, const char* path, char* value, int32_t* length) noexcept {
    if (value != nullptr) value[0] = '\0';
    try {
        const std::optional<std::string> found = LookUpValue(state, keyword, path, PathRule::kDefinitionOf);
        if (found) {
            const size_t size = std::strlen(found->c_str());
            if (length != nullptr) *length = static_cast<int32_t>(size);
            if (value != nullptr) {
                std::memcpy(value, found->c_str(), size);
                value[size] = '\0';
            }
        }
    } catch (...) {
        FreeFormatStrings(state);
    }
    return 0;
}

int32_t FindFormatForExtension(ConversionState& state,
                               int32_t kindFilter,
                               const char* extension,
                               char* outPath) {
    if (outPath != nullptr) outPath[0] = '\0';
    std::string folder = CurrentFolder(state.Paths);
    if (folder.empty() || folder.size() > kSearchTextMax + 1) return kKindUnknown;
    if (!IsPathSeparator(folder.back())) folder += kPathSeparator;

    FolderSearch search;
    if (!search.Open(folder, "*.cal", state.Paths)) return kKindUnknown;
    FolderEntry entry;
    while (search.Next(entry)) {
        if (entry.isFolder) continue;
        const std::string candidate = folder + entry.name;
        // A path that does not fit could not be handed on whole.
        if (candidate.size() > kSearchTextMax) continue;

        // The candidate is opened by its own name: on a case-sensitive file
        // system "X.CAL" must not be turned into "X.cal".
        int32_t kind = kKindUnknown;
        const std::string type = SearchValue(state, "DBType", candidate);
        if (!type.empty()) {
            kind = KindOfType(type);
            if (kind != kKindUnknown && kindFilter != kKindUnknown && kindFilter != kind) continue;
        }
        const std::string ext = SearchValue(state, "Ext", candidate);
        if (extension != nullptr && !ext.empty() && EqualsIgnoreCase(ext.c_str(), extension)) {
            if (outPath != nullptr) std::memcpy(outPath, candidate.c_str(), candidate.size() + 1);
            return kind;
        }
    }
    return kKindUnknown;
}

}  // namespace vezuved
