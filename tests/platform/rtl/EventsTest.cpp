#include "platform/rtl/Events.h"

#include <gtest/gtest.h>

namespace {
struct Listener {
    int calls = 0;
    TObject* lastSender = nullptr;
    void OnA(TObject* sender) {
        ++calls;
        lastSender = sender;
    }
    void OnB(TObject*) { calls += 10; }
};
} // namespace

TEST(BoundMethod, EqualOnlyWhenObjectAndOperationAreEqual) {
    Listener first, second;
    auto a1 = TNotifyEvent::Bind<&Listener::OnA>(&first);
    EXPECT_EQ(a1, TNotifyEvent::Bind<&Listener::OnA>(&first));
    EXPECT_NE(a1, TNotifyEvent::Bind<&Listener::OnB>(&first));
    EXPECT_NE(a1, TNotifyEvent::Bind<&Listener::OnA>(&second));
    EXPECT_NE(a1, TNotifyEvent());
    EXPECT_FALSE(TNotifyEvent());
}

TEST(BoundMethod, CallsTheBoundOperationOnItsObject) {
    Listener listener;
    auto sender = reinterpret_cast<TObject*>(&listener);
    TNotifyEvent::Bind<&Listener::OnA> (&listener)(sender);
    EXPECT_EQ(listener.calls, 1);
    EXPECT_EQ(listener.lastSender, sender);

    // Through the untyped pair, as form descriptions bind handlers.
    auto event = TNotifyEvent::FromMethod(TNotifyEvent::Bind<&Listener::OnB>(&listener).Method());
    event(nullptr);
    EXPECT_EQ(listener.calls, 11);
}
