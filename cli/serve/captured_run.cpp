#include "serve/captured_run.h"

#include <iostream>
#include <sstream>

#include "base/diag.h"
#include "files/failure.h"
#include "files/library_lines.h"
#include "platform/library_lock.h"

using namespace vezuved;

namespace vezuved_cli {
namespace {

struct Capture {
    LibraryLines lines;
    std::string out, err;
};

void CaptureSink(void* context, DiagKind kind, const char* bytes, size_t length) {
    Capture& capture = *static_cast<Capture*>(context);
    capture.lines.Take(kind == DiagKind::Cause, bytes, length, capture.out, capture.err);
    if (kind == DiagKind::Cause) NoteLibraryCause(bytes, length);
}

// Standard output and error go to strings for as long as it lives.
class StreamsTaken {
public:
    StreamsTaken() : out_(std::cout.rdbuf(outText_.rdbuf())), err_(std::cerr.rdbuf(errText_.rdbuf())) {}
    ~StreamsTaken() {
        std::cout.rdbuf(out_);
        std::cerr.rdbuf(err_);
    }
    std::string Out() const { return outText_.str(); }
    std::string Err() const { return errText_.str(); }

private:
    std::ostringstream outText_, errText_;
    std::streambuf* out_;
    std::streambuf* err_;
};

}  // namespace

CapturedRun RunCaptured(const std::function<void()>& work, bool listingReport) {
    LibraryLock lock;  // the whole request, as one command runs alone
    Capture capture{LibraryLines(listingReport), "", ""};
    CapturedRun run;
    {
        StreamsTaken streams;
        DiagScope sink(DiagSink{CaptureSink, &capture});
        try {
            work();
        } catch (const std::exception& error) {
            run.ok = false;
            run.failure = error.what();
        } catch (...) {
            run.ok = false;
            run.failure = "failed for a reason the tool does not know";
        }
        capture.lines.Finish(capture.out);
        run.out = streams.Out() + capture.out;
        run.err = streams.Err() + capture.err;
    }
    return run;
}

}  // namespace vezuved_cli
