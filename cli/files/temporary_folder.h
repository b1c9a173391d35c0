// A folder of the tool's own under the system's temporary folder, open to
// its owner alone (0700 on POSIX) and removed with everything in it when
// its owner goes.
#pragma once

#include <string>

namespace vezuved_cli {

class TemporaryFolder {
public:
    TemporaryFolder() = default;
    // Creates the folder; fails when it cannot be created.
    static TemporaryFolder Create();
    TemporaryFolder(TemporaryFolder&& other) noexcept;
    TemporaryFolder& operator=(TemporaryFolder&& other) noexcept;
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    ~TemporaryFolder();

    const std::string& path() const { return path_; }
    // A file of that name inside the folder.
    std::string File(const std::string& name) const;

    // Takes over a folder just made: removed with its owner.
    static TemporaryFolder Adopt(const std::string& path);

    // For a process ending at once, without its owners: removes every
    // folder still held, and no folder is made after it.
    static void RemoveAllNow();
    // Removes the folders a process of the tool left behind when it was
    // killed: their names carry its number, and it is no longer running.
    static void SweepLeftBehind();

private:
    std::string path_;
};

}  // namespace vezuved_cli
