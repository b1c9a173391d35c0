// The text conversion exports: thin entries that hand their arguments to
// the drivers unchanged; RunDriver stops every exception.
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
    if (!PathsFit({sourcePath, outputPath, formatPath})) return -1;
    return RunDriver(-1, OnLibraryError::Fail, [&] {
        return ImportText(sourcePath, outputPath, formatPath, kind, source, eleFormat, fieldMap, false);
    });
}

VEZUVED_API int32_t VEZUVED_CALL RLDBExport(const char* databasePath, char* outputPath,
                                            const char* formatPath, int16_t source, int16_t eleFormat,
                                            int16_t fieldCount, const int16_t* fieldMap) {
    const ExportCall call;
    if (!PathsFit({databasePath, outputPath, formatPath})) return -1;
    return RunDriver(-1, OnLibraryError::AnswerCode, [&] {
        return ExportText(databasePath, outputPath, formatPath, source, eleFormat, fieldCount, fieldMap);
    });
}

VEZUVED_READCSV_API int32_t VEZUVED_CALL RLDBReadCSV(const char* sourcePath, const char* formatPath,
                                                     int16_t kind, int16_t source, int16_t eleFormat,
                                                     const int16_t* fieldMap, void** records) {
    const ExportCall call;
    if (!PathsFit({sourcePath, formatPath})) return -1;
    return RunDriver(-1, OnLibraryError::Fail, [&] {
        return ReadDelimitedText(sourcePath, formatPath, kind, source, eleFormat, fieldMap, records);
    });
}

VEZUVED_API int32_t VEZUVED_CALL RLDBWriteCSV(const char* sourcePath, const char* formatPath,
                                              int16_t kind, int16_t source, int16_t eleFormat,
                                              const int16_t* fieldMap, void* records, int32_t count) {
    const ExportCall call;
    if (!PathsFit({sourcePath, formatPath})) return -1;
    return RunDriver(-1, OnLibraryError::Fail, [&] {
        return WriteDelimitedText(sourcePath, formatPath, kind, source, eleFormat, fieldMap, records,
                                  count);
    });
}

}  // extern "C"
