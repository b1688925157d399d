#pragma once
// Where the hives live and how they are read and changed safely between processes.
#include <functional>

#include "platform/win32/RegistryHive.h"

enum class HiveId { Machine, User };

// "HKEY_LOCAL_MACHINE" or "HKEY_CURRENT_USER".
const char* HiveRootName(HiveId hive);
// $VOKA_HOME/machine.reg or $VOKA_HOME/user.reg, as of now.
AnsiString HiveFileName(HiveId hive);

// Runs reader on the hive as its file holds it now.
void ReadHive(HiveId hive, const std::function<void(const RegistryHive&)>& reader);

// Runs change on the hive re-read under the hive's file lock. When it returns
// ERROR_SUCCESS and sets changed, the hive is written back atomically; a failed write
// gives ERROR_CANTWRITE and leaves the file as it was.
LONG ChangeHive(HiveId hive, const std::function<LONG(RegistryHive&, bool& changed)>& change);
