// The text conversion exports: thin entries that hand their arguments to
// the drivers unchanged. No exception leaves them.
#include "api/export_call.h"
#include "text/delimited_text.h"
#include "text/export_text.h"
#include "text/import_text.h"
#include "vezuved/vezuved.h"

// On Windows this one export carries only its decorated C++ name, given by
// the export list; the function itself must not add a plain export.
#if defined(_WIN32)
#define VEZUVED_READCSV_API
#else
#define VEZUVED_READCSV_API VEZUVED_API
#endif

extern "C" {

VEZUVED_API int32_t VEZUVED_CALL RLDBImport(const char* sourcePath, char* outputPath,
                                            const char* formatPath, int16_t kind, int16_t source,
                                            int16_t eleFormat, const int16_t* fieldMap) {
    const ExportCall call;
    try {
        return ImportText(sourcePath, outputPath, formatPath, kind, source, eleFormat, fieldMap, false);
    } catch (...) {
        return -1;
    }
}

VEZUVED_API int32_t VEZUVED_CALL RLDBExport(const char* databasePath, char* outputPath,
                                            const char* formatPath, int16_t source, int16_t eleFormat,
                                            int16_t fieldCount, const int16_t* fieldMap) {
    const ExportCall call;
    try {
        return ExportText(databasePath, outputPath, formatPath, source, eleFormat, fieldCount, fieldMap);
    } catch (...) {
        return -1;
    }
}

VEZUVED_READCSV_API int32_t VEZUVED_CALL RLDBReadCSV(const char* sourcePath, const char* formatPath,
                                                     int16_t kind, int16_t source, int16_t eleFormat,
                                                     const int16_t* fieldMap, void** records) {
    const ExportCall call;
    try {
        return ReadDelimitedText(sourcePath, formatPath, kind, source, eleFormat, fieldMap, records);
    } catch (...) {
        return -1;
    }
}

VEZUVED_API int32_t VEZUVED_CALL RLDBWriteCSV(const char* sourcePath, const char* formatPath,
                                              int16_t kind, int16_t source, int16_t eleFormat,
                                              const int16_t* fieldMap, void* records, int32_t count) {
    const ExportCall call;
    try {
        return WriteDelimitedText(sourcePath, formatPath, kind, source, eleFormat, fieldMap, records,
                                  count);
    } catch (...) {
        return -1;
    }
}

}  // extern "C"
