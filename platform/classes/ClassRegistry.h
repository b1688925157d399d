#pragma once
// Classes known by name, so that form descriptions can create components by class name.
#include <initializer_list>

#include "platform/classes/TypeInfo.h"

// "Class %s not found"
class EClassNotFound : public Exception {
public:
    using Exception::Exception;
};

// Registering the same class again does nothing; another class under a registered name
// raises Exception "A class named %s already exists".
void RegisterClass(const TClassInfo& info);
void RegisterClasses(std::initializer_list<const TClassInfo*> classes);
void UnRegisterClass(const TClassInfo& info);
// nullptr when no class of that name is registered (names compare without letter case).
const TClassInfo* GetClass(const AnsiString& className);
// Raises EClassNotFound.
const TClassInfo& FindClass(const AnsiString& className);

template <class... C> void RegisterClasses() {
    (RegisterClass(C::StaticClassInfo()), ...);
}
