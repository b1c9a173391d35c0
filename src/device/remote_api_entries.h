// The remote API's entry points, in the order they are resolved: return
// type, name, parameter list. One list, so the loader's table and the
// device emulator's exports cannot drift apart.
#pragma once

#include "device/ce_types.h"

namespace vezuved {

#define VEZUVED_REMOTE_API_ENTRIES(X)                                                                     \
    X(HRESULT, CeRapiInitEx, (RAPIINIT * pRapiInit))                                                      \
    X(HRESULT, CeRapiUninit, (void))                                                                      \
    X(CEOID,                                                                                              \
      CeReadRecordProps,                                                                                  \
      (HANDLE hDbase,                                                                                     \
       DWORD dwFlags,                                                                                     \
       LPWORD lpcPropID,                                                                                  \
       CEPROPID * rgPropID,                                                                               \
       LPBYTE * lplpBuffer,                                                                               \
       LPDWORD lpcbBuffer))                                                                               \
    X(CEOID, CeSeekDatabase, (HANDLE hDatabase, DWORD dwSeekType, DWORD dwValue, LPDWORD lpdwIndex))      \
    X(BOOL, CeSetDatabaseInfo, (CEOID oidDbase, CEDBASEINFO * pNewInfo))                                  \
    X(CEOID, CeWriteRecordProps, (HANDLE hDbase, CEOID oidRecord, WORD cPropID, CEPROPVAL * rgPropVal))   \
    X(HANDLE, CeFindFirstFile, (LPCWSTR lpFileName, LPCE_FIND_DATA lpFindFileData))                       \
    X(BOOL, CeFindNextFile, (HANDLE hFindFile, LPCE_FIND_DATA lpFindFileData))                            \
    X(BOOL, CeFindClose, (HANDLE hFindFile))                                                              \
    X(HANDLE,                                                                                             \
      CeCreateFile,                                                                                       \
      (LPCWSTR lpFileName,                                                                                \
       DWORD dwDesiredAccess,                                                                             \
       DWORD dwShareMode,                                                                                 \
       LPSECURITY_ATTRIBUTES lpSecurityAttributes,                                                        \
       DWORD dwCreationDisposition,                                                                       \
       DWORD dwFlagsAndAttributes,                                                                        \
       HANDLE hTemplateFile))                                                                             \
    X(BOOL,                                                                                               \
      CeReadFile,                                                                                         \
      (HANDLE hFile,                                                                                      \
       LPVOID lpBuffer,                                                                                   \
       DWORD nNumberOfBytesToRead,                                                                        \
       LPDWORD lpNumberOfBytesRead,                                                                       \
       LPOVERLAPPED lpOverlapped))                                                                        \
    X(BOOL,                                                                                               \
      CeWriteFile,                                                                                        \
      (HANDLE hFile,                                                                                      \
       LPCVOID lpBuffer,                                                                                  \
       DWORD nNumberOfBytesToWrite,                                                                       \
       LPDWORD lpNumberOfBytesWritten,                                                                    \
       LPOVERLAPPED lpOverlapped))                                                                        \
    X(BOOL, CeCloseHandle, (HANDLE hObject))                                                              \
    X(BOOL, CeDeleteFile, (LPCWSTR lpFileName))                                                           \
    X(DWORD, CeGetFileSize, (HANDLE hFile, LPDWORD lpFileSizeHigh))                                       \
    X(BOOL,                                                                                               \
      CeGetFileTime,                                                                                      \
      (HANDLE hFile, FILETIME * lpCreationTime, FILETIME * lpLastAccessTime, FILETIME * lpLastWriteTime)) \
    X(BOOL,                                                                                               \
      CeSetFileTime,                                                                                      \
      (HANDLE hFile,                                                                                      \
       const FILETIME* lpCreationTime,                                                                    \
       const FILETIME* lpLastAccessTime,                                                                  \
       const FILETIME* lpLastWriteTime))                                                                  \
    X(BOOL, CeGetVersionEx, (LPCEOSVERSIONINFO lpVersionInformation))                                     \
    X(HANDLE, CeFindFirstDatabaseEx, (PCEGUID pguid, DWORD dwDbaseType))                                  \
    X(CEOID, CeFindNextDatabaseEx, (HANDLE hEnum, PCEGUID pguid))                                         \
    X(CEOID, CeCreateDatabaseEx, (PCEGUID pguid, CEDBASEINFO * pInfo))                                    \
    X(BOOL, CeSetDatabaseInfoEx, (PCEGUID pguid, CEOID oidDbase, CEDBASEINFO * pNewInfo))                 \
    X(HANDLE,                                                                                             \
      CeOpenDatabaseEx,                                                                                   \
      (PCEGUID pguid,                                                                                     \
       PCEOID poid,                                                                                       \
       LPWSTR lpszName,                                                                                   \
       CEPROPID propid,                                                                                   \
       DWORD dwFlags,                                                                                     \
       CENOTIFYREQUEST * pRequest))                                                                       \
    X(BOOL, CeDeleteDatabaseEx, (PCEGUID pguid, CEOID oid))                                               \
    X(CEOID,                                                                                              \
      CeReadRecordPropsEx,                                                                                \
      (HANDLE hDbase,                                                                                     \
       DWORD dwFlags,                                                                                     \
       LPWORD lpcPropID,                                                                                  \
       CEPROPID * rgPropID,                                                                               \
       LPBYTE * lplpBuffer,                                                                               \
       LPDWORD lpcbBuffer,                                                                                \
       HANDLE hHeap))                                                                                     \
    X(CEOID, CeWriteRecordPropsEx, (HANDLE hDbase, CEOID oidRecord, WORD cPropID, CEPROPVAL * rgPropVal)) \
    X(BOOL, CeMountDBVol, (PCEGUID pguid, LPWSTR lpszVol, DWORD dwFlags))                                 \
    X(BOOL, CeUnmountDBVol, (PCEGUID pguid))                                                              \
    X(BOOL, CeOidGetInfoEx, (PCEGUID pguid, CEOID oid, CEOIDINFO * oidInfo))                              \
    X(BOOL, CeCreateDirectory, (LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes))          \
    X(DWORD, CeGetLastError, (void))

// Entry points some versions of the library lack: resolved when present, a
// null slot otherwise, and the copies fall back to what they did without.
#define VEZUVED_REMOTE_API_OPTIONAL_ENTRIES(X) \
    X(BOOL, CeMoveFile, (LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName))

// Function pointer types: PFN_CeRapiInitEx and so on.
#define VEZUVED_REMOTE_API_TYPEDEF(ret, name, params) typedef ret(VZ_STDCALL* PFN_##name) params;
VEZUVED_REMOTE_API_ENTRIES(VEZUVED_REMOTE_API_TYPEDEF)
VEZUVED_REMOTE_API_OPTIONAL_ENTRIES(VEZUVED_REMOTE_API_TYPEDEF)
#undef VEZUVED_REMOTE_API_TYPEDEF

}  // namespace vezuved
