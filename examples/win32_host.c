/*
 * A 32-bit Windows host of vezuved.dll, as a host program written in C
 * would be: it loads the DLL at run time, resolves every export by name
 * (RLDBReadCSV by its decorated name) and round-trips a point database
 * through RLDBWritePDB and RLDBReadPDB.
 *
 *   win32_host [folder-of-vezuved.dll]
 *
 * Exit status 0 when every step worked; a line on standard error names the
 * first one that did not.
 */
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "vezuved/vezuved.h"

typedef void(VEZUVED_CALL *ReleaseFunction)(void*, int32_t);
typedef const char*(VEZUVED_CALL *GetDescFunction)(const void*);
typedef int32_t(VEZUVED_CALL *SetDescFunction)(void*, const char*);
typedef int32_t(VEZUVED_CALL *ReadPdbFunction)(const char*, void**, int32_t*);
typedef int32_t(VEZUVED_CALL *WritePdbFunction)(const char*, void*, int32_t, int32_t);
typedef int32_t(VEZUVED_CALL *PdbInfoFunction)(const char*, int32_t*, int32_t*, int32_t*, int32_t*);

/* Every name of the export table: src/api/vezuved.def. */
static const char* const kExports[] = {
    "RLSetProgressCallback", "RLSetSessionPtr",   "RLSetAskReplaceCallback", "RLDBRelease",
    "RLGetPointDesc",        "RLSetPointDesc",    "RLGetCalFileInfo",        "RLGetCalFileTitle",
    "DoReadPDB",             "RLDBReadPDB",       "RLDBWritePDB",            "RLGetPDBFileInfo",
    "RLDBImport",            "RLDBExport",        VEZUVED_READCSV_DECORATED_NAME,
    "RLDBWriteCSV",          "RLDBCEEnum",        "RLDBCECopyToDevice",      "RLDBCECopyFromDevice"};
#define EXPORT_COUNT (sizeof(kExports) / sizeof(kExports[0]))

/* GetProcAddress gives every entry one type; each is called through its own. */
static void* Entry(HMODULE module, const char* name) { return (void*)GetProcAddress(module, name); }

static int Fail(const char* what) {
    fprintf(stderr, "win32_host: %s\n", what);
    return 1;
}

static void Fill(RLPointRecord* record, const char* name, const char* latitude, const char* longitude) {
    memset(record, 0, sizeof *record);
    strcpy(record->name, name);
    strcpy(record->latitude, latitude);
    strcpy(record->longitude, longitude);
    strcpy(record->icon, "Flag");
}

int main(int argc, char** argv) {
    char dll[MAX_PATH];
    HMODULE module;
    void* found[EXPORT_COUNT];
    size_t i;
    char folder[MAX_PATH];
    char path[MAX_PATH];
    RLPointRecord points[3];
    void* records = NULL;
    int32_t kind = -1, source = -1, version = -1, count = -1, read;
    int status = 0;
    ReleaseFunction release;
    GetDescFunction getDesc;
    SetDescFunction setDesc;
    ReadPdbFunction readPdb;
    WritePdbFunction writePdb;
    PdbInfoFunction pdbInfo;

    if (sizeof(RLPointRecord) != VEZUVED_POINT_RECORD_SIZE) return Fail("record size is not 702");

    if (argc > 1)
        _snprintf(dll, sizeof dll, "%s\\vezuved.dll", argv[1]);
    else
        strcpy(dll, "vezuved.dll");
    dll[sizeof dll - 1] = 0;
    module = LoadLibraryA(dll);
    if (module == NULL) return Fail("LoadLibrary of vezuved.dll failed");

    for (i = 0; i < EXPORT_COUNT; ++i) {
        found[i] = Entry(module, kExports[i]);
        if (found[i] == NULL) {
            fprintf(stderr, "win32_host: export missing: %s\n", kExports[i]);
            status = 1;
        }
    }
    /* The undecorated name must not be there: a C host finds it only by the
       decorated one. */
    if (Entry(module, "RLDBReadCSV") != NULL) {
        fprintf(stderr, "win32_host: RLDBReadCSV is exported undecorated\n");
        status = 1;
    }
    if (status != 0) {
        FreeLibrary(module);
        return status;
    }
    printf("resolved %u exports\n", (unsigned)EXPORT_COUNT);

    release = (ReleaseFunction)Entry(module, "RLDBRelease");
    getDesc = (GetDescFunction)Entry(module, "RLGetPointDesc");
    setDesc = (SetDescFunction)Entry(module, "RLSetPointDesc");
    readPdb = (ReadPdbFunction)Entry(module, "RLDBReadPDB");
    writePdb = (WritePdbFunction)Entry(module, "RLDBWritePDB");
    pdbInfo = (PdbInfoFunction)Entry(module, "RLGetPDBFileInfo");

    if (GetTempPathA(sizeof folder, folder) == 0) strcpy(folder, ".\\");
    _snprintf(path, sizeof path, "%svezuved-host-%lu.pdb", folder, (unsigned long)GetCurrentProcessId());
    path[sizeof path - 1] = 0;

    Fill(&points[0], "Camp", "45.5000000", "-122.6000000");
    Fill(&points[1], "Summit", "46.8527000", "-121.7604000");
    Fill(&points[2], "Lake", "-0.5000000", "0.2500000");
    if (setDesc(&points[1], "view to the east") != 0) return Fail("RLSetPointDesc failed");

    if (writePdb(path, points, 3, VEZUVED_KIND_POINT) != 0) {
        status = Fail("RLDBWritePDB failed");
    } else if (pdbInfo(path, &kind, &source, &version, &count) != 0 || kind != VEZUVED_KIND_POINT ||
               count != 3) {
        status = Fail("RLGetPDBFileInfo does not report 3 points");
    } else {
        read = readPdb(path, &records, &kind);
        if (read != 3 || kind != VEZUVED_KIND_POINT || records == NULL) {
            status = Fail("RLDBReadPDB did not give back 3 points");
        } else {
            const RLPointRecord* back = (const RLPointRecord*)records;
            const char* desc;
            for (i = 0; i < 3; ++i) {
                if (strcmp(back[i].name, points[i].name) != 0 ||
                    strcmp(back[i].latitude, points[i].latitude) != 0 ||
                    strcmp(back[i].longitude, points[i].longitude) != 0) {
                    fprintf(stderr, "win32_host: point %u came back as %s %s %s\n", (unsigned)i,
                            back[i].name, back[i].latitude, back[i].longitude);
                    status = 1;
                }
            }
            desc = getDesc(&back[1]);
            if (desc == NULL || strcmp(desc, "view to the east") != 0)
                status = Fail("the description did not come back");
            if (getDesc(&back[0]) != NULL) status = Fail("a point without description got one");
        }
        release(records, read > 0 ? read : 0);
    }

    setDesc(&points[1], NULL);
    DeleteFileA(path);
    FreeLibrary(module);
    if (status == 0) printf("round trip of 3 points: ok\n");
    return status;
}
