#include "serve/device_jobs.h"

#include <vezuved/vezuved.h>

#include "commands/device_commands.h"
#include "serve/captured_run.h"

namespace vezuved_cli {

// What a copy's callbacks report to, handed to them as the library's
// session pointer: the jobs, whose running one they follow, and the run,
// whose library lines hold the cause of a failed item.
struct DeviceJobs::Session {
    DeviceJobs& jobs;
    const RunContext& run;
};

DeviceJobs::~DeviceJobs() { StopAll(); }

std::string DeviceResultWords(int32_t result) {
    switch (result) {
        case 0:
            return "copied";
        case VEZUVED_DEV_REPLACED:
            return "copied over the older copy";
        case VEZUVED_DEV_UP_TO_DATE:
            return "left alone, up to date";
        case VEZUVED_DEV_DEST_NEWER:
            return "left alone, the destination is newer";
        case VEZUVED_DEV_DEST_OLDER:
            return "left alone, the destination is older";
        default:
            return DeviceResultText(result);
    }
}

int DeviceJobs::Start(const std::string& what, bool ask, std::function<int32_t()> copy) {
    std::lock_guard<std::mutex> guard(mutex_);
    auto job = std::make_unique<Job>();
    job->state.id = static_cast<int>(jobs_.size()) + 1;
    job->state.what = what;
    Job& started = *job;
    jobs_[started.state.id] = std::move(job);
    started.thread = std::thread([this, &started, ask, copy] { Run(started, ask, copy); });
    return started.state.id;
}

void DeviceJobs::Run(Job& job, bool ask, const std::function<int32_t()>& copy) {
    int32_t result = 0;
    const CapturedRun run = RunCaptured([&](RunContext& context) {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            running_ = &job;
        }
        Session session{*this, context};
        RLSetSessionPtr(&session);
        RLSetProgressCallback(OnProgress);
        RLSetAskReplaceCallback(ask ? OnAsk : nullptr);
        result = copy();
        RLSetProgressCallback(nullptr);
        RLSetAskReplaceCallback(nullptr);
        RLSetSessionPtr(nullptr);
    });
    std::lock_guard<std::mutex> guard(mutex_);
    running_ = nullptr;
    JobState& state = job.state;
    state.messages = run.out + run.err;
    bool itemFailed = false;
    for (const CopyProgress& item : state.items) itemFailed = itemFailed || !item.failure.empty();
    state.failed = !run.ok || itemFailed ||
                   !(result == 0 || result == VEZUVED_DEV_REPLACED || result == VEZUVED_DEV_UP_TO_DATE ||
                     result == VEZUVED_DEV_DEST_NEWER || result == VEZUVED_DEV_DEST_OLDER);
    state.result = !run.ok ? run.failure
                   : itemFailed && (result == 0 || result == VEZUVED_DEV_REPLACED)
                       ? DeviceResultWords(-1)
                       : DeviceResultWords(result);
    state.finished = true;
}

int32_t DeviceJobs::OnProgress(int32_t stage, int32_t done, int32_t total, const char* name, void* session) {
    if (session == nullptr) return 0;
    DeviceJobs* jobs = &static_cast<Session*>(session)->jobs;
    LibraryLineSink& library = static_cast<Session*>(session)->run.library;
    if (stage == 0) library.TakeCause();  // a cause from before this item is not its own
    std::string cause;
    if (stage < 0 && stage != VEZUVED_DEV_CANCELLED) {
        cause = library.TakeCause();
        if (cause.empty()) cause = "the copy did not complete";
    }
    std::lock_guard<std::mutex> guard(jobs->mutex_);
    Job* job = jobs->running_;
    if (job == nullptr) return 0;
    const std::string item = name != nullptr ? name : "";
    if (stage == 0 || job->state.items.empty() || job->state.items.back().item != item) {
        job->state.items.push_back(CopyProgress{item, 0, 0, 0, {}});
    }
    CopyProgress& progress = job->state.items.back();
    progress.stage = stage;
    progress.done = done;
    progress.total = total;
    if (stage == VEZUVED_DEV_CANCELLED)
        progress.failure = "cancelled";
    else if (!cause.empty())
        progress.failure = cause;
    return jobs->stopping_ ? -1 : 0;
}

int32_t DeviceJobs::OnAsk(const char* name,
                          int32_t,
                          const char* sourceDate,
                          const char* destinationDate,
                          uint32_t*,
                          void* session) {
    if (session == nullptr) return -1;
    DeviceJobs* jobs = &static_cast<Session*>(session)->jobs;
    std::unique_lock<std::mutex> guard(jobs->mutex_);
    Job* job = jobs->running_;
    if (job == nullptr) return -1;
    job->answer = 2;
    job->state.question = name != nullptr ? name : "";
    job->state.sourceDate = sourceDate != nullptr ? sourceDate : "";
    job->state.destinationDate = destinationDate != nullptr ? destinationDate : "";
    jobs->answered_.wait(guard, [&] { return job->answer != 2 || jobs->stopping_; });
    job->state.question.clear();
    return jobs->stopping_ ? -1 : job->answer;
}

bool DeviceJobs::Get(int id, JobState& state) const {
    std::lock_guard<std::mutex> guard(mutex_);
    const auto found = jobs_.find(id);
    if (found == jobs_.end()) return false;
    state = found->second->state;
    return true;
}

bool DeviceJobs::Answer(int id, int answer) {
    std::lock_guard<std::mutex> guard(mutex_);
    const auto found = jobs_.find(id);
    if (found == jobs_.end() || found->second->state.question.empty()) return false;
    found->second->answer = answer < 0 ? -1 : (answer == 1 ? 1 : 0);
    answered_.notify_all();
    return true;
}

void DeviceJobs::StopAll() {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        stopping_ = true;
        answered_.notify_all();
    }
    for (auto& [id, job] : jobs_) {
        if (job->thread.joinable()) job->thread.join();
    }
}

}  // namespace vezuved_cli
