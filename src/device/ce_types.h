// The handheld's remote API types, with the layouts of 32-bit Windows that
// the remote API library expects. The Windows build compiles the very same
// definitions on top of the platform's own base types, so both builds share
// one layout; the static assertions pin every offset where pointers cannot
// change it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win_types.h"

typedef DWORD CEOID;
typedef CEOID* PCEOID;
typedef DWORD CEPROPID;
typedef CEPROPID* PCEPROPID;

// Identifies a mounted database volume.
typedef struct _CEGUID {
    DWORD Data1;
    DWORD Data2;
    DWORD Data3;
    DWORD Data4;
} CEGUID, *PCEGUID;

typedef struct _CEBLOB {
    DWORD dwCount;
    LPBYTE lpb;
} CEBLOB;

typedef union _CEVALUNION {
    int16_t iVal;
    USHORT uiVal;
    LONG lVal;
    ULONG ulVal;
    FILETIME filetime;
    LPWSTR lpwstr;
    CEBLOB blob;
    BOOL boolVal;
    double dblVal;
} CEVALUNION;

typedef struct _CEPROPVAL {
    CEPROPID propid;
    WORD wLenData;
    WORD wFlags;
    CEVALUNION val;
} CEPROPVAL, *PCEPROPVAL;

#define CEDB_MAXDBASENAMELEN 32
#define CEDB_MAXSORTORDER 4

typedef struct _SORTORDERSPEC {
    CEPROPID propid;
    DWORD dwFlags;
} SORTORDERSPEC;

typedef struct _CEDBASEINFO {
    DWORD dwFlags;
    WCHAR szDbaseName[CEDB_MAXDBASENAMELEN];
    DWORD dwDbaseType;
    WORD wNumRecords;
    WORD wNumSortOrder;
    DWORD dwSize;
    FILETIME ftLastModified;
    SORTORDERSPEC rgSortSpecs[CEDB_MAXSORTORDER];
} CEDBASEINFO;

typedef struct _CEFILEINFO {
    DWORD dwAttributes;
    CEOID oidParent;
    WCHAR szFileName[MAX_PATH];
    FILETIME ftLastChanged;
    DWORD dwLength;
} CEFILEINFO;

typedef struct _CEDIRINFO {
    DWORD dwAttributes;
    CEOID oidParent;
    WCHAR szDirName[MAX_PATH];
} CEDIRINFO;

typedef struct _CERECORDINFO {
    CEOID oidParent;
} CERECORDINFO;

typedef struct _CEOIDINFO {
    WORD wObjType;
    WORD wPad;
    union {
        CEFILEINFO infFile;
        CEDIRINFO infDirectory;
        CEDBASEINFO infDatabase;
        CERECORDINFO infRecord;
    };
} CEOIDINFO;

// The device's search record: the wide search record with an object id in
// place of the reserved words and no alternate name.
typedef struct _CE_FIND_DATA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwOID;
    WCHAR cFileName[MAX_PATH];
} CE_FIND_DATA, *LPCE_FIND_DATA;

typedef struct _CEOSVERSIONINFO {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    WCHAR szCSDVersion[128];
} CEOSVERSIONINFO, *LPCEOSVERSIONINFO;

typedef struct _RAPIINIT {
    DWORD cbSize;
    HANDLE heRapiInit;
    HRESULT hrRapiInit;
} RAPIINIT;

typedef struct _CENOTIFYREQUEST CENOTIFYREQUEST;

// Property types (the low word of a property id) and the property index
// (its high word).
#define CEVT_I2 2
#define CEVT_I4 3
#define CEVT_R8 5
#define CEVT_BOOL 11
#define CEVT_UI2 18
#define CEVT_UI4 19
#define CEVT_LPWSTR 31
#define CEVT_FILETIME 64
#define CEVT_BLOB 65
#define TypeFromPropID(propid) (static_cast<WORD>((propid)&0xFFFFu))
#define PropIndexFromPropID(propid) (static_cast<WORD>(((propid) >> 16) & 0xFFFFu))
#define MakePropID(index, type) ((static_cast<DWORD>(index) << 16) | static_cast<DWORD>(type))

// Database information flags.
#define CEDB_VALIDNAME 0x0001u
#define CEDB_VALIDTYPE 0x0002u
#define CEDB_VALIDSORTSPEC 0x0004u
#define CEDB_VALIDMODTIME 0x0008u
#define CEDB_VALIDDBFLAGS 0x0010u
#define CEDB_VALIDCREATE (CEDB_VALIDNAME | CEDB_VALIDTYPE | CEDB_VALIDSORTSPEC | CEDB_VALIDDBFLAGS)
#define CEDB_NOCOMPRESS 0x00010000u

// Sort order flags.
#define CEDB_SORT_DESCENDING 0x0001u
#define CEDB_SORT_CASEINSENSITIVE 0x0002u
#define CEDB_SORT_UNKNOWNFIRST 0x0004u

// Open, seek, read and property flags.
#define CEDB_AUTOINCREMENT 0x0001u
#define CEDB_SEEK_CEOID 0x0001u
#define CEDB_SEEK_BEGINNING 0x0002u
#define CEDB_SEEK_END 0x0004u
#define CEDB_SEEK_CURRENT 0x0008u
#define CEDB_ALLOWREALLOC 0x0001u
#define CEDB_PROPNOTFOUND 0x0100u
#define CEDB_PROPDELETE 0x0200u

// Object types of CEOIDINFO.
#define OBJTYPE_INVALID 0
#define OBJTYPE_FILE 1
#define OBJTYPE_DIRECTORY 2
#define OBJTYPE_DATABASE 3
#define OBJTYPE_RECORD 4

// Connection results.
#ifndef E_FAIL
#define E_FAIL static_cast<HRESULT>(0x80004005u)
#endif
#ifndef E_UNEXPECTED
#define E_UNEXPECTED static_cast<HRESULT>(0x8000FFFFu)
#endif

static_assert(sizeof(CEGUID) == 16, "CEGUID layout");
static_assert(sizeof(SORTORDERSPEC) == 8, "SORTORDERSPEC layout");
static_assert(sizeof(CEDBASEINFO) == 120, "CEDBASEINFO layout");
static_assert(offsetof(CEDBASEINFO, szDbaseName) == 4 && offsetof(CEDBASEINFO, dwDbaseType) == 68 &&
                  offsetof(CEDBASEINFO, wNumRecords) == 72 && offsetof(CEDBASEINFO, wNumSortOrder) == 74 &&
                  offsetof(CEDBASEINFO, dwSize) == 76 && offsetof(CEDBASEINFO, ftLastModified) == 80 &&
                  offsetof(CEDBASEINFO, rgSortSpecs) == 88,
              "CEDBASEINFO offsets");
static_assert(sizeof(CEFILEINFO) == 540 && sizeof(CEDIRINFO) == 528, "CEOIDINFO member layouts");
static_assert(sizeof(CEOIDINFO) == 544 && offsetof(CEOIDINFO, infDatabase) == 4, "CEOIDINFO layout");
static_assert(sizeof(CE_FIND_DATA) == 560 && offsetof(CE_FIND_DATA, ftLastWriteTime) == 20 &&
                  offsetof(CE_FIND_DATA, dwOID) == 36 && offsetof(CE_FIND_DATA, cFileName) == 40,
              "CE_FIND_DATA layout");
static_assert(sizeof(CEOSVERSIONINFO) == 276, "CEOSVERSIONINFO layout");
static_assert(offsetof(CEPROPVAL, wLenData) == 4 && offsetof(CEPROPVAL, wFlags) == 6 &&
                  offsetof(CEPROPVAL, val) == 8,
              "CEPROPVAL offsets");
#if UINTPTR_MAX == 0xFFFFFFFFu
// Pointers inside: these hold in 32-bit builds only.
static_assert(sizeof(CEBLOB) == 8 && sizeof(CEVALUNION) == 8, "CEVALUNION layout");
static_assert(sizeof(CEPROPVAL) == 16, "CEPROPVAL layout");
static_assert(sizeof(RAPIINIT) == 12 && offsetof(RAPIINIT, heRapiInit) == 4 &&
                  offsetof(RAPIINIT, hrRapiInit) == 8,
              "RAPIINIT layout");
#endif
