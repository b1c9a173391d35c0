// The text conversion exports: thin entries that turn their arguments into
// the drivers' requests; RunDriver stops every exception.
#include "api/c_arguments.h"
#include "api/export_call.h"
#include "text/delimited_text.h"
#include "text/export_text.h"
#include "text/import_text.h"
#include "vezuved/vezuved.h"

using namespace vezuved;

// On Windows this one export carries only its decorated C++ name, given by
// the export list; the function itself must not add a plain export.
#if defined(_WIN32)
#define VEZUVED_READCSV_API
#else
#define VEZUVED_READCSV_API VEZUVED_API
#endif

namespace {

// The request of the delimited-text exports: every value given from 0 on.
TextRequest DelimitedRequest(const char* sourcePath,
                             const char* formatPath,
                             int16_t kind,
                             int16_t source,
                             int16_t eleFormat,
                             const int16_t* fieldMap) {
    TextRequest request;
    request.source = sourcePath;
    request.format = GivenPath(formatPath);
    request.kind = GivenFrom<int32_t>(kind, 0);
    request.layout = GivenFrom<uint16_t>(source, 0);
    request.elevationFormat = GivenFrom<uint16_t>(eleFormat, 0);
    request.columns = GivenColumns(fieldMap);
    return request;
}

}  // namespace

extern "C" {

VEZUVED_API int32_t VEZUVED_CALL RLDBImport(const char* sourcePath,
                                            char* outputPath,
                                            const char* formatPath,
                                            int16_t kind,
                                            int16_t source,
                                            int16_t eleFormat,
                                            const int16_t* fieldMap) {
    const ExportCall call;
    if (!PathsFit({sourcePath, outputPath, formatPath})) return -1;
    if (sourcePath == nullptr) return -1;
    return RunDriver(-1, OnLibraryError::Fail, [&] {
        TextRequest request;
        request.source = sourcePath;
        request.output = PathOrEmpty(outputPath);
        request.format = GivenPath(formatPath);
        request.kind = GivenFrom<int32_t>(kind, 0);
        request.layout = GivenFrom<uint16_t>(source, 1);  // 0 asks for no layout here
        request.elevationFormat = GivenFrom<uint16_t>(eleFormat, 0);
        request.columns = GivenColumns(fieldMap);
        const TextResult result = ImportText(State(), request, false);
        ReportWrittenPath(outputPath, result);
        return result.code;
    });
}

VEZUVED_API int32_t VEZUVED_CALL RLDBExport(const char* databasePath,
                                            char* outputPath,
                                            const char* formatPath,
                                            int16_t source,
                                            int16_t eleFormat,
                                            int16_t fieldCount,
                                            const int16_t* fieldMap) {
    const ExportCall call;
    if (!PathsFit({databasePath, outputPath, formatPath})) return -1;
    if (databasePath == nullptr) return -1;
    return RunDriver(-1, OnLibraryError::AnswerCode, [&] {
        TextRequest request;
        request.source = databasePath;
        request.output = PathOrEmpty(outputPath);
        // Without a definition named, the output's own is loaded, even for
        // an empty output path; without an output either, none.
        if (formatPath != nullptr && *formatPath != '\0') {
            request.format = formatPath;
        } else if (outputPath != nullptr) {
            request.format = SkipLeadingSpaces(outputPath);
        }
        request.fieldCount = GivenFrom<int32_t>(fieldCount, 1);
        request.layout = GivenFrom<uint16_t>(source, 1);
        request.elevationFormat = GivenFrom<uint16_t>(eleFormat, 0);
        request.columns = GivenColumns(fieldMap);
        const TextResult result = ExportText(State(), request);
        ReportWrittenPath(outputPath, result);
        return result.code;
    });
}

VEZUVED_READCSV_API int32_t VEZUVED_CALL RLDBReadCSV(const char* sourcePath,
                                                     const char* formatPath,
                                                     int16_t kind,
                                                     int16_t source,
                                                     int16_t eleFormat,
                                                     const int16_t* fieldMap,
                                                     void** records) {
    const ExportCall call;
    if (!PathsFit({sourcePath, formatPath})) return -1;
    if (sourcePath == nullptr || records == nullptr) return -1;
    return RunDriver(-1, OnLibraryError::Fail, [&] {
        return ReadDelimitedText(
            State(), DelimitedRequest(sourcePath, formatPath, kind, source, eleFormat, fieldMap), records);
    });
}

VEZUVED_API int32_t VEZUVED_CALL RLDBWriteCSV(const char* sourcePath,
                                              const char* formatPath,
                                              int16_t kind,
                                              int16_t source,
                                              int16_t eleFormat,
                                              const int16_t* fieldMap,
                                              void* records,
                                              int32_t count) {
    const ExportCall call;
    if (!PathsFit({sourcePath, formatPath})) return -1;
    if (sourcePath == nullptr) return -1;
    return RunDriver(-1, OnLibraryError::Fail, [&] {
        return WriteDelimitedText(State(),
                                  DelimitedRequest(sourcePath, formatPath, kind, source, eleFormat, fieldMap),
                                  records,
                                  count);
    });
}

}  // extern "C"
