// The pages open on the server, so that closing the last one ends it: each
// says hello when it loads and now and then after, and goodbye when it goes.
#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <string>

namespace vezuved_cli {

class OpenPages {
public:
    using Clock = std::chrono::steady_clock;
    void Hello(const std::string& page, Clock::time_point now = Clock::now());
    void Goodbye(const std::string& page, Clock::time_point now = Clock::now());
    // Whether every page that was open is gone, for long enough that none is
    // only being reloaded; a page not heard from for three minutes is gone
    // (a browser may wake a hidden page's timers once a minute). False
    // before any page has opened.
    bool AllClosed(Clock::time_point now = Clock::now()) const;
    // Whether a page's view numbered seq is still its newest: a preview a
    // newer one replaced is dropped rather than worked out. A request of no
    // page is always current.
    bool Current(const std::string& page, long long seq);

private:
    mutable std::mutex mutex_;
    std::map<std::string, Clock::time_point> pages_;  // when each was last heard from
    bool seen_ = false;
    Clock::time_point lastGone_{};
    std::map<std::string, long long> newest_;  // each page's newest view
};

}  // namespace vezuved_cli
