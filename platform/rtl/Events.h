#pragma once
// Events are bound methods: an object plus one of its member operations. Two bound
// methods are equal when both the object and the operation are equal, which is what
// listener lists rely on to find and remove a subscriber.
#include <cstddef>

class TObject;

// The untyped pair, as form descriptions and published-method tables hand it around.
struct TMethod {
    void* Code = nullptr; // identifies the operation
    void* Data = nullptr; // the object
    bool operator==(const TMethod&) const = default;
};

namespace events_detail {
template <class M> struct MemberClass;
template <class C, class R, class... A> struct MemberClass<R (C::*)(A...)> { using type = C; };
} // namespace events_detail

template <class... Args> class TEvent {
public:
    TEvent() = default;
    TEvent(std::nullptr_t) {}

    // TEvent<...>::Bind<&TForm1::btnDownloadClick>(form)
    template <auto Method>
    static TEvent Bind(typename events_detail::MemberClass<decltype(Method)>::type* object) {
        using C = typename events_detail::MemberClass<decltype(Method)>::type;
        TEvent event;
        event.invoke_ = &Invoke<Method, C>;
        event.object_ = object;
        return event;
    }

    static TEvent FromMethod(const TMethod& method) {
        TEvent event;
        event.invoke_ = reinterpret_cast<Thunk>(method.Code);
        event.object_ = method.Data;
        return event;
    }
    TMethod Method() const { return TMethod{reinterpret_cast<void*>(invoke_), object_}; }

    explicit operator bool() const { return invoke_ != nullptr; }
    bool Assigned() const { return invoke_ != nullptr; }
    void* Object() const { return object_; }

    void operator()(Args... args) const { invoke_(object_, static_cast<Args>(args)...); }

    bool operator==(const TEvent&) const = default;

private:
    using Thunk = void (*)(void*, Args...);

    template <auto Method, class C> static void Invoke(void* object, Args... args) {
        (static_cast<C*>(object)->*Method)(static_cast<Args>(args)...);
    }

    Thunk invoke_ = nullptr;
    void* object_ = nullptr;
};

using TNotifyEvent = TEvent<TObject*>;
