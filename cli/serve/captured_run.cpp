#include "serve/captured_run.h"

#include <sstream>

#include "platform/library_lock.h"

using namespace vezuved;

namespace vezuved_cli {

CapturedRun RunCaptured(const std::function<void(RunContext&)>& work) {
    // The whole request, as one command runs alone: the library's lines go
    // to this run's sink, which no other request's call can reach meanwhile.
    LibraryLock lock;
    std::ostringstream out, err;
    CapturedRun run;
    {
        LibraryLineSink library(out, err);
        RunContext context{out, err, library, ConversionRules(), false, TemporaryFolder()};
        try {
            work(context);
        } catch (const std::exception& error) {
            run.ok = false;
            run.failure = error.what();
        } catch (...) {
            run.ok = false;
            run.failure = "failed for a reason the tool does not know";
        }
    }
    run.out = out.str();
    run.err = err.str();
    return run;
}

}  // namespace vezuved_cli
