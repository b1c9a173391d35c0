// The device exports: thin entries that widen their paths, turn their
// arguments into the drivers' settings and hand over to the device
// drivers. No exception leaves them.
#include <cstring>

#include "api/c_arguments.h"
#include "api/export_call.h"
#include "device/copy_from_device.h"
#include "device/copy_to_device.h"
#include "device/device_listing.h"
#include "device/device_text.h"
#include "vezuved/vezuved.h"

using namespace vezuved;

namespace {

// A path handed in, widened; null stays null.
struct WidePath {
    explicit WidePath(const char* text) : given(text != nullptr), wide(WideFrom(text)) {}
    const WCHAR* Get() const { return given ? wide.c_str() : nullptr; }
    bool given;
    WideString wide;
};

// Callbacks come only from the device calls, whose connection, forced kind
// and line reader belong to the running call: a device call made from
// inside a callback would pull them from under it, so it is refused.
constexpr int32_t kRefusedInsideCallback = -1;

// The listing as RLDBCEEnum makes it, with what its report shows; listing
// keeps its result when the call is refused.
int32_t EnumDevice(const char* pcFolder, const char* deviceFolder, uint32_t options, DeviceListing& listing) {
    const ExportCall call;
    if (call.Nested()) return listing.result = kRefusedInsideCallback;
    if (!PathsFit({pcFolder, deviceFolder})) return listing.result = -1;
    return listing.result = RunDriver(-1, OnLibraryError::Fail, [&] {
               const WidePath pc(pcFolder);
               const WidePath device(deviceFolder);
               listing = ListDevice(pc.Get(), device.Get(), options, PathEncoding::Ansi);
               return listing.result;
           });
}

}  // namespace

extern "C" {

VEZUVED_API int32_t VEZUVED_CALL RLDBCEEnum(const char* pcFolder,
                                            const char* deviceFolder,
                                            uint32_t options,
                                            int32_t /*unused*/) {
    DeviceListing listing;
    return EnumDevice(pcFolder, deviceFolder, options, listing);
}

VEZUVED_API int32_t VEZUVED_CALL RLDBCECopyToDevice(const char* pcPath,
                                                    const char* deviceFolder,
                                                    uint32_t options,
                                                    const char* formatPath,
                                                    int16_t kind,
                                                    int16_t source,
                                                    int16_t eleFormat,
                                                    const int16_t* fieldMap) {
    const ExportCall call;
    if (call.Nested()) return kRefusedInsideCallback;
    if (!PathsFit({pcPath, deviceFolder, formatPath})) return -1;
    return RunDriver(-1, OnLibraryError::Fail, [&] {
        CopySettings settings;
        settings.options = options;
        settings.format = GivenPath(formatPath);
        settings.text.kind = GivenFrom<int32_t>(kind, 0);
        settings.text.layout = GivenFrom<uint16_t>(source, 0);
        settings.text.elevationFormat = GivenFrom<uint16_t>(eleFormat, 0);
        settings.text.columns = GivenColumns(fieldMap);
        const WidePath pc(pcPath);
        const WidePath device(deviceFolder);
        return CopyPathToDevice(State(), pc.Get(), device.Get(), settings);
    });
}

VEZUVED_API int32_t VEZUVED_CALL RLDBCECopyFromDevice(const char* deviceFolder,
                                                      const char* filter,
                                                      const char* pcFolder,
                                                      uint32_t options,
                                                      const char* formatPath,
                                                      int16_t kind,
                                                      int32_t,
                                                      int32_t,
                                                      int32_t,
                                                      int32_t) {
    const ExportCall call;
    if (call.Nested()) return kRefusedInsideCallback;
    if (!PathsFit({deviceFolder, filter, pcFolder, formatPath})) return -1;
    return RunDriver(-1, OnLibraryError::Fail, [&] {
        const WidePath device(deviceFolder);
        const WidePath name(filter);
        const WidePath pc(pcFolder);
        return CopyFromDevice(State(), device.Get(), name.Get(), pc.Get(), options, kind);
    });
}

}  // extern "C"
