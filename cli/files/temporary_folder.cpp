#include "files/temporary_folder.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <random>
#include <utility>
#include <vector>

#include "files/failure.h"
#include "files/tool_paths.h"
#include "files/tool_platform.h"

namespace vezuved_cli {

namespace {

// The folders held now, for a process that ends without its owners.
struct HeldFolders {
    std::atomic_flag busy = ATOMIC_FLAG_INIT;
    std::vector<std::string> paths;
    bool closed = false;
};
HeldFolders& Held() {
    static HeldFolders* held = new HeldFolders();  // never destroyed: owners may outlive statics
    return *held;
}

// The registry's lock: a flag spun on, as the 32-bit Windows toolchain has
// no std::mutex, and what it guards takes a moment.
class HeldLock {
public:
    explicit HeldLock(HeldFolders& held) : held_(held) {
        while (held_.busy.test_and_set(std::memory_order_acquire)) {
        }
    }
    ~HeldLock() { held_.busy.clear(std::memory_order_release); }
    HeldLock(const HeldLock&) = delete;
    HeldLock& operator=(const HeldLock&) = delete;

private:
    HeldFolders& held_;
};

// "vezuved-" and the process's number: a later run knows whose it was.
std::string OwnPrefix() { return "vezuved-" + std::to_string(vezuved_system_process_id()) + "-"; }

TemporaryFolder MakeIn(const std::filesystem::path& base, const std::string& prefix) {
    std::error_code error;
    std::random_device seed;
    std::mt19937_64 random(seed());
    // A name another has taken is drawn again; any failure ends the search.
    for (int attempt = 0; attempt < 100 && !error; ++attempt) {
        const std::filesystem::path candidate =
            base / PathOf(prefix + std::to_string(random() % 1000000000000ULL));
        if (std::filesystem::create_directory(candidate, error)) {
            // What the tool keeps there (uploads, copies of standard input)
            // is the user's own: no other account may look in.
            std::filesystem::permissions(candidate, std::filesystem::perms::owner_all, error);
            return TemporaryFolder::Adopt(TextOf(candidate));
        }
    }
    FailConversion("cannot make a temporary folder in '" + TextOf(base) +
                   "': " + (error ? error.message() : "every name tried was taken"));
}

}  // namespace

TemporaryFolder TemporaryFolder::Create() {
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error) FailConversion("cannot make a temporary folder: " + error.message());
    return MakeIn(base, OwnPrefix());
}

TemporaryFolder TemporaryFolder::Adopt(const std::string& path) {
    HeldFolders& held = Held();
    const HeldLock guard(held);
    if (held.closed) {
        std::error_code error;
        std::filesystem::remove_all(PathOf(path), error);
        FailConversion("the tool is ending: no temporary folder is made");
    }
    held.paths.push_back(path);
    TemporaryFolder folder;
    folder.path_ = path;
    return folder;
}

void TemporaryFolder::RemoveAllNow() {
    HeldFolders& held = Held();
    const HeldLock guard(held);
    held.closed = true;
    for (const std::string& path : held.paths) {
        std::error_code error;
        std::filesystem::remove_all(PathOf(path), error);
    }
    held.paths.clear();
}

void TemporaryFolder::SweepLeftBehind() {
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error) return;
    for (const auto& entry : std::filesystem::directory_iterator(base, error)) {
        // vezuved-PID-NUMBER, a folder of this account's (another's cannot be removed anyway).
        const std::string name = TextOf(entry.path().filename());
        const size_t dash = name.find('-', 8);
        if (name.compare(0, 8, "vezuved-") != 0 || dash == std::string::npos || dash == 8 || dash > 26 ||
            name.find_first_not_of("0123456789", 8) != dash || !entry.is_directory(error))
            continue;
        if (!vezuved_system_process_running(std::stoll(name.substr(8, dash - 8))))
            std::filesystem::remove_all(entry.path(), error);
    }
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
    {
        HeldFolders& held = Held();
        const HeldLock guard(held);
        const auto found = std::find(held.paths.begin(), held.paths.end(), path_);
        if (found == held.paths.end()) return;  // removed already, with every other
        held.paths.erase(found);
    }
    std::error_code error;
    std::filesystem::remove_all(PathOf(path_), error);  // nothing more to do if it cannot go
}

}  // namespace vezuved_cli
