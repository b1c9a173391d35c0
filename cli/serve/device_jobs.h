// Copies to and from the handheld started from the page: each runs on a
// thread of its own (the handheld takes one at a time), and keeps the
// progress of each copy, each failure with its cause, and the question
// `--ask` would put, for the page to poll and answer.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <vezuved/vezuved_core.h>

namespace vezuved_cli {

struct CopyProgress {
    std::string item;
    int32_t stage = 0;  // 0 started, 1 going, 2 done, negative: ended so
    int32_t done = 0, total = 0;
    std::string failure;  // the cause, when it failed
};

struct JobState {
    int id = 0;
    std::string what;  // "push hike.rlt"
    bool finished = false;
    std::string result;  // how it ended, in words
    bool failed = false;
    std::string messages;  // what the copy said, a line each
    std::vector<CopyProgress> items;
    std::string question;  // the item a replace question is about; empty when none
    std::string sourceDate, destinationDate;
};

class DeviceJobs {
public:
    ~DeviceJobs();
    // The copy on the device handle, its events to callback with context;
    // answers the call's result.
    using Copy =
        std::function<int32_t(vezuved_device* device, vezuved_device_callback callback, void* context)>;
    // Starts copy on a thread of its own.
    int Start(const std::string& what, bool ask, Copy copy);
    bool Get(int id, JobState& state) const;
    // 0 replace, 1 skip, -1 cancel.
    bool Answer(int id, int answer);
    // The handheld, one call at a time: a copy holds it while it runs, and
    // the listing takes it when no copy does.
    std::timed_mutex& Handheld() { return handheld_; }
    // Asks the running copies to stop: a question waiting is cancelled,
    // and a copy stops at its next step.
    void AskToStop();
    // Asks them to stop and waits for them.
    void StopAll();

private:
    struct Session;
    struct Job {
        JobState state;
        int answer = 2;  // none yet
        std::thread thread;
    };
    void Run(Job& job, bool ask, const Copy& copy);
    static int32_t VEZUVED_CORE_CALL OnEvent(const vezuved_device_event* event, void* session);
    int32_t Progress(Job& job, const vezuved_device_event& event);
    int32_t Ask(Job& job, const vezuved_device_event& event);

    mutable std::mutex mutex_;
    std::condition_variable answered_;
    std::timed_mutex handheld_;
    std::map<int, std::unique_ptr<Job>> jobs_;
    bool stopping_ = false;
};

// The device result in words, as the device commands say it.
std::string DeviceResultWords(int32_t result);

}  // namespace vezuved_cli
