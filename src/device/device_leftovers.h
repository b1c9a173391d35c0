// What an interrupted device swap leaves on the handheld, and how the next
// connection finds and heals it. The library's own temporary names there:
//   "~vezuved new <n>"   a database being built, or complete and waiting
//                        for its name
//   "~vezuved old <n>"   the user's database, set aside while the new one
//                        takes its name
//   "~vezuved swap <n>"  the swap's journal: a database of its own type
//                        (kTypeSwapJournal) whose one record names the
//                        target, the set-aside and the new database
//   "<file>.~vznew<n>", "<file>.~vzold<n>"  the same for a map, icon or
//                        resource file in the device folder
// None of them is ever listed or copied as the user's data.
#pragma once

#include "device/device_volume.h"

namespace vezuved {

constexpr DWORD kTypeSwapJournal = 0x567A5377;  // "VzSw": never a kind of the user's

// Whether a database name or a device file name is one of the library's
// temporary names above.
bool IsLeftoverDatabaseName(const WCHAR* name);
bool IsLeftoverFileName(const WideString& name);

// The temporary database name of a role ("new", "old", "swap") and number.
WideString LeftoverDatabaseName(const char* role, int number);

// Gives a database a name and a last-modified time; false when the device
// refuses (the name is taken, the connection is gone).
bool RenameDeviceDatabase(CEGUID* volume, CEOID oid, const WideString& name, const FILETIME& time);

// The id (and last-modified time) of the database of that exact name,
// whatever its type; 0 when there is none.
CEOID FindDatabaseByName(CEGUID* volume, const WideString& name, FILETIME* modified = nullptr);

// Notes, before a database swap renames anything, the target's name, the
// name it is to be set aside under (chosen here: "~vezuved old <n>" with
// the journal's own number, so no other journal ever names it) and the
// complete new database's name. The journal's id, or 0 when it cannot be
// written (the swap must not start).
CEOID WriteSwapJournal(CEGUID* volume, const WideString& target, const WideString& fresh, WideString& aside);

// At every connection, after the volume is mounted: each journaled swap is
// finished (the new database holds the name: the set-aside one goes) or
// rolled back (the name is free: the set-aside database gets it back, the
// new one goes); a database being built when the connection was lost goes;
// a set-aside database no journal names (left by an older release) is
// renamed "recovered <n>" so the user can see it. Files in the device
// folder are healed the same way by their names. What cannot be healed now
// stays for the next connection and is said on the diagnostics sink.
void HealInterruptedSwaps(const DeviceTarget& target);

}  // namespace vezuved
