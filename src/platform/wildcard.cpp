#include "platform/wildcard.h"

#include <cstring>

namespace vezuved {

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Greedy match with one backtrack point per '*': linear in the common case
// and never worse than pattern length times name length.
bool MatchCore(const char* p, size_t pn, const char* s, size_t sn) {
    constexpr size_t kNone = static_cast<size_t>(-1);
    size_t pi = 0;
    size_t si = 0;
    size_t starP = kNone;
    size_t starS = 0;
    while (si < sn) {
        if (pi < pn && p[pi] == '*') {
            starP = pi++;
            starS = si;
        } else if (pi < pn && (p[pi] == '?' || Lower(p[pi]) == Lower(s[si]))) {
            ++pi;
            ++si;
        } else if (starP != kNone) {
            pi = starP + 1;
            si = ++starS;
        } else {
            return false;
        }
    }
    while (pi < pn && p[pi] == '*') ++pi;
    return pi == pn;
}

}  // namespace

bool WildcardMatch(const char* pattern, const char* name) {
    if (pattern == nullptr || name == nullptr) return false;
    const size_t pn = std::strlen(pattern);
    const size_t sn = std::strlen(name);
    if (MatchCore(pattern, pn, name, sn)) return true;
    if (pn >= 2 && pattern[pn - 2] == '.' && pattern[pn - 1] == '*')
        return MatchCore(pattern, pn - 2, name, sn);
    if (pn >= 1 && pattern[pn - 1] == '.' && std::strchr(name, '.') == nullptr)
        return MatchCore(pattern, pn - 1, name, sn);
    return false;
}

}  // namespace vezuved
