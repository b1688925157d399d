#pragma once
// Declaring a class's published tables. In the class body:
//
//     class TreRore : public TnrBaseIO {
//         VOKA_CLASS(TreRore, TnrBaseIO)
//     public: ...
//
// and in its source file:
//
//     VOKA_PUBLISH(TreRore, p) {
//         p.Bool("Active", &TreRore::GetActive, &TreRore::SetActive).Default(false);
//         p.Integer("BaudRate", &TreRore::GetBaudRate, &TreRore::SetBaudRate);
//         p.Enum("Parity", &TreRore::GetParity, &TreRore::SetParity);
//         p.Event("OnFatalError", &TreRore::OnFatalError);
//     }
//
// Accessors are member functions (getter, setter) or one data member used for both.
#include <concepts>
#include <functional>
#include <limits>
#include <memory>
#include <type_traits>

#include "platform/classes/Sets.h"
#include "platform/classes/TypeInfo.h"

#define VOKA_CLASS(Class, Parent)                                                                  \
public:                                                                                            \
    using inherited = Parent;                                                                      \
    static const TClassInfo& StaticClassInfo();                                                    \
    const TClassInfo& ClassInfo() const override {                                                 \
        return StaticClassInfo();                                                                  \
    }                                                                                              \
                                                                                                   \
private:

#define VOKA_PUBLISH(Class, publisher)                                                             \
    static void VokaPublish_##Class(TPublisher<Class>& publisher);                                 \
    const TClassInfo& Class::StaticClassInfo() {                                                   \
        static const TClassInfo info = MakeClassInfo<Class>(#Class, &VokaPublish_##Class);         \
        return info;                                                                               \
    }                                                                                              \
    static void VokaPublish_##Class([[maybe_unused]] TPublisher<Class>& publisher)

namespace publish_detail {
template <class C, class G> decltype(auto) Read(TPersistent& instance, const G& get) {
    return std::invoke(get, static_cast<C&>(instance));
}

template <class C, class S, class V> void Write(TPersistent& instance, const S& set, V&& value) {
    if constexpr (std::is_member_object_pointer_v<S>)
        std::invoke(set, static_cast<C&>(instance)) = std::forward<V>(value);
    else
        std::invoke(set, static_cast<C&>(instance), std::forward<V>(value));
}

template <class C, class G> using ValueOf = std::remove_cvref_t<std::invoke_result_t<const G&, C&>>;

template <class P> TPersistent* AsPersistent(P&& value) {
    using V = std::remove_cvref_t<P>;
    if constexpr (std::is_pointer_v<V>)
        return value;
    else if constexpr (requires { value.get(); })
        return value.get();
    else
        return &value;
}

template <class M> struct MethodTraits;
template <class D, class... A> struct MethodTraits<void (D::*)(A...)> {
    using Class = D;
    using Event = TEvent<A...>;
};

template <class E> struct IsEvent : std::false_type {};
template <class... A> struct IsEvent<TEvent<A...>> : std::true_type {};

template <class S> struct IsSet : std::false_type {};
template <class E> struct IsSet<TSet<E>> : std::true_type {};
} // namespace publish_detail

template <class C> class TPublisher {
public:
    explicit TPublisher(TClassInfo& info) : info_(info) {}

    template <class G, class S> TPublisher& Bool(const char* name, G get, S set) {
        static_assert(std::is_same_v<publish_detail::ValueOf<C, G>, bool>);
        return Ordinal(name, TTypeKind::tkBool, get, set, 0, 1);
    }
    template <class G, class S> TPublisher& Integer(const char* name, G get, S set) {
        using V = publish_detail::ValueOf<C, G>;
        static_assert(std::is_integral_v<V> && !std::is_same_v<V, bool>);
        constexpr auto limit = std::numeric_limits<int64_t>::max();
        constexpr auto high = std::numeric_limits<V>::max();
        return Ordinal(name, TTypeKind::tkInteger, get, set, std::numeric_limits<V>::min(),
                       static_cast<uint64_t>(high) > static_cast<uint64_t>(limit)
                           ? limit
                           : static_cast<int64_t>(high));
    }
    template <class G, class S> TPublisher& Char(const char* name, G get, S set) {
        static_assert(sizeof(publish_detail::ValueOf<C, G>) == 1);
        return Ordinal(name, TTypeKind::tkChar, get, set, 0, 255);
    }
    template <class G, class S> TPublisher& Enum(const char* name, G get, S set) {
        using V = publish_detail::ValueOf<C, G>;
        static_assert(std::is_enum_v<V>, "an enumeration declared with VOKA_ENUM");
        const TEnumInfo& names = EnumTypeInfo(V{});
        Ordinal(name, TTypeKind::tkEnumeration, get, set, 0, names.Count() - 1);
        Last().Enum = &names;
        return *this;
    }
    template <class G, class S> TPublisher& Set(const char* name, G get, S set) {
        using V = publish_detail::ValueOf<C, G>;
        static_assert(publish_detail::IsSet<V>::value, "a TSet of a VOKA_ENUM enumeration");
        TPropInfo& prop = Add(name, TTypeKind::tkSet);
        prop.Enum = &EnumTypeInfo(typename V::ElementType{});
        prop.GetOrd = [get](TPersistent& self) {
            return static_cast<int64_t>(publish_detail::Read<C>(self, get).Bits());
        };
        if constexpr (!std::is_null_pointer_v<S>)
            prop.SetOrd = [set](TPersistent& self, int64_t bits) {
                publish_detail::Write<C>(self, set, V::FromBits(static_cast<uint64_t>(bits)));
            };
        return *this;
    }
    template <class G, class S> TPublisher& String(const char* name, G get, S set) {
        TPropInfo& prop = Add(name, TTypeKind::tkString);
        prop.GetStr = [get](TPersistent& self) {
            return AnsiString(publish_detail::Read<C>(self, get));
        };
        if constexpr (!std::is_null_pointer_v<S>)
            prop.SetStr = [set](TPersistent& self, const AnsiString& value) {
                publish_detail::Write<C>(self, set, value);
            };
        return *this;
    }
    // A nested persistent object the instance owns (Font); stored as dotted names.
    template <class G> TPublisher& Object(const char* name, G get) {
        TPropInfo& prop = Add(name, TTypeKind::tkClass);
        prop.GetObject = [get](TPersistent& self) -> TPersistent* {
            return publish_detail::AsPersistent(publish_detail::Read<C>(self, get));
        };
        return *this;
    }
    // A reference to another component; the setter gets nullptr or a component of the
    // referenced class.
    template <class G, class S> TPublisher& Component(const char* name, G get, S set) {
        using P = publish_detail::ValueOf<C, G>;
        using T = std::remove_pointer_t<P>;
        static_assert(std::is_pointer_v<P>, "a component pointer");
        TPropInfo& prop = Add(name, TTypeKind::tkComponent);
        prop.ComponentClass = &T::StaticClassInfo;
        prop.GetObject = [get](TPersistent& self) -> TPersistent* {
            return publish_detail::Read<C>(self, get);
        };
        if constexpr (!std::is_null_pointer_v<S>)
            prop.SetComponent = [set, name](TPersistent& self, TComponent* component) {
                T* typed = nullptr;
                if (component) {
                    typed = dynamic_cast<T*>(component);
                    if (!typed)
                        throw EPropertyError(AnsiString("Invalid property value: ") + name +
                                             " needs a " + T::StaticClassInfo().ClassName);
                }
                publish_detail::Write<C>(self, set, typed);
            };
        return *this;
    }
    template <class G, class S> TPublisher& Event(const char* name, G get, S set) {
        using E = publish_detail::ValueOf<C, G>;
        static_assert(publish_detail::IsEvent<E>::value, "a TEvent");
        TPropInfo& prop = Add(name, TTypeKind::tkMethod);
        prop.EventType = &typeid(E);
        prop.GetMethod = [get](TPersistent& self) {
            return publish_detail::Read<C>(self, get).Method();
        };
        if constexpr (!std::is_null_pointer_v<S>)
            prop.SetMethod = [set](TPersistent& self, const TMethod& method) {
                publish_detail::Write<C>(self, set, E::FromMethod(method));
            };
        return *this;
    }

    // One data member for both reading and writing.
    template <class M>
    requires std::is_member_object_pointer_v<M> TPublisher& Bool(const char* name, M member) {
        return Bool(name, member, member);
    }
    template <class M>
    requires std::is_member_object_pointer_v<M> TPublisher& Integer(const char* name, M member) {
        return Integer(name, member, member);
    }
    template <class M>
    requires std::is_member_object_pointer_v<M> TPublisher& Char(const char* name, M member) {
        return Char(name, member, member);
    }
    template <class M>
    requires std::is_member_object_pointer_v<M> TPublisher& Enum(const char* name, M member) {
        return Enum(name, member, member);
    }
    template <class M>
    requires std::is_member_object_pointer_v<M> TPublisher& Set(const char* name, M member) {
        return Set(name, member, member);
    }
    template <class M>
    requires std::is_member_object_pointer_v<M> TPublisher& String(const char* name, M member) {
        return String(name, member, member);
    }
    template <class M>
    requires std::is_member_object_pointer_v<M> TPublisher& Component(const char* name, M member) {
        return Component(name, member, member);
    }
    template <class M>
    requires std::is_member_object_pointer_v<M> TPublisher& Event(const char* name, M member) {
        return Event(name, member, member);
    }

    // Modifiers of the property declared last.
    TPublisher& Default(int64_t value) {
        Last().Default = value;
        return *this;
    }
    template <class E>
    requires std::is_enum_v<E> TPublisher& Default(TSet<E> value) {
        return Default(static_cast<int64_t>(value.Bits()));
    }
    TPublisher& NotStored() {
        Last().Stored = false;
        return *this;
    }
    // Stored only while predicate(instance) holds, e.g. &TreRore::IsComPortStored.
    template <class Predicate> TPublisher& StoredWhen(Predicate predicate) {
        Last().StoredWhen = [predicate](TPersistent& self) {
            return static_cast<bool>(std::invoke(predicate, static_cast<C&>(self)));
        };
        return *this;
    }
    TPublisher& Idents(const TIntegerIdents& idents) {
        Last().Idents = &idents;
        return *this;
    }

    // A handler events can be bound to by name: p.Method<&TForm1::btnDownloadClick>("...").
    template <auto Handler> TPublisher& Method(const char* name) {
        using Traits = publish_detail::MethodTraits<decltype(Handler)>;
        using D = typename Traits::Class;
        using E = typename Traits::Event;
        static_assert(std::is_base_of_v<D, C>);
        TMethodInfo method;
        method.Name = name;
        method.EventType = &typeid(E);
        method.Code = E::template Bind<Handler>(nullptr).Method().Code;
        method.DataOf = [](TPersistent& self) -> void* {
            return static_cast<D*>(&static_cast<C&>(self));
        };
        info_.Methods.push_back(std::move(method));
        return *this;
    }

    // A component field of the class, kept pointing at the owned component of that name.
    template <class T> TPublisher& Field(const char* name, T* C::*member) {
        info_.Fields.push_back(TFieldInfo{name, [member](TPersistent& self, TComponent* c) {
                                              T* typed = c ? dynamic_cast<T*>(c) : nullptr;
                                              if (c && !typed)
                                                  return false;
                                              static_cast<C&>(self).*member = typed;
                                              return true;
                                          }});
        return *this;
    }

private:
    TPropInfo& Add(const char* name, TTypeKind kind) {
        TPropInfo prop;
        prop.Name = name;
        prop.Kind = kind;
        info_.Properties.push_back(std::move(prop));
        return info_.Properties.back();
    }
    TPropInfo& Last() { return info_.Properties.back(); }

    template <class G, class S>
    TPublisher& Ordinal(const char* name, TTypeKind kind, G get, S set, int64_t low, int64_t high) {
        using V = publish_detail::ValueOf<C, G>;
        TPropInfo& prop = Add(name, kind);
        prop.MinValue = low;
        prop.MaxValue = high;
        prop.GetOrd = [get](TPersistent& self) {
            if constexpr (std::is_same_v<V, char>)
                return static_cast<int64_t>(
                    static_cast<unsigned char>(publish_detail::Read<C>(self, get)));
            else
                return static_cast<int64_t>(publish_detail::Read<C>(self, get));
        };
        if constexpr (!std::is_null_pointer_v<S>)
            prop.SetOrd = [set](TPersistent& self, int64_t value) {
                publish_detail::Write<C>(self, set, static_cast<V>(value));
            };
        return *this;
    }

    TClassInfo& info_;
};

// Builds the tables of C: its name, its parent's tables, its virtual constructor when it
// is a creatable component, then what publish declares.
template <class C> TClassInfo MakeClassInfo(const char* name, void (*publish)(TPublisher<C>&)) {
    TClassInfo info;
    info.ClassName = name;
    info.Parent = &C::inherited::StaticClassInfo();
    if constexpr (std::is_constructible_v<C, TComponent*> && !std::is_abstract_v<C>)
        info.Factory = [](TComponent* owner) -> TComponent* { return new C(owner); };
    TPublisher<C> publisher(info);
    publish(publisher);
    return info;
}
