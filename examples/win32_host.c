/*
 * A Windows host of vezuved.dll, as a host program written in C would be:
 * it loads the DLL at run time, resolves every export by name (RLDBReadCSV
 * by its decorated name) and works through each road of the library:
 *
 *   - a point database written with RLDBWritePDB and read back;
 *   - that database exported as comma-separated text and imported again;
 *   - the points written from memory with RLDBWriteCSV and read back with
 *     RLDBReadCSV;
 *   - the database pushed to the handheld and pulled back as text, with
 *     the progress callback and the session pointer.
 *
 *   win32_host DLL-FOLDER WORK-FOLDER FORMATS-FOLDER [x87]
 *
 * FORMATS-FOLDER holds comma.cal (examples/formats). Every file the host
 * writes goes into WORK-FOLDER, so two runs can be compared byte by byte.
 * With "x87" the host first sets the x87 unit to 64-bit precision, as a
 * Delphi host leaves it (Visual Basic leaves 53 bits); built with
 * -mfpmath=387 its own arithmetic runs there too. The handheld is whatever
 * RAPI.DLL the system finds (the tests put the device emulator beside the
 * host).
 *
 * One line per step on standard output; exit status 0 when every step
 * worked, otherwise a line on standard error names the first that did not.
 */
#include <windows.h>

#include <float.h>
#include <stdio.h>
#include <string.h>

#include "vezuved/vezuved.h"

typedef int32_t(VEZUVED_CALL* SetProgressFunction)(RLProgressCallback);
typedef int32_t(VEZUVED_CALL* SetSessionFunction)(void*);
typedef void(VEZUVED_CALL* ReleaseFunction)(void*, int32_t);
typedef const char*(VEZUVED_CALL* GetDescFunction)(const void*);
typedef int32_t(VEZUVED_CALL* SetDescFunction)(void*, const char*);
typedef int32_t(VEZUVED_CALL* TitleFunction)(const char*, char*, int32_t*);
typedef int32_t(VEZUVED_CALL* ReadPdbFunction)(const char*, void**, int32_t*);
typedef int32_t(VEZUVED_CALL* WritePdbFunction)(const char*, void*, int32_t, int32_t);
typedef int32_t(VEZUVED_CALL* PdbInfoFunction)(const char*, int32_t*, int32_t*, int32_t*, int32_t*);
typedef int32_t(VEZUVED_CALL* ImportFunction)(
    const char*, char*, const char*, int16_t, int16_t, int16_t, const int16_t*);
typedef int32_t(VEZUVED_CALL* ExportFunction)(
    const char*, char*, const char*, int16_t, int16_t, int16_t, const int16_t*);
typedef int32_t(VEZUVED_CALL* WriteCsvFunction)(
    const char*, const char*, int16_t, int16_t, int16_t, const int16_t*, void*, int32_t);
typedef int32_t(VEZUVED_CALL* ToDeviceFunction)(
    const char*, const char*, uint32_t, const char*, int16_t, int16_t, int16_t, const int16_t*);
typedef int32_t(VEZUVED_CALL* FromDeviceFunction)(const char*,
                                                  const char*,
                                                  const char*,
                                                  uint32_t,
                                                  const char*,
                                                  int16_t,
                                                  int32_t,
                                                  int32_t,
                                                  int32_t,
                                                  int32_t);

/* Every name of the export table: src/api/vezuved.def. */
static const char* const kExports[] = {"RLSetProgressCallback",
                                       "RLSetSessionPtr",
                                       "RLSetAskReplaceCallback",
                                       "RLDBRelease",
                                       "RLGetPointDesc",
                                       "RLSetPointDesc",
                                       "RLGetCalFileInfo",
                                       "RLGetCalFileTitle",
                                       "DoReadPDB",
                                       "RLDBReadPDB",
                                       "RLDBWritePDB",
                                       "RLGetPDBFileInfo",
                                       "RLDBImport",
                                       "RLDBExport",
                                       VEZUVED_READCSV_DECORATED_NAME,
                                       "RLDBWriteCSV",
                                       "RLDBCEEnum",
                                       "RLDBCECopyToDevice",
                                       "RLDBCECopyFromDevice"};
#define EXPORT_COUNT (sizeof(kExports) / sizeof(kExports[0]))
#define POINT_COUNT 3

static HMODULE g_module;
static int g_status = 0;

/* GetProcAddress gives every entry one type; each is called through its own. */
static void* Entry(const char* name) { return (void*)GetProcAddress(g_module, name); }

static void Fail(const char* step, const char* what) {
    if (g_status == 0) fprintf(stderr, "win32_host: %s: %s\n", step, what);
    g_status = 1;
}

static void Join(char* out, const char* folder, const char* name) {
    _snprintf(out, MAX_PATH, "%s\\%s", folder, name);
    out[MAX_PATH - 1] = 0;
}

/* The host's own arithmetic makes the coordinates, so a host built for the
   x87 unit hands over texts that unit made. */
static void Fill(RLPointRecord* record, const char* name, double latitude, double longitude, int feet) {
    memset(record, 0, sizeof *record);
    strcpy(record->name, name);
    _snprintf(record->latitude, sizeof record->latitude, "%.7f", latitude);
    _snprintf(record->longitude, sizeof record->longitude, "%.7f", longitude);
    _snprintf(record->elevation, sizeof record->elevation, "%d", feet);
    strcpy(record->icon, "Flag");
}

/* Whether count records came back with the names and coordinates sent. */
static int SamePoints(const char* step, const RLPointRecord* sent, const void* records, int32_t count) {
    const RLPointRecord* back = (const RLPointRecord*)records;
    int32_t i;
    if (count != POINT_COUNT || records == NULL) {
        char text[64];
        _snprintf(text, sizeof text, "%ld records came back", (long)count);
        text[sizeof text - 1] = 0;
        Fail(step, text);
        return 0;
    }
    for (i = 0; i < count; ++i) {
        if (strcmp(back[i].name, sent[i].name) != 0 || strcmp(back[i].latitude, sent[i].latitude) != 0 ||
            strcmp(back[i].longitude, sent[i].longitude) != 0) {
            fprintf(stderr,
                    "win32_host: %s: point %ld came back as %s %s %s\n",
                    step,
                    (long)i,
                    back[i].name,
                    back[i].latitude,
                    back[i].longitude);
            Fail(step, "a point changed");
            return 0;
        }
    }
    return 1;
}

typedef struct Session {
    int progressCalls;
    int doneCalls;
} Session;

static int32_t VEZUVED_CALL
OnProgress(int32_t stage, int32_t done, int32_t total, const char* name, void* session) {
    Session* s = (Session*)session;
    (void)done, (void)total, (void)name;
    s->progressCalls++;
    if (stage == 2) s->doneCalls++;
    return 0;
}

static void DatabaseRoundTrip(const char* work, RLPointRecord* points) {
    const char* step = "database";
    char path[MAX_PATH];
    void* records = NULL;
    int32_t kind = -1, source = -1, version = -1, count = -1, read;
    GetDescFunction getDesc = (GetDescFunction)Entry("RLGetPointDesc");
    ReleaseFunction release = (ReleaseFunction)Entry("RLDBRelease");

    Join(path, work, "host.pdb");
    if (((WritePdbFunction)Entry("RLDBWritePDB"))(path, points, POINT_COUNT, VEZUVED_KIND_POINT) != 0) {
        Fail(step, "RLDBWritePDB failed");
        return;
    }
    if (((PdbInfoFunction)Entry("RLGetPDBFileInfo"))(path, &kind, &source, &version, &count) != 0 ||
        kind != VEZUVED_KIND_POINT || count != POINT_COUNT) {
        Fail(step, "RLGetPDBFileInfo does not report 3 points");
        return;
    }
    read = ((ReadPdbFunction)Entry("RLDBReadPDB"))(path, &records, &kind);
    if (SamePoints(step, points, records, read)) {
        const char* desc = getDesc((const char*)records + VEZUVED_POINT_RECORD_SIZE);
        if (desc == NULL || strcmp(desc, "view to the east") != 0)
            Fail(step, "the description did not come back");
        if (getDesc(records) != NULL) Fail(step, "a point without description got one");
    }
    release(records, read > 0 ? read : 0);
    if (g_status == 0) printf("database: %ld points written and read back\n", (long)read);
}

static void TextRoundTrip(const char* work, const char* cal, const RLPointRecord* points) {
    const char* step = "text";
    char database[MAX_PATH], text[VEZUVED_PATH_BUFFER], imported[VEZUVED_PATH_BUFFER];
    void* records = NULL;
    int32_t kind = -1, read;

    Join(database, work, "host.pdb");
    Join(text, work, "exported.csv");
    if (((ExportFunction)Entry("RLDBExport"))(database, text, cal, -1, -1, -1, NULL) != 0) {
        Fail(step, "RLDBExport failed");
        return;
    }
    imported[0] = 0; /* the library writes the path it chose */
    if (((ImportFunction)Entry("RLDBImport"))(text, imported, cal, VEZUVED_KIND_POINT, -1, -1, NULL) != 0) {
        Fail(step, "RLDBImport failed");
        return;
    }
    read = ((ReadPdbFunction)Entry("DoReadPDB"))(imported, &records, &kind);
    SamePoints(step, points, records, read);
    ((ReleaseFunction)Entry("RLDBRelease"))(records, read > 0 ? read : 0);
    if (g_status == 0)
        printf("text: exported as exported.csv, imported as %s\n", strrchr(imported, '\\') + 1);
}

static void MemoryRoundTrip(const char* work, const char* cal, RLPointRecord* points) {
    const char* step = "memory";
    char path[MAX_PATH];
    void* records = NULL;
    int32_t read;
    RLDBReadCSVFunction readCsv = (RLDBReadCSVFunction)Entry(VEZUVED_READCSV_DECORATED_NAME);

    Join(path, work, "memory.csv");
    if (((WriteCsvFunction)Entry("RLDBWriteCSV"))(
            path, cal, VEZUVED_KIND_POINT, -1, -1, NULL, points, POINT_COUNT) != 0) {
        Fail(step, "RLDBWriteCSV failed");
        return;
    }
    read = readCsv(path, cal, VEZUVED_KIND_POINT, -1, -1, NULL, &records);
    SamePoints(step, points, records, read);
    ((ReleaseFunction)Entry("RLDBRelease"))(records, read > 0 ? read : 0);
    if (g_status == 0) printf("memory: %ld points written as text and read back\n", (long)read);
}

static void DeviceRoundTrip(const char* work) {
    const char* step = "device";
    char database[MAX_PATH], back[MAX_PATH], pulled[MAX_PATH];
    Session session = {0, 0};
    int32_t pushed, pulledResult;
    DWORD attributes;

    Join(database, work, "host.pdb");
    Join(back, work, "pulled");
    CreateDirectoryA(back, NULL);
    ((SetSessionFunction)Entry("RLSetSessionPtr"))(&session);
    ((SetProgressFunction)Entry("RLSetProgressCallback"))(OnProgress);
    pushed = ((ToDeviceFunction)Entry("RLDBCECopyToDevice"))(
        database, NULL, VEZUVED_OPT_ALWAYS | VEZUVED_OPT_CREATE_VOLUME, NULL, -1, -1, -1, NULL);
    pulledResult = ((FromDeviceFunction)Entry("RLDBCECopyFromDevice"))(
        NULL, NULL, back, VEZUVED_OPT_ALWAYS, NULL, VEZUVED_KIND_POINT, 0, 0, 0, 0);
    ((SetProgressFunction)Entry("RLSetProgressCallback"))(NULL);
    ((SetSessionFunction)Entry("RLSetSessionPtr"))(NULL);
    if (pushed != 0 || pulledResult != 0) {
        char text[80];
        _snprintf(text, sizeof text, "push gave %ld, pull gave %ld", (long)pushed, (long)pulledResult);
        text[sizeof text - 1] = 0;
        Fail(step, text);
        return;
    }
    Join(pulled, back, "host.rlp");
    attributes = GetFileAttributesA(pulled);
    if (attributes == INVALID_FILE_ATTRIBUTES) Fail(step, "pulled\\host.rlp was not written");
    if (session.doneCalls != 2) Fail(step, "the progress callback did not see two items done");
    if (g_status == 0)
        printf("device: pushed host.pdb, pulled pulled\\host.rlp, %d progress calls\n",
               session.progressCalls);
}

int main(int argc, char** argv) {
    char dll[MAX_PATH], cal[MAX_PATH], title[512];
    int32_t titleLength = 0;
    RLPointRecord points[POINT_COUNT];
    size_t i;
    double step = 0.1;

    if (argc < 4) {
        fprintf(stderr, "usage: win32_host DLL-FOLDER WORK-FOLDER FORMATS-FOLDER [x87]\n");
        return 2;
    }
    if (sizeof(RLPointRecord) != VEZUVED_POINT_RECORD_SIZE) {
        Fail("start", "the record size is not 702");
        return 1;
    }
    if (argc > 4 && strcmp(argv[4], "x87") == 0) {
        _control87(_PC_64, _MCW_PC);
        printf("x87 precision: 64 bits\n");
    }
    Join(dll, argv[1], "vezuved.dll");
    Join(cal, argv[3], "comma.cal");
    g_module = LoadLibraryA(dll);
    if (g_module == NULL) {
        Fail("start", "LoadLibrary of vezuved.dll failed");
        return 1;
    }
    for (i = 0; i < EXPORT_COUNT; ++i) {
        if (Entry(kExports[i]) == NULL) {
            fprintf(stderr, "win32_host: export missing: %s\n", kExports[i]);
            g_status = 1;
        }
    }
    /* The undecorated name must not be there: a C host finds it only by the
       decorated one. */
    if (Entry("RLDBReadCSV") != NULL) Fail("start", "RLDBReadCSV is exported undecorated");
    if (g_status != 0) {
        FreeLibrary(g_module);
        return 1;
    }
    printf("resolved %u exports\n", (unsigned)EXPORT_COUNT);
    ((TitleFunction)Entry("RLGetCalFileTitle"))(cal, title, &titleLength);
    printf("comma.cal: %s (%ld)\n", title, (long)titleLength);

    /* Sums of tenths: the last bits differ between the units if a value is
       rounded anywhere but where the C library says. */
    Fill(&points[0], "Camp", 45.0 + 5 * step, -122.0 - 6 * step, 120);
    Fill(&points[1], "Summit", 46.8527 + step / 3, -121.7604 - step / 7, 14410);
    Fill(&points[2], "Lake", -0.5 + step * step, 0.25 - step / 9, -12);
    if (((SetDescFunction)Entry("RLSetPointDesc"))(&points[1], "view to the east") != 0)
        Fail("start", "RLSetPointDesc failed");

    DatabaseRoundTrip(argv[2], points);
    if (g_status == 0) TextRoundTrip(argv[2], cal, points);
    if (g_status == 0) MemoryRoundTrip(argv[2], cal, points);
    if (g_status == 0) DeviceRoundTrip(argv[2]);

    ((SetDescFunction)Entry("RLSetPointDesc"))(&points[1], NULL);
    FreeLibrary(g_module);
    if (g_status == 0) printf("all steps: ok\n");
    return g_status;
}
