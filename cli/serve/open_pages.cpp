#include "serve/open_pages.h"

#include <algorithm>

namespace vezuved_cli {
namespace {

// A reload says goodbye and then hello: this long apart at most.
constexpr std::chrono::seconds kReload(4);
constexpr std::chrono::minutes kSilent(3);

}  // namespace

void OpenPages::Hello(const std::string& page, Clock::time_point now) {
    std::lock_guard<std::mutex> guard(mutex_);
    pages_[page] = now;
    seen_ = true;
}

void OpenPages::Goodbye(const std::string& page, Clock::time_point now) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (pages_.erase(page) != 0) lastGone_ = now;
}

bool OpenPages::Current(const std::string& page, long long seq) {
    if (page.empty()) return true;
    std::lock_guard<std::mutex> guard(mutex_);
    long long& newest = newest_[page];
    newest = std::max(newest, seq);
    return seq == newest;
}

bool OpenPages::AllClosed(Clock::time_point now) const {
    std::lock_guard<std::mutex> guard(mutex_);
    if (!seen_ || now - lastGone_ < kReload) return false;
    for (const auto& [page, heard] : pages_) {
        if (now - heard < kSilent) return false;
    }
    return true;
}

}  // namespace vezuved_cli
