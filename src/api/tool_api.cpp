#include "api/tool_api.h"

#include "api/export_call.h"
#include "pointdb/point_database_reader.h"
#include "state/conversion_state.h"

namespace vezuved::tool {
namespace {

// The tool's paths are UTF-8: the host's state reads them so while the
// tool's call lasts, and is the host's again after it.
class ToolPaths {
public:
    ToolPaths() : kept_(State().Paths) { State().Paths = PathEncoding::Utf8; }
    ~ToolPaths() { State().Paths = kept_; }
    ToolPaths(const ToolPaths&) = delete;
    ToolPaths& operator=(const ToolPaths&) = delete;

private:
    PathEncoding kept_;
};

}  // namespace

int32_t ReadDatabaseInfo(
    const std::string& path, int32_t* kind, int32_t* source, int32_t* version, int32_t* count) {
    const ExportCall call;
    if (!PathsFit({path.c_str()})) return -1;
    ToolPaths paths;
    return RunDriver(-1, OnLibraryError::Fail, [&] {
        return GetPointDatabaseInfo(State(), path.c_str(), kind, source, version, count);
    });
}

int32_t ReadDatabase(const std::string& path, void** records, int32_t* kind) {
    const ExportCall call;
    if (!PathsFit({path.c_str()})) return -1;
    ToolPaths paths;
    return RunDriver(
        -1, OnLibraryError::Fail, [&] { return DoReadPointDatabase(State(), path.c_str(), records, kind); });
}

}  // namespace vezuved::tool
