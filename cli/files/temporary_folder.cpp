#include "files/temporary_folder.h"

#include <filesystem>
#include <random>
#include <utility>

#include "files/failure.h"
#include "files/tool_paths.h"

namespace vezuved_cli {

namespace {

TemporaryFolder MakeIn(const std::filesystem::path& base, const std::string& prefix) {
    std::error_code error;
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path candidate =
            base / PathOf(prefix + std::to_string(random() % 1000000000000ULL));
        if (std::filesystem::create_directory(candidate, error)) {
            // What the tool keeps there (uploads, copies of standard input)
            // is the user's own: no other account may look in.
            std::filesystem::permissions(candidate, std::filesystem::perms::owner_all, error);
            return TemporaryFolder::Adopt(TextOf(candidate));
        }
        if (error)
            FailConversion("cannot make a temporary folder in '" + TextOf(base) + "': " + error.message());
    }
    FailConversion("cannot make a temporary folder in '" + TextOf(base) + "': every name tried was taken");
}

}  // namespace

TemporaryFolder TemporaryFolder::Create() {
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error) FailConversion("cannot make a temporary folder: " + error.message());
    return MakeIn(base, "vezuved-");
}

TemporaryFolder TemporaryFolder::Adopt(const std::string& path) {
    TemporaryFolder folder;
    folder.path_ = path;
    return folder;
}

TemporaryFolder::TemporaryFolder(TemporaryFolder&& other) noexcept : path_(std::move(other.path_)) {
    other.path_.clear();
}

TemporaryFolder& TemporaryFolder::operator=(TemporaryFolder&& other) noexcept {
    std::swap(path_, other.path_);
    return *this;
}

std::string TemporaryFolder::File(const std::string& name) const {
    return TextOf(PathOf(path_) / PathOf(name));
}

TemporaryFolder::~TemporaryFolder() {
    if (path_.empty()) return;
    std::error_code error;
    std::filesystem::remove_all(PathOf(path_), error);  // nothing more to do if it cannot go
}

}  // namespace vezuved_cli
