#pragma once
// Published properties by name at run time. Paths may be dotted ("Font.Name") to reach
// properties of nested persistent objects. All raise EPropertyError for a path that does
// not lead to a property of the needed kind.
#include "platform/classes/Component.h"

// The property a path names, with the object that holds it; nullptr when there is none.
struct TPropTarget {
    TPersistent* Instance = nullptr;
    const TPropInfo* Prop = nullptr;
};
TPropTarget FindPropTarget(TPersistent* instance, const AnsiString& path);
bool IsPublishedProp(TPersistent* instance, const AnsiString& path);
const TPropInfo* GetPropInfo(TPersistent* instance, const AnsiString& path);

// bool, integer, char, enumeration ordinal and set bits.
int64_t GetOrdProp(TPersistent* instance, const AnsiString& path);
void SetOrdProp(TPersistent* instance, const AnsiString& path, int64_t value);
AnsiString GetStrProp(TPersistent* instance, const AnsiString& path);
void SetStrProp(TPersistent* instance, const AnsiString& path, const AnsiString& value);
// Enumerations by value name.
AnsiString GetEnumProp(TPersistent* instance, const AnsiString& path);
void SetEnumProp(TPersistent* instance, const AnsiString& path, const AnsiString& value);
// Sets as "a,b" (or "[a,b]"); the setter takes either.
AnsiString GetSetProp(TPersistent* instance, const AnsiString& path, bool brackets = false);
void SetSetProp(TPersistent* instance, const AnsiString& path, const AnsiString& value);
// Nested objects and component references.
TPersistent* GetObjectProp(TPersistent* instance, const AnsiString& path);
void SetComponentProp(TPersistent* instance, const AnsiString& path, TComponent* value);
TMethod GetMethodProp(TPersistent* instance, const AnsiString& path);
void SetMethodProp(TPersistent* instance, const AnsiString& path, const TMethod& value);

// Stores an ordinal with the property's range check (EPropertyError outside it).
void StoreOrdinal(TPersistent& instance, const TPropInfo& prop, int64_t value);
