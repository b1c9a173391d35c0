#include "serve/device_jobs.h"

#include <chrono>
#include <memory>
#include <string>

#include <vezuved/vezuved.h>
#include <vezuved/vezuved_core.h>

#include "commands/device_commands.h"

namespace vezuved_cli {

namespace {
constexpr std::chrono::minutes kQuestionWait(2);
}  // namespace

// What a copy's events report to: the jobs and the job they are of.
struct DeviceJobs::Session {
    DeviceJobs& jobs;
    Job& job;
    bool ask;
};

DeviceJobs::~DeviceJobs() { StopAll(); }

int DeviceJobs::Start(const std::string& what, bool ask, Copy copy) {
    std::lock_guard<std::mutex> guard(mutex_);
    auto job = std::make_unique<Job>();
    job->state.id = static_cast<int>(jobs_.size()) + 1;
    job->state.what = what;
    Job& started = *job;
    jobs_[started.state.id] = std::move(job);
    started.thread = std::thread([this, &started, ask, copy] { Run(started, ask, copy); });
    return started.state.id;
}

void DeviceJobs::Run(Job& job, bool ask, const Copy& copy) {
    // Copies wait their turn for the handheld, and give it up when the server ends.
    std::unique_lock<std::timed_mutex> handheld(handheld_, std::defer_lock);
    while (!handheld.try_lock_for(std::chrono::milliseconds(50))) {
        std::lock_guard<std::mutex> guard(mutex_);
        if (stopping_) {
            job.state.failed = true;
            job.state.result = "not started: the server is ending";
            job.state.finished = true;
            return;
        }
    }
    std::unique_ptr<vezuved_device, void (*)(vezuved_device*)> device(vezuved_device_new(),
                                                                      vezuved_device_free);
    Session session{*this, job, ask};
    const int32_t result = device ? copy(device.get(), OnEvent, &session) : VEZUVED_ERROR_MEMORY;
    std::lock_guard<std::mutex> guard(mutex_);
    JobState& state = job.state;
    state.failed = result != VEZUVED_OK;
    state.result = !device        ? std::string("memory ran out")
                   : state.failed ? std::string(vezuved_device_error_message(device.get()))
                                  : DeviceOutcomeWords(vezuved_device_outcome(device.get()));
    state.finished = true;
}

int32_t VEZUVED_CORE_CALL DeviceJobs::OnEvent(const vezuved_device_event* event, void* context) {
    Session& session = *static_cast<Session*>(context);
    DeviceJobs& jobs = session.jobs;
    switch (event->type) {
        case VEZUVED_DEVICE_EVENT_PROGRESS:
            return jobs.Progress(session.job, *event);
        case VEZUVED_DEVICE_EVENT_QUESTION:
            return session.ask ? jobs.Ask(session.job, *event) : 0;
        case VEZUVED_DEVICE_EVENT_FAILED: {
            std::lock_guard<std::mutex> guard(jobs.mutex_);
            std::vector<CopyProgress>& items = session.job.state.items;
            if (!items.empty() && items.back().item == event->item) items.back().failure = event->message;
            return 0;
        }
        default: {
            std::lock_guard<std::mutex> guard(jobs.mutex_);
            session.job.state.messages += event->message + std::string("\n");
            return 0;
        }
    }
}

int32_t DeviceJobs::Progress(Job& job, const vezuved_device_event& event) {
    std::lock_guard<std::mutex> guard(mutex_);
    const std::string item = event.item;
    if (event.stage == 0 || job.state.items.empty() || job.state.items.back().item != item) {
        job.state.items.push_back(CopyProgress{item, 0, 0, 0, {}});
    }
    CopyProgress& progress = job.state.items.back();
    progress.stage = event.stage;
    progress.done = event.done;
    progress.total = event.total;
    if (event.stage == VEZUVED_DEV_CANCELLED) progress.failure = "cancelled";
    return stopping_ ? -1 : 0;
}

int32_t DeviceJobs::Ask(Job& job, const vezuved_device_event& event) {
    std::unique_lock<std::mutex> guard(mutex_);
    job.answer = 2;
    job.state.question = event.item;
    job.state.sourceDate = event.source_date;
    job.state.destinationDate = event.destination_date;
    // Unanswered, the existing copy is left alone: the question holds the
    // handheld, and a page closed without answering must not hold it for ever.
    if (!answered_.wait_for(guard, kQuestionWait, [&] { return job.answer != 2 || stopping_; })) {
        job.answer = 1;
        job.state.messages += "No answer within " + std::to_string(kQuestionWait.count()) +
                              " minutes: " + job.state.question + " left alone\n";
    }
    job.state.question.clear();
    return stopping_ ? -1 : job.answer;
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

void DeviceJobs::AskToStop() {
    std::lock_guard<std::mutex> guard(mutex_);
    stopping_ = true;
    answered_.notify_all();
}

void DeviceJobs::StopAll() {
    AskToStop();
    for (auto& [id, job] : jobs_) {
        if (job->thread.joinable()) job->thread.join();
    }
}

}  // namespace vezuved_cli
