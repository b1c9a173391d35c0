// Every file a run writes, decided before the first byte is written: each
// output is told apart from every other output and every input of the run
// as the file system tells them apart (the same file by its identity, names
// without regard to case where the folder folds case), and its name fits
// the file system.
#pragma once

#include <string>
#include <vector>

#include "files/tool_platform.h"

namespace vezuved_cli {

class OutputPlan {
public:
    // foldsCase answers whether a folder's names fold case (the file
    // system's answer, or a test's).
    explicit OutputPlan(bool (*foldsCase)(const std::string& folder) = FoldsCase) : foldsCase_(foldsCase) {}

    // A file the run reads (an input, a format definition): no output may be it.
    void AddInput(const std::string& path);

    // An output as the user named it, kept as it is: fails when it is an
    // input or an output already planned, or its name does not fit.
    std::string Keep(const std::string& path, bool throughLibrary);

    // An output the tool named: path itself, else the first free of
    // STEM-2, STEM-3, ...; a name too long for its folder is cut at a
    // character and numbered (STEM-1). Fails when no name is free.
    std::string Number(const std::string& path, bool throughLibrary);

private:
    struct Entry {
        std::string path;
        std::string key;  // folder and name as the file system compares them
        FileIdentity identity;
        bool input = false;
    };
    const Entry* Clash(const Entry& entry) const;
    Entry MakeEntry(const std::string& path, bool input) const;
    bool (*foldsCase_)(const std::string& folder);
    std::vector<Entry> entries_;
};

// Text with letters folded to lower case as case-folding file systems
// compare names: ASCII, Latin, Greek and Cyrillic; other bytes as they are.
std::string FoldedName(const std::string& utf8);

// The longest start of text of at most bytes bytes that ends between
// UTF-8 characters.
std::string Utf8Prefix(const std::string& text, size_t bytes);

}  // namespace vezuved_cli
