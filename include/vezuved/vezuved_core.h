/*
 * VEZUVed core: GPS waypoints, routes and tracks read from and written to
 * GPX, KML (and KMZ, read only), GeoJSON and the handheld's point, route
 * and track databases (".pdb"), through one typed collection.
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
 * width.
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
#define VEZUVED_CORE_VERSION 101

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
 * .gpx, .kml, .kmz, .geojson, .json, .pdb; a file read whose extension is
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
    int32_t reserved;            /* 0 */
    const char* definition_path; /* the ".cal" definition of a text file; null: the file's own beside it */
} vezuved_read_options;

/* How a file is written. A null pointer writes every set in the format of
 * the path's extension, with the handheld's encoding. */
typedef struct vezuved_write_options {
    int32_t format;              /* VEZUVED_FORMAT_* */
    int32_t encoding;            /* VEZUVED_ENCODING_*: a database's texts */
    int32_t one_set;             /* nonzero: only the set set_index is written */
    int32_t set_index;           /* from 0 */
    const char* creator;         /* GPX "creator"; null: "VEZUVed" */
    const char* definition_path; /* the ".cal" definition a text file is written by */
} vezuved_write_options;

/* Something a read or write went past: a point left out, a text cut. */
typedef struct vezuved_warning {
    int64_t line;        /* the file's line, 0 when not known */
    const char* file;    /* the file as the call named it */
    const char* cause;   /* what was met */
    const char* message; /* the whole sentence: file, line and cause */
    int32_t reserved;
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

/* --- Since 1.1 (VEZUVED_CORE_VERSION 101) --- */

/* A text file's layout beyond what its definition says. Each value -1
 * (VEZUVED_TEXT_AS_DEFINED) keeps the definition's own; start from
 * vezuved_text_options_init. With a layout or columns given, a text file
 * needs no definition: the rest is the library's defaults. */
#define VEZUVED_TEXT_AS_DEFINED -1

/* The columns, from 0, of a text's values in the order of the column map
 * (-1: the text has none). */
#define VEZUVED_COLUMN_LATITUDE 0
#define VEZUVED_COLUMN_LONGITUDE 1
#define VEZUVED_COLUMN_ELEVATION 2
#define VEZUVED_COLUMN_TIME 3
#define VEZUVED_COLUMN_NAME 4
#define VEZUVED_COLUMN_SYMBOL 5
#define VEZUVED_COLUMN_DESCRIPTION 6
#define VEZUVED_COLUMN_COUNT 7

typedef struct vezuved_text_options {
    int32_t layout;           /* VEZUVED_SOURCE_* of vezuved.h: 0 record lines, 1 comma, 2 tab, ... */
    int32_t kind;             /* VEZUVED_SET_*: the kind of set a read makes */
    int32_t elevation_format; /* 0 feet, 1 metres */
    int32_t has_columns;      /* nonzero: columns replaces the definition's columns */
    int16_t columns[8];       /* by VEZUVED_COLUMN_*; the last is unused (0) */
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

#ifdef __cplusplus
}
#endif

#endif /* VEZUVED_VEZUVED_CORE_H */
