#pragma once
// Run-time type information of published classes: enumeration names, the published
// property, method and field tables of each class, and the class tree they inherit along.
#include <cstdint>
#include <functional>
#include <optional>
#include <typeinfo>
#include <utility>
#include <vector>

#include "platform/rtl/Events.h"
#include "platform/rtl/SysUtils.h"

class TPersistent;
class TComponent;
class TClassInfo;

// Raised for a property that does not exist, is read-only, or does not take the value.
class EPropertyError : public Exception {
public:
    using Exception::Exception;
};

// Names of an enumeration's values, ordinals 0..Count-1 in declaration order.
class TEnumInfo {
public:
    // names: the values separated by commas, as VOKA_ENUM passes them.
    TEnumInfo(const char* typeName, const char* names);

    const AnsiString& TypeName() const { return typeName_; }
    int Count() const { return static_cast<int>(names_.size()); }
    // Raises EPropertyError for an ordinal outside the enumeration.
    const AnsiString& Name(int64_t ordinal) const;
    // Case-insensitive; -1 when no value has that name.
    int IndexOf(const AnsiString& name) const;

    // "[a,b]" (or "a,b" without brackets) in ordinal order.
    AnsiString SetToString(uint64_t bits, bool brackets) const;
    // Accepts the text with or without brackets and spaces; raises EPropertyError on an
    // unknown name.
    uint64_t StringToSet(const AnsiString& text) const;

private:
    AnsiString typeName_;
    std::vector<AnsiString> names_;
};

// Declares an enumeration with contiguous values from 0 and makes its value names known
// to the property system (found through EnumTypeInfo(value)).
#define VOKA_ENUM(Type, ...)                                                                       \
    enum Type { __VA_ARGS__ };                                                                     \
    inline const TEnumInfo& EnumTypeInfo(Type) {                                                   \
        static const TEnumInfo info(#Type, #__VA_ARGS__);                                          \
        return info;                                                                               \
    }

enum class TTypeKind {
    tkBool,
    tkInteger,
    tkChar,
    tkString,
    tkEnumeration,
    tkSet,
    tkClass,     // a nested persistent object, owned by the instance
    tkComponent, // a reference to a component, not owned
    tkMethod,    // an event
};

// Symbolic names an integer property accepts and writes instead of numbers (colours).
using TIntegerIdents = std::vector<std::pair<AnsiString, int64_t>>;

struct TPropInfo {
    AnsiString Name;
    TTypeKind Kind = TTypeKind::tkInteger;
    const TEnumInfo* Enum = nullptr; // enumerations and the elements of sets
    const TIntegerIdents* Idents = nullptr;
    int64_t MinValue = 0; // integers and chars
    int64_t MaxValue = 0;
    const std::type_info* EventType = nullptr; // events: the TEvent type
    // References: the class the target must have (a function, as a class may refer to its
    // own kind while its tables are being built).
    const TClassInfo& (*ComponentClass)() = nullptr;
    // Ordinal kinds (bool, integer, char, enumeration, set bits) are not written when equal
    // to the default; without one they are always written.
    std::optional<int64_t> Default;
    bool Stored = true;
    std::function<bool(TPersistent&)> StoredWhen;

    std::function<int64_t(TPersistent&)> GetOrd;
    std::function<void(TPersistent&, int64_t)> SetOrd;
    std::function<AnsiString(TPersistent&)> GetStr;
    std::function<void(TPersistent&, const AnsiString&)> SetStr;
    std::function<TPersistent*(TPersistent&)> GetObject;         // nested objects and references
    std::function<void(TPersistent&, TComponent*)> SetComponent; // raises on a wrong class
    std::function<TMethod(TPersistent&)> GetMethod;
    std::function<void(TPersistent&, const TMethod&)> SetMethod;

    bool IsOrdinal() const;
    bool Writable() const;
    bool IsStoredOn(TPersistent& instance) const;
};

// A published method of a class, bindable to events of the same TEvent type.
struct TMethodInfo {
    AnsiString Name;
    const std::type_info* EventType = nullptr;
    void* Code = nullptr;
    std::function<void*(TPersistent&)> DataOf; // the object part for an instance

    TMethod BindTo(TPersistent& instance) const { return TMethod{Code, DataOf(instance)}; }
};

// A published component field: the owner's field named like an owned component points at
// it while the component has that name.
struct TFieldInfo {
    AnsiString Name;
    // Returns false when the component does not fit the field's class.
    std::function<bool(TPersistent&, TComponent*)> Set;
};

class TClassInfo {
public:
    AnsiString ClassName;
    const TClassInfo* Parent = nullptr;
    // The virtual constructor; empty for classes that cannot be created by name.
    std::function<TComponent*(TComponent* owner)> Factory;
    std::vector<TPropInfo> Properties;
    std::vector<TMethodInfo> Methods;
    std::vector<TFieldInfo> Fields;

    // Lookups go up the class tree; names compare without letter case.
    const TPropInfo* FindProperty(const AnsiString& name) const;
    const TMethodInfo* FindMethod(const AnsiString& name) const;
    const TMethodInfo* FindMethodByCode(void* code) const;
    const TFieldInfo* FindField(const AnsiString& name) const;
    // Ancestors' properties first, each class's in declaration order.
    std::vector<const TPropInfo*> AllProperties() const;
    bool InheritsFrom(const TClassInfo& ancestor) const;
    // Raises EPropertyError when the class cannot be created by name.
    TComponent* Create(TComponent* owner) const;
};
