/*
 * VEZUVed core: GPS waypoints, routes and tracks read from and written to
 * GPX, KML (and KMZ, read only), GeoJSON, the handheld's point, route
 * and track databases (".pdb") and text a ".cal" definition describes,
 * through one typed collection, and drawn as SVG and HTML pictures (written
 * only); and the format definitions themselves, as the library reads them.
 *
 * A collection holds sets; each set is a set of waypoints, a route or a
 * track, with a name and its points in order. Values stay as they were
 * read: numbers are never turned into text and back between a reader and
 * a writer.
 *
 * Handles are opaque and owned by the caller. Nothing is global: calls on
 * different collections may run on different threads at once; a single
 * collection must not be used by two threads at the same time. Database
 * files (".pdb") are read and written one at a time across the process.
 *
 * Every function that can fail returns a result code (VEZUVED_OK or one of
 * VEZUVED_ERROR_*) and leaves a message naming the file and the cause in
 * its collection (vezuved_error_message). Reads and writes also leave the
 * warnings of what they went past (vezuved_warning_count). Nothing is
 * printed. Texts are UTF-8 and NUL-terminated; every integer has a fixed
 * width. Paths are texts too: UTF-8 on every platform (on Windows the
 * system is handed their UTF-16 spelling, not the ANSI code page's reading
 * of their bytes, which vezuved.h's exports keep taking).
 */
#ifndef VEZUVED_VEZUVED_CORE_H
#define VEZUVED_VEZUVED_CORE_H

#include <stdint.h>

#if defined(_WIN32)
#define VEZUVED_CORE_CALL __cdecl
#if defined(VEZUVED_BUILDING)
#define VEZUVED_CORE_API __declspec(dllexport)
#else
#define VEZUVED_CORE_API __declspec(dllimport)
#endif
#else
#define VEZUVED_CORE_CALL
#define VEZUVED_CORE_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The version of this interface: major * 10000 + minor * 100 + patch. */
#define VEZUVED_CORE_VERSION 107

/* Result codes. */
#define VEZUVED_OK 0
#define VEZUVED_ERROR_ARGUMENT -1    /* a null handle, an index out of range, a bad value */
#define VEZUVED_ERROR_OPEN -2        /* the file cannot be opened or read */
#define VEZUVED_ERROR_FORMAT -3      /* the file is not what its format says, or holds no point */
#define VEZUVED_ERROR_UNSUPPORTED -4 /* a format or option this build does not have */
#define VEZUVED_ERROR_WRITE -5       /* the file cannot be written; the previous one is whole */
#define VEZUVED_ERROR_SETS -6        /* the format holds one set and the collection has several */
#define VEZUVED_ERROR_MEMORY -7      /* memory ran out */
#define VEZUVED_ERROR_INTERNAL -8    /* anything else */

/* File formats (the options' format; 0 chooses by the path's extension:
 * .gpx, .kml, .kmz, .geojson, .json, .pdb, .svg, .html, .htm; a file read whose extension is
 * none of these is text when the read options name a definition or the
 * file's own ".cal" lies beside it: "trip.txt" and "trip.cal"; the
 * handheld's record lines, .rlp, .rlt and .rlr, are text of their own
 * layout when no ".cal" lies beside them). */
#define VEZUVED_FORMAT_BY_EXTENSION 0
#define VEZUVED_FORMAT_GPX 1
#define VEZUVED_FORMAT_KML 2 /* reads KMZ too */
#define VEZUVED_FORMAT_GEOJSON 3
#define VEZUVED_FORMAT_PDB 4
#define VEZUVED_FORMAT_TEXT 5 /* text described by a ".cal" definition */
/* Pictures, written only (.svg; .html and .htm): a drawing of the sets, and
 * the same drawing in a page. Reading one is VEZUVED_ERROR_UNSUPPORTED; a
 * collection with no point to place is VEZUVED_ERROR_FORMAT. */
#define VEZUVED_FORMAT_SVG 6
#define VEZUVED_FORMAT_HTML 7
/* Since 1.2: a database in the handheld's older layout, as older handhelds
 * read it: a track or route as the older kinds of vezuved.h (65, 66) with
 * an empty placeholder record first; waypoints as VEZUVED_FORMAT_PDB.
 * Chosen only by name; read as VEZUVED_FORMAT_PDB, which reads both. */
#define VEZUVED_FORMAT_PDB_OLDER 8
/* Since 1.5, read only: a glider's or paraglider's flight recorder file,
 * its flight a track and its declared task a route. */
#define VEZUVED_FORMAT_IGC 9
/* Since 1.5, read only: NMEA 0183 sentences, their RMC and GGA fixes a track. */
#define VEZUVED_FORMAT_NMEA 10
/* Since 1.5, read only: a Training Center XML file (.tcx), its activities
 * and courses tracks (each lap a segment), its course points waypoints. */
#define VEZUVED_FORMAT_TCX 11
/* Since 1.5, read only: a FIT file (.fit) of a watch or bike computer, its
 * records a track (each lap a segment), its course points and locations
 * waypoints. */
#define VEZUVED_FORMAT_FIT 12
/* Since 1.5, read only: a zip archive of track files (.zip), such as a
 * Strava bulk export: every GPX, KML, GeoJSON, TCX, FIT, IGC and NMEA file
 * inside, gzipped or not, read in the archive's order; each activity's
 * tracks named as its activities.csv names them. Any map format's file
 * gzipped (ride.gpx.gz, track.fit.gz) is read as that format. */
#define VEZUVED_FORMAT_ARCHIVE 13
/* Since 1.3: how a map document or picture is written, or'ed into the
 * write options' format (an explicit one: GPX, KML, GeoJSON, SVG or HTML).
 * COMPACT: GeoJSON on one line, without indentation (another format is
 * VEZUVED_ERROR_ARGUMENT). AS_POINTS: every point of every set as a
 * waypoint, those of routes and tracks too. */
#define VEZUVED_WRITE_COMPACT 0x100
#define VEZUVED_WRITE_AS_POINTS 0x200

/* Kinds of set (the values of the database kinds of vezuved.h). */
#define VEZUVED_SET_WAYPOINTS 0
#define VEZUVED_SET_TRACK 1
#define VEZUVED_SET_ROUTE 2

/* How a database's 8-bit texts are taken and given (the options' encoding).
 * A text file read takes them otherwise: 0 reads UTF-8 when the whole file
 * is valid UTF-8 and Windows-1252 when it is not; 1 requires UTF-8 (a byte
 * that is none fails the read); 2 takes every byte as Windows-1252. A
 * UTF-8 byte order mark is skipped. */
#define VEZUVED_ENCODING_WINDOWS_1252 0      /* the handheld's own */
#define VEZUVED_ENCODING_UTF8 1              /* bytes as they are */
#define VEZUVED_ENCODING_WINDOWS_1252_ONLY 2 /* a text file read: every byte as Windows-1252 */

typedef struct vezuved_collection vezuved_collection;

/* One point. Read from a collection its texts belong to the collection and
 * stay valid until the collection is changed or freed. Given to
 * vezuved_add_point, name, description and symbol may be null (no text). */
typedef struct vezuved_point {
    double latitude;  /* decimal degrees, -90..90, south negative */
    double longitude; /* decimal degrees, -180..180, west negative */
    double elevation; /* metres above sea level, when has_elevation */
    int64_t time;     /* milliseconds since 1970-01-01 UTC, when has_time */
    int32_t has_elevation;
    int32_t has_time;
    int32_t segment_start;   /* a new segment of its route or track begins here */
    const char* name;        /* never null when read ("" for none) */
    const char* description; /* null when the point has none */
    const char* symbol;      /* never null when read ("" for none) */
} vezuved_point;

/* How a file is read. A null pointer reads by the path's extension, the
 * handheld's encoding, not strict. */
typedef struct vezuved_read_options {
    int32_t format;              /* VEZUVED_FORMAT_* */
    int32_t strict;              /* nonzero: a point with a bad value fails the read instead of a warning */
    int32_t encoding;            /* VEZUVED_ENCODING_*: a database's or a text file's texts */
    int32_t flags;               /* since 1.3: VEZUVED_READ_* (0 before) */
    const char* definition_path; /* the ".cal" definition of a text file; null: the file's own beside it */
} vezuved_read_options;

/* Since 1.3: a text's time and date columns hold ISO 8601 ("2021-08-14T10:15:00+02:00",
 * "2021-08-14" beside "10:15:00Z"): a time with its date, a time joined to the
 * date column's date, a time with its zone when there is no date column, or a
 * date column alone; a time without a zone is UTC. What makes no such moment is
 * read as the definition's time column reads it. */
#define VEZUVED_READ_ISO_TIMES 0x1

/* How a file is written. A null pointer writes every set in the format of
 * the path's extension, with the handheld's encoding. */
typedef struct vezuved_write_options {
    int32_t format;              /* VEZUVED_FORMAT_* */
    int32_t encoding;            /* VEZUVED_ENCODING_*: a database's texts */
    int32_t one_set;             /* nonzero: only the set set_index is written */
    int32_t set_index;           /* from 0 */
    const char* creator;         /* GPX "creator"; null: "VEZUVed" */
    const char* definition_path; /* the ".cal" definition a text file is written by */
    /* An HTML page: what it shows above its drawing. page_cells holds
     * page_rows rows of page_columns texts, row by row; the first row heads
     * the columns and each row's first cell heads its row. Null (or no row):
     * no table, and page_note, when not null, is a paragraph instead. */
    const char* const* page_cells;
    int32_t page_rows;
    int32_t page_columns;
    const char* page_note;
} vezuved_write_options;

/* Something a read or write went past: a point left out, a text cut. */
typedef struct vezuved_warning {
    int64_t line;        /* the file's line, 0 when not known */
    const char* file;    /* the file as the call named it */
    const char* cause;   /* what was met */
    const char* message; /* the whole sentence: file, line and cause */
    int32_t column;      /* since 1.1: the line's column the cause lies in, from 1; 0 when none */
} vezuved_warning;

/* VEZUVED_CORE_VERSION of the library loaded. */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_core_version(void);

/* A new empty collection; null when memory runs out. */
VEZUVED_CORE_API vezuved_collection* VEZUVED_CORE_CALL vezuved_collection_new(void);
VEZUVED_CORE_API void VEZUVED_CORE_CALL vezuved_collection_free(vezuved_collection* collection);

/* Appends the sets of the file at path: its waypoints (one set), then its
 * routes and tracks in file order; a database or a text file gives one set
 * (a text file's of the kind its definition names, named after the file).
 * A text line whose value cannot be read is left out with a warning
 * ("FILE:LINE: column C: 'abc' is not a latitude"), or fails a strict read.
 * On failure the collection's sets are as they were. */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_read(vezuved_collection* collection,
                                                        const char* path,
                                                        const vezuved_read_options* options);

/* Writes the collection's sets to path, whole or not at all: the file is
 * written beside path and replaces it only when complete. A database or a
 * text file holds one set: a collection of several is refused
 * (VEZUVED_ERROR_SETS) unless the options name one. A text file is written
 * in the layout of the options' definition_path, its header line first. */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_write(vezuved_collection* collection,
                                                         const char* path,
                                                         const vezuved_write_options* options);

/* Receives a document's bytes in order; answers 0 when it took them, and
 * anything else to stop the write (VEZUVED_ERROR_WRITE). */
typedef int32_t(VEZUVED_CORE_CALL* vezuved_write_function)(void* context, const char* bytes, int64_t size);

/* As vezuved_write, the document handed to write instead of a file: the
 * options must name the format, one of GPX, KML, GeoJSON, SVG and HTML
 * (VEZUVED_ERROR_UNSUPPORTED for a database or text); name stands for the
 * document in messages. */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_write_to(vezuved_collection* collection,
                                                            const char* name,
                                                            vezuved_write_function write,
                                                            void* context,
                                                            const vezuved_write_options* options);

/* The message of the last call on the collection that failed; "" after a
 * call that succeeded. */
VEZUVED_CORE_API const char* VEZUVED_CORE_CALL vezuved_error_message(const vezuved_collection* collection);

/* The warnings of the last read or write. */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_warning_count(const vezuved_collection* collection);
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_get_warning(const vezuved_collection* collection,
                                                               int32_t index,
                                                               vezuved_warning* warning);

/* The sets: count, and each one's kind (VEZUVED_SET_*), name and number of
 * points; -1 (null for the name) for a bad handle or index. */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_set_count(const vezuved_collection* collection);
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_set_kind(const vezuved_collection* collection,
                                                            int32_t set);
VEZUVED_CORE_API const char* VEZUVED_CORE_CALL vezuved_set_name(const vezuved_collection* collection,
                                                                int32_t set);
VEZUVED_CORE_API int64_t VEZUVED_CORE_CALL vezuved_set_point_count(const vezuved_collection* collection,
                                                                   int32_t set);
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_get_point(const vezuved_collection* collection,
                                                             int32_t set,
                                                             int64_t index,
                                                             vezuved_point* point);

/* Building: a new empty set at the end (its index, or a negative code), and
 * a point appended to a set (its texts copied). */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_add_set(vezuved_collection* collection,
                                                           int32_t kind,
                                                           const char* name);
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_add_point(vezuved_collection* collection,
                                                             int32_t set,
                                                             const vezuved_point* point);

/* --- Since 1.1 (VEZUVED_CORE_VERSION 101): everything below --- */

/* ---- The handheld (Windows CE, through its remote API) ----
 *
 * A device handle keeps what its last call found: the listing's rows and
 * its report, the handheld's result code, the failure's sentence. Calls on
 * the handheld run one at a time across the process (the connection is
 * the process's own); two handles may be used by two threads, each waiting
 * for the other. Nothing is printed: what a copy says, its progress and
 * its questions come to the caller's callback as events. */
#define VEZUVED_ERROR_DEVICE -9     /* the handheld cannot be reached, or has no database volume there */
#define VEZUVED_ERROR_CANCELLED -10 /* the callback cancelled the copy */

/* The options' flags (the same bits as vezuved.h's VEZUVED_OPT_*). */
#define VEZUVED_DEVICE_ALWAYS 0x01     /* replace older plain files; copy every database back */
#define VEZUVED_DEVICE_UPDATE 0x02     /* leave destinations as new or newer alone */
#define VEZUVED_DEVICE_NO_REPLACE 0x04 /* never replace an existing destination */
#define VEZUVED_DEVICE_ASK 0x08        /* a question event before replacing */
#define VEZUVED_DEVICE_KEEP_BOTH 0x10  /* a free numbered name instead of replacing */
#define VEZUVED_DEVICE_CREATE 0x20     /* make the device folder and volume when missing */
#define VEZUVED_DEVICE_MOVE 0x40       /* delete the PC file after a copy to the handheld */

/* What a pull copies (the options' kind). */
#define VEZUVED_DEVICE_KIND_ALL 0 /* points, routes and tracks */
#define VEZUVED_DEVICE_KIND_POINTS 1
#define VEZUVED_DEVICE_KIND_TRACKS 2
#define VEZUVED_DEVICE_KIND_ROUTES 3
#define VEZUVED_DEVICE_KIND_MAPS 4
#define VEZUVED_DEVICE_KIND_ICONS 5
#define VEZUVED_DEVICE_KIND_RESOURCES 6

/* How a copy that did not fail ended (vezuved_device_outcome). */
#define VEZUVED_DEVICE_COPIED 0
#define VEZUVED_DEVICE_REPLACED 1   /* copied over the older copy */
#define VEZUVED_DEVICE_UP_TO_DATE 2 /* left alone: as new as the source */
#define VEZUVED_DEVICE_DEST_NEWER 3 /* left alone: the destination is newer */
#define VEZUVED_DEVICE_DEST_OLDER 4 /* left alone: the destination is older */

/* Events of a call (the event's type). */
#define VEZUVED_DEVICE_EVENT_PROGRESS 1 /* stage 0 started, 1 going, 2 done, negative: ended so */
#define VEZUVED_DEVICE_EVENT_QUESTION 2 /* replace item? answer 0 replace, 1 skip, -1 cancel */
#define VEZUVED_DEVICE_EVENT_MESSAGE 3  /* a line the call says ("Copying to Device: Hike") */
#define VEZUVED_DEVICE_EVENT_FAILED 4   /* item failed: message is its cause */

typedef struct vezuved_device vezuved_device;

/* A null pointer: the default device folder, no flags, every kind. */
typedef struct vezuved_device_options {
    const char* device_folder; /* on the handheld; null: \My Documents\Roverlog */
    const char* filter;        /* pull: one database name, or a pattern of plain files; null: all */
    uint32_t flags;            /* VEZUVED_DEVICE_* bits */
    int32_t kind;              /* pull: VEZUVED_DEVICE_KIND_* */
} vezuved_device_options;

/* One row of the listing: a database of the handheld against the PC file
 * of the same name. Its texts belong to the handle until its next call. */
typedef struct vezuved_device_row {
    int32_t kind; /* VEZUVED_SET_* */
    int32_t records;
    const char* heading; /* "Points", "Routes" or "Tracks" */
    const char* name;
    const char* device_modified; /* "Mar/14/2004 14:25" */
    const char* pc_modified;     /* "" when the PC has no such file */
    const char* state;           /* "Identical", "Newer On Device", "Newer On PC" or "Only on Device" */
} vezuved_device_row;

/* One event; its texts live until the callback returns. */
typedef struct vezuved_device_event {
    int32_t type;  /* VEZUVED_DEVICE_EVENT_* */
    int32_t stage; /* progress */
    int32_t done;  /* progress: bytes or records so far */
    int32_t total;
    const char* item;             /* the database or file ("" for none) */
    const char* message;          /* a message's line, a failure's cause; "" otherwise */
    const char* source_date;      /* a question: the copy's time */
    const char* destination_date; /* a question: the existing one's */
} vezuved_device_event;

/* Answers a question (0, 1 or -1); to progress, a negative answer cancels. */
typedef int32_t(VEZUVED_CORE_CALL* vezuved_device_callback)(const vezuved_device_event* event, void* context);

VEZUVED_CORE_API vezuved_device* VEZUVED_CORE_CALL vezuved_device_new(void);
VEZUVED_CORE_API void VEZUVED_CORE_CALL vezuved_device_free(vezuved_device* device);

/* Compares the handheld's point, route and track databases with the files
 * of pc_folder (null: the current folder) and writes its RLDBSync.inf
 * there. A handheld without a volume there lists no row. The callback (may
 * be null) gets the listing's problems as messages. */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_device_list(vezuved_device* device,
                                                               const char* pc_folder,
                                                               const vezuved_device_options* options,
                                                               vezuved_device_callback callback,
                                                               void* context);
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_device_row_count(const vezuved_device* device);
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_device_get_row(const vezuved_device* device,
                                                                  int32_t index,
                                                                  vezuved_device_row* row);
/* Since 1.5: 1 when the last listing found the handheld's database volume,
 * 0 when it found none (a fresh handheld holds no databases yet: a push
 * with VEZUVED_OPT_CREATE_VOLUME makes it), -1 for a null handle. */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_device_has_volume(const vezuved_device* device);
/* The files of a device kind only on the PC, full paths; null out of range. */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_device_pc_only_count(const vezuved_device* device);
VEZUVED_CORE_API const char* VEZUVED_CORE_CALL vezuved_device_pc_only(const vezuved_device* device,
                                                                      int32_t index);
/* The listing as a table of text, its headings and the files only on the PC. */
VEZUVED_CORE_API const char* VEZUVED_CORE_CALL vezuved_device_report(const vezuved_device* device);

/* Copies a PC file, a folder or a pattern ("*.pdb" in a folder) to the
 * handheld: databases and text described by a ".cal" definition become
 * device databases, maps, icons and resources go as they are. */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_device_push(vezuved_device* device,
                                                               const char* pc_path,
                                                               const vezuved_device_options* options,
                                                               vezuved_device_callback callback,
                                                               void* context);
/* Copies the handheld's databases back into pc_folder (null: the current
 * folder) as text files of record lines, or its plain files as they are. */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_device_pull(vezuved_device* device,
                                                               const char* pc_folder,
                                                               const vezuved_device_options* options,
                                                               vezuved_device_callback callback,
                                                               void* context);

/* After a call that succeeded: VEZUVED_DEVICE_COPIED .. _DEST_OLDER. */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_device_outcome(const vezuved_device* device);
/* The handheld's own result code of the last call, as vezuved.h's device
 * exports answer it (VEZUVED_DEV_*); 0 after a success. */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_device_code(const vezuved_device* device);
/* The sentence of the last call that failed; "" after one that succeeded. */
VEZUVED_CORE_API const char* VEZUVED_CORE_CALL vezuved_device_error_message(const vezuved_device* device);

/* ---- Format definitions (".cal") ----------------------------------------
 * A definition describes one text layout of points, a route or a track in
 * "Keyword = value" lines. A vezuved_definition holds what the library
 * makes of one file, read from its defaults alone (nothing an earlier call
 * left counts), and what each of its lines does by itself. The file's
 * bytes are Windows-1252; every text given here is UTF-8, each byte one
 * character (the five bytes Windows-1252 leaves undefined, 0x81, 0x8D,
 * 0x8F, 0x90 and 0x9D, as the control characters of the same value, as
 * Windows reads them), so each byte can be had back. Handles are owned by
 * the caller, one thread at a time each. */

typedef struct vezuved_definition vezuved_definition;

/* Layouts (Source). */
#define VEZUVED_LAYOUT_RECORD_LINE 0 /* the line of a point database record */
#define VEZUVED_LAYOUT_DELIMITED 1
#define VEZUVED_LAYOUT_TAB 2
#define VEZUVED_LAYOUT_GARMIN 3
#define VEZUVED_LAYOUT_PLAIN 4
#define VEZUVED_LAYOUT_FIXED 5
#define VEZUVED_LAYOUT_PCX5 6
#define VEZUVED_LAYOUT_SURVEY 7

/* The columns a definition maps, the index into its facts' columns. */
#define VEZUVED_COLUMN_LATITUDE 0
#define VEZUVED_COLUMN_LONGITUDE 1
#define VEZUVED_COLUMN_ELEVATION 2
#define VEZUVED_COLUMN_TIME 3
#define VEZUVED_COLUMN_NAME 4
#define VEZUVED_COLUMN_ICON 5
#define VEZUVED_COLUMN_DESCRIPTION 6
#define VEZUVED_COLUMN_DATE 7
#define VEZUVED_COLUMN_COUNT 8
#define VEZUVED_DEFINITION_LABELS 32 /* columns 0..31 may carry a label (FieldN) */

/* How coordinates are written (LocFormat). */
#define VEZUVED_LOCATION_DECIMAL 0          /* Num */
#define VEZUVED_LOCATION_DEGREES 1          /* Deg */
#define VEZUVED_LOCATION_COMPACT 2          /* Comp */
#define VEZUVED_LOCATION_DEGREES_NO_SPACE 3 /* DegNoSpace */

/* A definition's kind (DBType) besides the VEZUVED_SET_* kinds. */
#define VEZUVED_DEFINITION_DATUM 6

/* The keywords, by the index a line's effect gives. */
#define VEZUVED_KEY_SOURCE 0
#define VEZUVED_KEY_FIELD_COUNT 1
#define VEZUVED_KEY_DELIMITED 2
#define VEZUVED_KEY_LATITUDE 3
#define VEZUVED_KEY_LONGITUDE 4
#define VEZUVED_KEY_ELEVATION 5
#define VEZUVED_KEY_TIME 6
#define VEZUVED_KEY_NAME 7
#define VEZUVED_KEY_ICON 8
#define VEZUVED_KEY_DESC 9
#define VEZUVED_KEY_LOC_FORMAT 10
#define VEZUVED_KEY_DB_TYPE 11
#define VEZUVED_KEY_PALM_DB_TYPE 12
#define VEZUVED_KEY_ELE_FORMAT 13
#define VEZUVED_KEY_DEFAULT_ICON 14
#define VEZUVED_KEY_HEADER_LINES 15
#define VEZUVED_KEY_FIELD_LEN 16
#define VEZUVED_KEY_DATE 17
#define VEZUVED_KEY_HEADER 18
#define VEZUVED_KEY_FORMAT_TITLE 19
#define VEZUVED_KEY_EXT 20

/* What the library keeps of a value, in characters. */
#define VEZUVED_DEFINITION_LINE_MAX 511 /* a line; longer ones are cut */
#define VEZUVED_DEFINITION_ICON_MAX 79  /* DefaultIcon */
#define VEZUVED_DEFINITION_EXT_MAX 35   /* Ext, its leading '.' included */

/* What the library makes of the whole definition. Texts belong to the
 * definition and stay valid until it is read again or freed. */
typedef struct vezuved_definition_facts {
    int32_t layout;                        /* VEZUVED_LAYOUT_* */
    int32_t columns[VEZUVED_COLUMN_COUNT]; /* each the column from 0, -1 when not mapped */
    int32_t field_count;                   /* FieldCount: the columns written */
    int32_t header_lines;                  /* lines skipped before the points */
    int32_t location_format;               /* VEZUVED_LOCATION_* */
    int32_t elevation_metres;              /* nonzero: elevations in metres, else feet */
    int32_t kind;                          /* VEZUVED_SET_* or VEZUVED_DEFINITION_DATUM */
    int32_t older_layout;                  /* Track2, Route2: the records' older layout */
    int32_t placeholder;                   /* an older-layout track or route: its record 0 stays empty */
    const char* delimiter;    /* Delimited's character (a tab layout splits at tabs whatever it says) */
    const char* field_widths; /* FieldLen as written, "w0,w1,..." ("" none) */
    const char* header;       /* the Header template; null when none */
    const char* title;        /* FormatTitle; null when none */
    const char* extension;    /* Ext ("" none) */
    const char* default_icon; /* DefaultIcon ("" none) */
} vezuved_definition_facts;

/* One line of the definition as the library collects it (line ends inside
 * double quotes belong to the line, the quotes dropped) and what it does
 * alone. */
typedef struct vezuved_definition_line {
    int32_t number;             /* the file line it begins on, from 1 */
    int32_t keyword;            /* VEZUVED_KEY_*; -1 for none (a comment, a column label, no keyword) */
    int32_t has_value;          /* the line holds a usable '=' */
    int32_t changed_count;      /* the settings the line changes by itself */
    const char* text;           /* cut at VEZUVED_DEFINITION_LINE_MAX characters */
    const char* value;          /* after the '=', leading spaces skipped; "" without one */
    const char* const* changed; /* their names ("Layout", "FieldMap[3]", ...) */
} vezuved_definition_line;

/* A new definition holding nothing yet; null when memory runs out. */
VEZUVED_CORE_API vezuved_definition* VEZUVED_CORE_CALL vezuved_definition_new(void);
VEZUVED_CORE_API void VEZUVED_CORE_CALL vezuved_definition_free(vezuved_definition* definition);

/* Reads the definition at path, replacing what the handle held. Fails with
 * VEZUVED_ERROR_OPEN ("cannot read the format definition 'PATH': CAUSE"). */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_definition_read(vezuved_definition* definition,
                                                                   const char* path);

/* The message of the last call on the definition that failed; "" after a
 * call that succeeded. */
VEZUVED_CORE_API const char* VEZUVED_CORE_CALL
vezuved_definition_error_message(const vezuved_definition* definition);

/* The facts of the definition read. */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_definition_get_facts(const vezuved_definition* definition,
                                                                        vezuved_definition_facts* facts);

/* The label a FieldN line gives column (0..31); null when it has none. */
VEZUVED_CORE_API const char* VEZUVED_CORE_CALL vezuved_definition_label(const vezuved_definition* definition,
                                                                        int32_t column);

/* The definition's lines in order; -1 for a null handle. */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL
vezuved_definition_line_count(const vezuved_definition* definition);
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_definition_get_line(const vezuved_definition* definition,
                                                                       int32_t index,
                                                                       vezuved_definition_line* line);

/* The keyword's name as a definition spells it ("FieldCount"); null
 * outside VEZUVED_KEY_SOURCE..VEZUVED_KEY_EXT. */
VEZUVED_CORE_API const char* VEZUVED_CORE_CALL vezuved_definition_keyword_name(int32_t keyword);

/* A number as a definition's value reads: optional white space, sign and
 * digits at the start of text, anything after them left (beyond the 32-bit
 * range it saturates). Answers how many bytes it
 * took (0: none, and *value 0). */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_definition_integer(const char* text, int32_t* value);

/* Files of the caller's own, written as the library writes its own: into a
 * temporary file beside the target, which replaces the target only at
 * vezuved_output_commit, so a failure or a process ended part way never
 * costs the previous file. A temporary left by a process that was killed
 * is removed by the next write into its folder. */
typedef struct vezuved_output vezuved_output;

/* A new output, not yet open; null when memory runs out. */
VEZUVED_CORE_API vezuved_output* VEZUVED_CORE_CALL vezuved_output_new(void);
/* Discards a file not committed, then frees the output. */
VEZUVED_CORE_API void VEZUVED_CORE_CALL vezuved_output_free(vezuved_output* output);
/* Starts writing path (its temporary file is made now). */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_output_open(vezuved_output* output, const char* path);
/* Appends size bytes. A failed write is kept: the commit then fails. */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_output_write(vezuved_output* output,
                                                                const void* bytes,
                                                                int64_t size);
/* Flushes the file to the disk and renames it over the target. */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_output_commit(vezuved_output* output);
/* The sentence of the output's last failure ("cannot write 'x': No space
 * left on device"); "" when none failed. */
VEZUVED_CORE_API const char* VEZUVED_CORE_CALL vezuved_output_message(const vezuved_output* output);
/* Removes every temporary file this process is writing (outputs and the
 * library's own). Safe to call from a signal handler, which a program ends
 * with: the files being written are then gone, the targets as they were. */
VEZUVED_CORE_API void VEZUVED_CORE_CALL vezuved_remove_partial_files(void);

/* A text file's layout beyond what its definition says. Each value -1
 * (VEZUVED_TEXT_AS_DEFINED) keeps the definition's own; start from
 * vezuved_text_options_init. With a layout or columns given, a text file
 * needs no definition: the rest is the library's defaults. */
#define VEZUVED_TEXT_AS_DEFINED -1

typedef struct vezuved_text_options {
    int32_t layout;           /* VEZUVED_SOURCE_* of vezuved.h: 0 record lines, 1 comma, 2 tab, ... */
    int32_t kind;             /* VEZUVED_SET_*: the kind of set a read makes (since 1.3 also the
                                 older layouts' kinds of vezuved.h, 65 and 66: a track, a route) */
    int32_t elevation_format; /* 0 feet, 1 metres */
    int32_t has_columns;      /* nonzero: columns replaces the definition's columns */
    int16_t columns[8];       /* by VEZUVED_COLUMN_*, latitude to description; the date's is unused (0) */
} vezuved_text_options;

/* Every value as the definition says. */
VEZUVED_CORE_API void VEZUVED_CORE_CALL vezuved_text_options_init(vezuved_text_options* options);

/* vezuved_read and vezuved_write with a text file's layout changed by
 * text (null: as the definition says). A definition whose title says
 * "(import only)" is refused for writing (VEZUVED_ERROR_FORMAT). */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_read_text(vezuved_collection* collection,
                                                             const char* path,
                                                             const vezuved_read_options* options,
                                                             const vezuved_text_options* text);
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_write_text(vezuved_collection* collection,
                                                              const char* path,
                                                              const vezuved_write_options* options,
                                                              const vezuved_text_options* text);

/* Receives the points of a read one at a time, in order; the point and its
 * texts are valid only during the call. Answers 0 to go on, anything else
 * to stop the read (VEZUVED_ERROR_CANCELLED). */
typedef int32_t(VEZUVED_CORE_CALL* vezuved_point_function)(void* context, const vezuved_point* point);

/* As vezuved_read_text, for a text too long to hold as points: each point
 * is handed to visit as its line is read, and the set appended to the
 * collection (its kind and name as a read gives them) stays empty. The set
 * stands from the first point on, so visit may ask its kind and name; a
 * read that fails or is stopped takes it away again. The
 * lines left out are the collection's warnings, as a read's. Only a text
 * file is read so (VEZUVED_ERROR_UNSUPPORTED for another format). */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_visit_text(vezuved_collection* collection,
                                                              const char* path,
                                                              const vezuved_read_options* options,
                                                              const vezuved_text_options* text,
                                                              vezuved_point_function visit,
                                                              void* context);

/* Gives the point at index of set of collection the values the point at
 * source_index of source's set source_set holds beyond the public struct's
 * fields (a GPX point's comment, type, hdop, satellites; a sensor's heart
 * rate, cadence, temperature), as the point was read, replacing its own.
 * With index and source_index -1, gives the set the source set's texts
 * instead (a track's description and type, a file's metadata). The map
 * formats write them again; a database or a text, which cannot hold them,
 * says so. */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_copy_extras(vezuved_collection* collection,
                                                               int32_t set,
                                                               int64_t index,
                                                               const vezuved_collection* source,
                                                               int32_t source_set,
                                                               int64_t source_index);

/* Appends count points of source's set source_set, from first, to the end
 * of set of collection, exactly as they are held (their values are never
 * turned into the public struct and back); collection and source may be
 * the same. The first point appended to an empty set begins no segment. */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_copy_points(vezuved_collection* collection,
                                                               int32_t set,
                                                               const vezuved_collection* source,
                                                               int32_t source_set,
                                                               int64_t first,
                                                               int64_t count);

/* Marks (nonzero) or unmarks the point index of set as the start of a
 * segment; the first point of a set begins none. */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_set_segment_start(vezuved_collection* collection,
                                                                     int32_t set,
                                                                     int64_t index,
                                                                     int32_t segment_start);

/* --- Since 1.2 (VEZUVED_CORE_VERSION 102) --- */

/* Appends the point a host's point record holds (an RLPointRecord of
 * vezuved.h, as RLDBReadPDB hands them out: texts in Windows-1252), read as
 * a database's record is: its feet are written again as the record has
 * them. A record that holds no latitude or longitude is appended as it is,
 * for the writer to refuse. */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_add_record(vezuved_collection* collection,
                                                              int32_t set,
                                                              const void* record);

/* What a database's header says, its records unread. */
typedef struct vezuved_database_facts {
    int32_t kind;    /* VEZUVED_KIND_* of vezuved.h: 0 points, 1 track, 2 route, 3..7 the handheld's other
                        databases */
    int32_t layout;  /* VEZUVED_SOURCE_* of vezuved.h: the text layout its records keep */
    int32_t version; /* the header's version: 3, or 1 for a track or route in the older layout */
    int32_t records; /* records held, an older layout's placeholder included */
} vezuved_database_facts;

/* Reads the header of the database at path into facts; the collection only
 * keeps the failure's sentence: VEZUVED_ERROR_OPEN, or VEZUVED_ERROR_FORMAT
 * with the cause (no Palm database, a damaged record list, a type the
 * library does not know). */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_database_get_facts(vezuved_collection* collection,
                                                                      const char* path,
                                                                      vezuved_database_facts* facts);

/* --- Since 1.3 (VEZUVED_CORE_VERSION 103) --- */

/* The ways of writing a document (VEZUVED_WRITE_COMPACT and
 * VEZUVED_WRITE_AS_POINTS) are or'ed into the write options' format; see
 * the formats above. */

/* Writes the points of the text at path, read as vezuved_read_text reads
 * them, as a GPX, KML or GeoJSON document (the options' format, which must
 * name one) handed to write piece by piece as it is made, without holding
 * the points: the text is read again for each pass of the writer, and a
 * text that changes meanwhile fails the write. The collection gains the
 * document's set, empty (its kind and name as a read gives them), and the
 * first pass's warnings; points, when not null, the number written. A
 * failure part way has handed write the document's beginning: the caller
 * throws it away. Another format, read or written, is
 * VEZUVED_ERROR_UNSUPPORTED. */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_write_text_document(vezuved_collection* collection,
                                                                       const char* path,
                                                                       const vezuved_read_options* read,
                                                                       const vezuved_text_options* text,
                                                                       vezuved_write_function write,
                                                                       void* context,
                                                                       const vezuved_write_options* options,
                                                                       int64_t* points);

/* --- Since 1.4 (VEZUVED_CORE_VERSION 104) --- */

/* A date, a time or both, as an ISO 8601 text gives them. */
typedef struct vezuved_iso_time {
    int64_t time;         /* milliseconds since 1970-01-01 UTC; a time without a date falls on 2000-01-01 */
    int32_t has_date;     /* the text names a day */
    int32_t has_time;     /* the text names a time of day */
    int32_t has_zone;     /* the text names its zone ("Z", "+02:00"); without one, UTC */
    int32_t zone_minutes; /* the zone's offset east of UTC */
} vezuved_iso_time;

/* Reads text as the core reads an ISO 8601 time ("2021-08-14",
 * "2021-08-14T10:15:00+02:00", "2021-08-14 10:15:00.25Z", "10:15",
 * "10:15:00-0500"; a fraction finer than a millisecond rounded to the
 * nearest one): VEZUVED_OK, or VEZUVED_ERROR_FORMAT for anything else or a
 * value out of range (VEZUVED_ERROR_ARGUMENT for a null pointer). */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_read_iso_time(const char* text, vezuved_iso_time* moment);

/* Room enough for any time vezuved_write_iso_time writes, its NUL included. */
#define VEZUVED_ISO_TIME_SIZE 40

/* Writes time (milliseconds since 1970-01-01 UTC) into out as the core's
 * documents write it, "YYYY-MM-DDTHH:MM:SSZ" with three decimals of the
 * second when it has a fraction, and a NUL: the text's length, or
 * VEZUVED_ERROR_ARGUMENT when out (size bytes) cannot hold it. */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_write_iso_time(int64_t time, char* out, int32_t size);

/* Copies the UTF-8 text into out, in UTF-8, as the handheld holds it: a
 * character Windows-1252 has no byte for becomes '?', and a byte that is no
 * UTF-8 is read as its Windows-1252 character. Three bytes for each of the
 * text's and one for the NUL are always enough. The number of characters
 * replaced by '?', or VEZUVED_ERROR_ARGUMENT for a null pointer or an out
 * too small. */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_handheld_text(const char* text, char* out, int32_t size);

/* A definition read by vezuved_definition_read, as a person reads it. The
 * texts are UTF-8, each line ending in "\n", and belong to the definition
 * until it is read again or freed. */
typedef struct vezuved_definition_explanation {
    const char* summary;      /* "Title:        ...", the layout, header, kind and extension, a line each */
    const char* warnings;     /* "warning: line 3: ..." for each line or setting that will not do what its
                                 writer probably meant; "" when none */
    int32_t rows;             /* the column table: its heading row, then a row per column and field */
    int32_t columns;          /* cells in each row */
    const char* const* cells; /* rows * columns texts, row by row */
} vezuved_definition_explanation;

/* Explains the definition last read (VEZUVED_ERROR_ARGUMENT when none
 * was). */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL
vezuved_definition_explain(vezuved_definition* definition, vezuved_definition_explanation* explanation);

/* The text a definition is made for is to be read with VEZUVED_READ_ISO_TIMES:
 * its time and date columns of ISO 8601 values stay in. */
#define VEZUVED_MAKE_ISO_TIMES 0x1

/* Makes a format definition for the delimited text at path from the names
 * its first line, the header row, gives the columns ("lat", "lon",
 * "ele_m", "Elevation (ft)", "time", "date", "name", "sym", "desc", ...),
 * and hands its ".cal" text to write. It reads the file it is made from: a
 * column no field is known for, a field's second column, and a time, date
 * or elevation column it would refuse on every line (without
 * VEZUVED_MAKE_ISO_TIMES, one of ISO 8601 times too) are left out. Each of
 * those, and each column name its header template cannot write back as it
 * is, is a warning of the collection ("warning: left out ..."). An empty
 * header row, or one naming no latitude or longitude column, is
 * VEZUVED_ERROR_FORMAT; another flag VEZUVED_ERROR_ARGUMENT. */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_make_definition(vezuved_collection* collection,
                                                                   const char* path,
                                                                   int32_t flags,
                                                                   vezuved_write_function write,
                                                                   void* context);

/* --- Since 1.5 (VEZUVED_CORE_VERSION 105) --- */

/* A text read by a definition made from its own header row, as
 * vezuved_make_definition makes it with VEZUVED_MAKE_ISO_TIMES, its ISO 8601
 * times read as VEZUVED_READ_ISO_TIMES reads them (a read option's flag).
 * The making's warnings come first among the read's, without a line; the
 * file is read once. A definition_path with it is VEZUVED_ERROR_ARGUMENT. */
#define VEZUVED_READ_HEADER_ROW 0x2

/* The elevation of the point at index of set in feet as its file held it:
 * a database's or a text's in feet as written ("1829" is 1829, not the
 * 1828.9999999999998 its metres make), any other's metres in feet.
 * VEZUVED_ERROR_FORMAT when the point has none; VEZUVED_ERROR_ARGUMENT for
 * a set or index out of range or a null feet. */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_get_elevation_feet(const vezuved_collection* collection,
                                                                      int32_t set,
                                                                      int64_t index,
                                                                      double* feet);

/* What a format can do (the format entry's flags). */
#define VEZUVED_FORMAT_READS 0x1
#define VEZUVED_FORMAT_WRITES 0x2

/* What a format keeps of the sets (the format entry's keeps): each kind
 * of set, several sets in one file, segments, and each value of a point.
 * A text keeps what its definition's columns hold. */
#define VEZUVED_KEEPS_WAYPOINTS 0x1
#define VEZUVED_KEEPS_ROUTES 0x2
#define VEZUVED_KEEPS_TRACKS 0x4
#define VEZUVED_KEEPS_SETS 0x8 /* several in one file */
#define VEZUVED_KEEPS_SEGMENTS 0x10
#define VEZUVED_KEEPS_TIMES 0x20
#define VEZUVED_KEEPS_ELEVATIONS 0x40
#define VEZUVED_KEEPS_NAMES 0x80
#define VEZUVED_KEEPS_DESCRIPTIONS 0x100
#define VEZUVED_KEEPS_SYMBOLS 0x200

/* One format of the registry the reads and writes choose by. Its texts
 * are the library's own and live as long as it is loaded. */
typedef struct vezuved_format_info {
    int32_t format;         /* VEZUVED_FORMAT_* */
    uint32_t flags;         /* VEZUVED_FORMAT_READS, _WRITES */
    const char* name;       /* as a sentence names it: "GPX", "database", "SVG picture" */
    const char* keywords;   /* short names to choose it by, lower case, a space between: "geojson json" */
    const char* extensions; /* that name it, with their dots, a space between; the first is the one a
                               file written in it is given; "" for text, which any other may be */
    const char* read_extensions; /* that name it only when read: ".kmz" (zipped KML) */
    const char* holds;           /* what one file of it holds */
    uint32_t keeps;              /* VEZUVED_KEEPS_* */
} vezuved_format_info;

/* The format at index (0, 1, ...: each format once, VEZUVED_FORMAT_PDB_OLDER
 * being a way of writing VEZUVED_FORMAT_PDB); VEZUVED_ERROR_ARGUMENT past
 * the last, or for a null info. */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_get_format(int32_t index, vezuved_format_info* info);

/* --- Since 1.6 (VEZUVED_CORE_VERSION 106) --- */

/* The elevation of the point at index of set in feet as its record or text
 * wrote it ("11249", "6000.6561680"), with a NUL, into out (size bytes): its
 * length; VEZUVED_ERROR_FORMAT when the point's elevation was not read as
 * feet (a map file's metres), VEZUVED_ERROR_ARGUMENT when out is too small. */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_get_elevation_feet_text(
    const vezuved_collection* collection, int32_t set, int64_t index, char* out, int32_t size);
/* Gives the point at index of set the elevation in feet text says, a
 * database writing it again as text writes it ("11249" stays "11249"), its
 * metres by the foot of 0.3048 m. VEZUVED_ERROR_FORMAT for a text that is
 * no such number. */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_set_elevation_feet_text(vezuved_collection* collection,
                                                                           int32_t set,
                                                                           int64_t index,
                                                                           const char* text);

/* --- Since 1.7 (VEZUVED_CORE_VERSION 107) --- */

/* The format the extension of a file's name names, any case, as the reads
 * and writes choose by it: a VEZUVED_FORMAT_* code, VEZUVED_FORMAT_BY_EXTENSION
 * (0) when it names none. With VEZUVED_FORMAT_READS in flags the name is
 * of a file to read: a read-only extension (".kmz") names its format too,
 * and a gzipped file ("ride.gpx.gz") is named by the extension before ".gz". */
VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_format_of_name(const char* name, uint32_t flags);

#ifdef __cplusplus
}
#endif

#endif /* VEZUVED_VEZUVED_CORE_H */
