#include "serve/captured_run.h"

#include <sstream>

namespace vezuved_cli {

CapturedRun RunCaptured(const std::function<void(RunContext&)>& work) {
    // The request's own streams: the core prints nothing, so requests run
    // side by side, each writing only to its own.
    std::ostringstream out, err;
    CapturedRun run;
    {
        RunContext context{out, err, ConversionRules(), false, TemporaryFolder()};
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
