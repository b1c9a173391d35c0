#include "input/input_paths.h"

#include <algorithm>
#include <filesystem>

#include "files/failure.h"
#include "files/tool_paths.h"
#include "files/tool_platform.h"

namespace vezuved_cli {

bool MatchesWildcard(std::string_view pattern, std::string_view name) {
    // Iterative match with one point to go back to after the last '*'.
    size_t p = 0, n = 0, star = std::string_view::npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::vector<std::string> ExpandInputPaths(const std::vector<std::string>& arguments) {
    std::vector<std::string> paths;
    for (const std::string& argument : arguments) {
        const size_t slash = argument.find_last_of("/\\");
        const std::string folder = slash == std::string::npos ? "" : argument.substr(0, slash + 1);
        const std::string pattern = argument.substr(folder.size());
        if (argument == "-" || pattern.find_first_of("*?") == std::string::npos) {
            paths.push_back(argument);
            continue;
        }
        std::vector<std::string> matches;
        std::error_code error;
        for (std::filesystem::directory_iterator entry(PathOf(folder.empty() ? "." : folder), error), end;
             !error && entry != end;
             entry.increment(error)) {
            const std::string name = TextOf(entry->path().filename());
            if (MatchesWildcard(pattern, name) && entry->is_regular_file(error))
                matches.push_back(folder + name);
        }
        if (matches.empty()) FailConversion("no file matches '" + argument + "'");
        std::sort(matches.begin(), matches.end());
        paths.insert(paths.end(), matches.begin(), matches.end());
    }
    return paths;
}

std::vector<std::string> EachFileOnce(const std::vector<std::string>& paths, std::ostream& err) {
    std::vector<std::string> kept;
    std::vector<FileIdentity> seen;
    for (const std::string& path : paths) {
        // Standard input and a path naming no file are left to the reading to judge.
        const FileIdentity identity = path == "-" ? FileIdentity() : IdentityOf(path);
        const auto same = std::find_if(seen.begin(), seen.end(), [&](const FileIdentity& other) {
            return identity.exists && other.exists && other.volume == identity.volume &&
                   other.file == identity.file;
        });
        if (same != seen.end()) {
            err << "vezuved: '" << path << "' is '" << kept[static_cast<size_t>(same - seen.begin())]
                << "' named again: read once\n";
            continue;
        }
        kept.push_back(path);
        seen.push_back(identity);
    }
    return kept;
}

}  // namespace vezuved_cli
