/*
 * VEZUVed: GPS points, routes and tracks between a handheld mapping
 * program's Palm databases (".pdb"), desktop text formats described by
 * ".cal" format definitions, arrays of point records in the host's memory,
 * and a Windows CE handheld.
 *
 * This is the whole public interface. Every function is a plain C function
 * with the host platform's C calling convention (__cdecl on Windows), every
 * integer has a fixed width, and every path is 8-bit text.
 *
 * Calls from several threads are safe: every function holds one lock of
 * the library for its whole call, so calls run one at a time. The library
 * keeps one process-wide conversion state; the settings a call leaves in it
 * (for example the forced kind of the device copies, or the date style a
 * Garmin export sets) are shared by all threads. Diagnostic lines go to
 * standard output; results come back only as return values and callbacks.
 */
#ifndef VEZUVED_VEZUVED_H
#define VEZUVED_VEZUVED_H

#include <stdint.h>

#if defined(_WIN32)
#define VEZUVED_CALL __cdecl
#if defined(VEZUVED_BUILDING)
#define VEZUVED_API __declspec(dllexport)
#else
#define VEZUVED_API __declspec(dllimport)
#endif
#else
#define VEZUVED_CALL
#define VEZUVED_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---------------------------------------------------------------------------
 * The point record: 702 bytes, every value held as text, arrays packed with
 * a stride of exactly 702 bytes. The description field is 4 bytes at offset
 * 672; it is unaligned in every other element and must only be reached
 * through RLGetPointDesc / RLSetPointDesc (in 64-bit builds it holds a
 * handle, not an address).
 * ------------------------------------------------------------------------- */
#define VEZUVED_POINT_RECORD_SIZE 702
#define VEZUVED_OFFSET_NAME 0        /* char[256] */
#define VEZUVED_OFFSET_LATITUDE 256  /* char[32], "%.7f" decimal degrees */
#define VEZUVED_OFFSET_LONGITUDE 288 /* char[32], "%.7f" decimal degrees */
#define VEZUVED_OFFSET_TIME 320      /* char[32], "HHMMSS DDMMYYYY" or empty */
#define VEZUVED_OFFSET_ELEVATION 352 /* char[32], feet, empty when unknown */
#define VEZUVED_OFFSET_ICON 384      /* char[256] */
#define VEZUVED_OFFSET_DESC 672      /* 4 bytes: description address or handle */

#define VEZUVED_NAME_SIZE 256
#define VEZUVED_COORD_SIZE 32
#define VEZUVED_TIME_SIZE 32
#define VEZUVED_ELEVATION_SIZE 32
#define VEZUVED_ICON_SIZE 256

typedef struct RLPointRecord {
    char name[256];
    char latitude[32];
    char longitude[32];
    char time[32];
    char elevation[32];
    char icon[256];
    unsigned char reserved1[32];
    unsigned char desc[4];
    unsigned char reserved2[26];
} RLPointRecord;

/* Database kinds (the kind argument and out values). */
#define VEZUVED_KIND_POINT 0
#define VEZUVED_KIND_TRACK 1
#define VEZUVED_KIND_ROUTE 2
#define VEZUVED_KIND_LOG 3
#define VEZUVED_KIND_RLVM 4
#define VEZUVED_KIND_RLVD 5
#define VEZUVED_KIND_DATUM 6
#define VEZUVED_KIND_SURVEY 7
#define VEZUVED_KIND_TRACK_OLD 65 /* track in the older layout (RLDBWritePDB, RLDBImport) */
#define VEZUVED_KIND_ROUTE_OLD 66 /* route in the older layout */
#define VEZUVED_KIND_UNKNOWN 65535

/* Text layouts (the source argument). */
#define VEZUVED_SOURCE_RECORD_LINE 0
#define VEZUVED_SOURCE_COMMA 1
#define VEZUVED_SOURCE_TAB 2
#define VEZUVED_SOURCE_GARMIN 3
#define VEZUVED_SOURCE_PLAIN 4
#define VEZUVED_SOURCE_FIXED 5
#define VEZUVED_SOURCE_PCX5 6
#define VEZUVED_SOURCE_SURVEY 7

/* Palm database container errors. */
#define VEZUVED_PDB_ERR_INDEX 1025
#define VEZUVED_PDB_ERR_NO_RECORD 1026
#define VEZUVED_PDB_ERR_MEMORY 1029
#define VEZUVED_PDB_ERR_FORMAT 1032
#define VEZUVED_PDB_ERR_IO 1035
#define VEZUVED_PDB_ERR_COUNT 1036

/* Transfer options of the device functions. */
#define VEZUVED_OPT_ALWAYS 0x01u
#define VEZUVED_OPT_UPDATE 0x02u
#define VEZUVED_OPT_NO_REPLACE 0x04u
#define VEZUVED_OPT_ASK 0x08u
#define VEZUVED_OPT_KEEP_BOTH 0x10u
#define VEZUVED_OPT_CREATE_VOLUME 0x20u
#define VEZUVED_OPT_MOVE 0x40u

/* Device result codes. */
#define VEZUVED_DEV_REPLACED 0x07000001
#define VEZUVED_DEV_UP_TO_DATE 0x07000003
#define VEZUVED_DEV_DEST_NEWER 0x07000012
#define VEZUVED_DEV_DEST_OLDER 0x07000022
#define VEZUVED_DEV_ERR_OPEN_SOURCE 1
#define VEZUVED_DEV_ERR_NOT_MOUNTED 111
#define VEZUVED_DEV_ERR_TIMEOUT (-7)
#define VEZUVED_DEV_ERR_INIT (-8)
#define VEZUVED_DEV_CANCELLED (-9)
#define VEZUVED_DEV_ERR_NO_VOLUME (-10)
#define VEZUVED_DEV_ERR_NO_KIND (-11)
#define VEZUVED_DEV_ERR_NO_SOURCE (-12)

/* ---------------------------------------------------------------------------
 * Callbacks. The session pointer registered with RLSetSessionPtr comes back
 * as the last argument. A negative progress answer cancels the running
 * device operation; an ask answer of -1 cancels, 1 skips, anything else
 * replaces. Callbacks run on the calling thread with the library's lock
 * held; the lock is recursive, so a callback may call any function of the
 * library, which works on its own copy of the conversion settings and
 * leaves the running operation's untouched. Only the three device
 * functions (RLDBCE...) refuse such a call and return -1: the connection
 * belongs to the running operation.
 * ------------------------------------------------------------------------- */
typedef int32_t(VEZUVED_CALL* RLProgressCallback)(
    int32_t stage, int32_t done, int32_t total, const char* name, void* session);
typedef int32_t(VEZUVED_CALL* RLAskReplaceCallback)(const char* name,
                                                    int32_t status,
                                                    const char* sourceDate,
                                                    const char* destinationDate,
                                                    uint32_t* options,
                                                    void* session);

VEZUVED_API int32_t VEZUVED_CALL RLSetProgressCallback(RLProgressCallback callback);
VEZUVED_API int32_t VEZUVED_CALL RLSetSessionPtr(void* session);
VEZUVED_API int32_t VEZUVED_CALL RLSetAskReplaceCallback(RLAskReplaceCallback callback);

/* Frees an array returned by RLDBReadPDB, DoReadPDB or RLDBReadCSV with the
 * descriptions of its first count records, then the texts the last format
 * definition left behind. A null array frees only those texts. */
VEZUVED_API void VEZUVED_CALL RLDBRelease(void* records, int32_t count);

/* The description of one record: the text, or NULL when it has none. */
VEZUVED_API const char* VEZUVED_CALL RLGetPointDesc(const void* record);
/* Gives the record a library-owned copy of text (NULL: frees the
 * description and clears the field). Returns 0, or -1 when memory runs out. */
VEZUVED_API int32_t VEZUVED_CALL RLSetPointDesc(void* record, const char* text);

/* ---------------------------------------------------------------------------
 * Point, route and track databases (".pdb").
 * ------------------------------------------------------------------------- */

/* Reads a database into a new array of point records (*records, released
 * with RLDBRelease(array, result)) and its kind. Returns the number of
 * records decoded, or -1 (then *records may hold an array to release with
 * count 0). DoReadPDB is the same operation under its older name. */
VEZUVED_API int32_t VEZUVED_CALL DoReadPDB(const char* path, void** records, int32_t* kind);
VEZUVED_API int32_t VEZUVED_CALL RLDBReadPDB(const char* path, void** records, int32_t* kind);

/* Writes count records as a database of kind (0 points, 1 track, 2 route,
 * 65/66 track/route in the older layout, 4-6 other kinds). Names and
 * descriptions come back with ',', '*', TAB and LF blanked. 0, or -1. */
VEZUVED_API int32_t VEZUVED_CALL RLDBWritePDB(const char* path, void* records, int32_t count, int32_t kind);

/* Classifies a database by its header: kind, text layout, header version
 * and record count. 0; -1 when the file cannot be opened; a container error
 * when it is no valid database; 65535 for an unknown type (outputs then
 * untouched). */
VEZUVED_API int32_t VEZUVED_CALL
RLGetPDBFileInfo(const char* path, int32_t* kind, int32_t* source, int32_t* version, int32_t* count);

/* ---------------------------------------------------------------------------
 * Format definitions (".cal").
 * ------------------------------------------------------------------------- */
/* Keyword's value in the ".cal" definition of path into value and/or *length (<= 511). Returns 0;
 * -1, with an empty value, for a path longer than 1023 characters. */
VEZUVED_API int32_t VEZUVED_CALL RLGetCalFileInfo(const char* keyword,
                                                  const char* path,
                                                  char* value,
                                                  int32_t* length);
/* RLGetCalFileInfo for the keyword "FormatTitle". Returns 0, or -1 as RLGetCalFileInfo. */
VEZUVED_API int32_t VEZUVED_CALL RLGetCalFileTitle(const char* path, char* value, int32_t* length);

/* ---------------------------------------------------------------------------
 * Text conversions. A negative short argument keeps what the format
 * definition says; fieldMap, when given, holds the columns of latitude,
 * longitude, elevation, time, name, icon and description (-1: none).
 * A null or empty formatPath uses the data file's name with ".cal".
 *
 * Paths hold at most 1023 characters: every export that takes a path
 * refuses a longer one (-1) before it touches a file. The outputPath buffer of RLDBImport
 * and RLDBExport, when the library is to write the derived path into it,
 * must hold VEZUVED_PATH_BUFFER (1024) bytes: the library writes at most
 * 1023 characters and the NUL there, never more; a longer path is refused
 * (-1) and nothing is written back.
 *
 * Every file written (databases, text) is written beside its target and
 * swapped in only when complete: on failure the previous file stays as it
 * was. An output that is the very file read is refused (-1). The cause of
 * a failure goes to the debugger output (standard error on POSIX) as one
 * line "VEZUVed: <cause>"; the results stay as documented.
 * ------------------------------------------------------------------------- */
#define VEZUVED_PATH_BUFFER 1024

/* Imports a text file into a database (kind 0 points, 1 track, 2 route,
 * 65/66 older-layout track/route, 6 Datum). An empty outputPath buffer
 * receives the path written. 0, or -1. */
VEZUVED_API int32_t VEZUVED_CALL RLDBImport(const char* sourcePath,
                                            char* outputPath,
                                            const char* formatPath,
                                            int16_t kind,
                                            int16_t source,
                                            int16_t eleFormat,
                                            const int16_t* fieldMap);

/* Exports a database as text. outputPath: a folder ending in a separator, an
 * exact file path, or an empty buffer that receives the path written beside
 * the database. 0, -1, or the error code that stopped the export. */
VEZUVED_API int32_t VEZUVED_CALL RLDBExport(const char* databasePath,
                                            char* outputPath,
                                            const char* formatPath,
                                            int16_t source,
                                            int16_t eleFormat,
                                            int16_t fieldCount,
                                            const int16_t* fieldMap);

/* Reads a text file into a new array of point records (release with
 * RLDBRelease(array, result)). Returns the record count (0: none, array
 * NULL), or -1 (also when memory runs out; array NULL). On 32-bit Windows this export is named by its
 * decorated C++ name, VEZUVED_READCSV_DECORATED_NAME; a C++ host built with MSVC links it through the
 * declaration below, a C host resolves it with GetProcAddress. */
#define VEZUVED_READCSV_DECORATED_NAME "?RLDBReadCSV@@YAJPAD0FFFPAFPAPAX@Z"
typedef int32_t(VEZUVED_CALL* RLDBReadCSVFunction)(const char* sourcePath,
                                                   const char* formatPath,
                                                   int16_t kind,
                                                   int16_t source,
                                                   int16_t eleFormat,
                                                   const int16_t* fieldMap,
                                                   void** records);
#if !defined(_WIN32) || defined(VEZUVED_BUILDING)
#if defined(_WIN32)
int32_t VEZUVED_CALL RLDBReadCSV(const char* sourcePath,
                                 const char* formatPath,
                                 int16_t kind,
                                 int16_t source,
                                 int16_t eleFormat,
                                 const int16_t* fieldMap,
                                 void** records);
#else
VEZUVED_API int32_t VEZUVED_CALL RLDBReadCSV(const char* sourcePath,
                                             const char* formatPath,
                                             int16_t kind,
                                             int16_t source,
                                             int16_t eleFormat,
                                             const int16_t* fieldMap,
                                             void** records);
#endif
#endif

/* Writes count records as a text file (CR LF line ends), no header. 0, or -1. */
VEZUVED_API int32_t VEZUVED_CALL RLDBWriteCSV(const char* sourcePath,
                                              const char* formatPath,
                                              int16_t kind,
                                              int16_t source,
                                              int16_t eleFormat,
                                              const int16_t* fieldMap,
                                              void* records,
                                              int32_t count);

/* ---------------------------------------------------------------------------
 * The Windows CE handheld. Each call connects through the remote API,
 * mounts the database volume "RoverlogDBV.cdb" in the device folder (NULL:
 * "\My Documents\Roverlog"), works and disconnects. options: the
 * VEZUVED_OPT_* bits. Results: 0, a VEZUVED_DEV_* code, -1, a negative
 * remote API result, or a positive platform error value. Progress and
 * ask-before-replace questions go through the registered callbacks.
 *
 * A database or file is replaced on the handheld only by a complete copy,
 * swapped in under temporary names ("~vezuved new|old|swap <n>",
 * "<file>.~vznew<n>", "<file>.~vzold<n>") that are never listed or copied
 * back. When a connection is lost in the middle of a swap, the next call
 * finishes it or puts the previous copy back under its own name before it
 * does anything else.
 *
 * On the PC, the library installs no signal handlers: a temporary file
 * left beside its target by a process that ended during a write is
 * removed by the next write into that folder once it is a day old.
 * ------------------------------------------------------------------------- */

/* Prints a report comparing the device's point, route and track databases
 * with the files of pcFolder (NULL: the current directory) and writes the
 * pairs to pcFolder's "RLDBSync.inf". 0; -1 without a PC folder; or the
 * negative result of starting the connection. */
VEZUVED_API int32_t VEZUVED_CALL RLDBCEEnum(const char* pcFolder,
                                            const char* deviceFolder,
                                            uint32_t options,
                                            int32_t unused);

/* Copies a file, a folder or a search pattern (NULL: the current directory)
 * to the device: ".pdb" and text files become device databases, ".rlm",
 * ".rli" and ".prc" files are copied as they are. kind (0 points, 1 track,
 * 2 route, 8 maps, 9 icons, 10 resources) forces the kind; source,
 * eleFormat and fieldMap steer the conversion when not negative/NULL. */
VEZUVED_API int32_t VEZUVED_CALL RLDBCECopyToDevice(const char* pcPath,
                                                    const char* deviceFolder,
                                                    uint32_t options,
                                                    const char* formatPath,
                                                    int16_t kind,
                                                    int16_t source,
                                                    int16_t eleFormat,
                                                    const int16_t* fieldMap);

/* Copies databases of one kind (any other kind: points, routes and tracks)
 * named by filter (NULL or "*.*": all) as record-line text files into
 * pcFolder (NULL: the current directory); for maps, icons and resources
 * filter is a device search pattern. The last four arguments are unused. */
VEZUVED_API int32_t VEZUVED_CALL RLDBCECopyFromDevice(const char* deviceFolder,
                                                      const char* filter,
                                                      const char* pcFolder,
                                                      uint32_t options,
                                                      const char* formatPath,
                                                      int16_t kind,
                                                      int32_t unused1,
                                                      int32_t unused2,
                                                      int32_t unused3,
                                                      int32_t unused4);

#ifdef __cplusplus
}
#endif

#if defined(_WIN32) && defined(__cplusplus) && defined(_MSC_VER) && !defined(VEZUVED_BUILDING)
/* The decorated export, as MSVC names this C++ declaration. */
__declspec(dllimport) long __cdecl RLDBReadCSV(char* sourcePath,
                                               char* formatPath,
                                               short kind,
                                               short source,
                                               short eleFormat,
                                               short* fieldMap,
                                               void** records);
#endif

#endif /* VEZUVED_VEZUVED_H */
