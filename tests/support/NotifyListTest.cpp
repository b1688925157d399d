#include "support/NotifyList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
std::vector<std::string> calls;

struct Listener {
    explicit Listener(std::string n, TnrNotifyList* l = nullptr, TnrNotifyEvent add = {})
        : name(std::move(n)), list(l), toAdd(add) {}
    std::string name;
    TnrNotifyList* list;
    TnrNotifyEvent toAdd;

    void OnNotify(TObject* sender, int32_t code) {
        calls.push_back(name + ":" + std::to_string(code) + (sender ? "" : ":nil"));
    }
    void OnOther(TObject*, int32_t) { calls.push_back(name + ":other"); }
    void AddDuringCall(TObject*, int32_t) {
        calls.push_back(name + ":adds");
        list->Add(toAdd);
    }
    void DeleteDuringCall(TObject*, int32_t) { list->Delete(0); }
    void Throw(TObject*, int32_t) { throw Exception("listener failed"); }
};

TnrNotifyEvent Notify(Listener& l) {
    return TnrNotifyEvent::Bind<&Listener::OnNotify>(&l);
}

class NotifyListTest : public ::testing::Test {
protected:
    void SetUp() override { calls.clear(); }
    TnrNotifyList list;
    TObject sender;
};
} // namespace

TEST_F(NotifyListTest, CallsInSubscriptionOrderAndDuplicatesTwice) {
    Listener a{"a"}, b{"b"};
    list.Call(&sender, 1); // empty: nothing happens
    EXPECT_TRUE(calls.empty());

    EXPECT_EQ(list.Add(Notify(a)), 0);
    EXPECT_EQ(list.Add(Notify(b)), 1);
    EXPECT_EQ(list.Add(Notify(a)), 2);
    list.Call(&sender, 3);
    EXPECT_EQ(calls, (std::vector<std::string>{"a:3", "b:3", "a:3"}));
}

TEST_F(NotifyListTest, IndexOfNeedsObjectAndOperationEqual) {
    Listener a{"a"}, b{"b"};
    list.Add(Notify(a));
    list.Add(TnrNotifyEvent::Bind<&Listener::OnOther>(&a));
    EXPECT_EQ(list.IndexOf(Notify(a)), 0);
    EXPECT_EQ(list.IndexOf(TnrNotifyEvent::Bind<&Listener::OnOther>(&a)), 1);
    EXPECT_EQ(list.IndexOf(Notify(b)), -1); // same operation, other object
}

TEST_F(NotifyListTest, DeleteMovesLaterPositionsDownAndPutOverwrites) {
    Listener a{"a"}, b{"b"}, c{"c"};
    list.Add(Notify(a));
    list.Add(Notify(b));
    list.Add(Notify(c));
    list.Delete(0);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Get(0), Notify(b));
    EXPECT_EQ(list.Get(1), Notify(c));
    list.Put(1, Notify(a));
    EXPECT_EQ(list.IndexOf(Notify(c)), -1);
    EXPECT_THROW(list.Delete(2), EListError);
    EXPECT_THROW(list.Get(-1), EListError);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(NotifyListTest, ListenerAddedDuringCallIsNotCalledByThatCall) {
    Listener late{"late"};
    Listener adder{"adder", &list, Notify(late)};
    list.Add(TnrNotifyEvent::Bind<&Listener::AddDuringCall>(&adder));
    list.Call(&sender, 2);
    EXPECT_EQ(calls, (std::vector<std::string>{"adder:adds"}));
    calls.clear();
    list.Call(&sender, 2);
    EXPECT_EQ(calls, (std::vector<std::string>{"adder:adds", "late:2"}));
}

TEST_F(NotifyListTest, ExceptionFromAListenerSkipsTheRest) {
    Listener a{"a"}, thrower{"t"};
    list.Add(TnrNotifyEvent::Bind<&Listener::Throw>(&thrower));
    list.Add(Notify(a));
    EXPECT_THROW(list.Call(&sender, 1), Exception);
    EXPECT_TRUE(calls.empty());
}

TEST_F(NotifyListTest, DeletingDuringCallStillVisitsTheCountTakenAtTheStart) {
    Listener a{"a"}, deleter{"d", &list};
    list.Add(TnrNotifyEvent::Bind<&Listener::DeleteDuringCall>(&deleter));
    list.Add(Notify(a));
    // Position 1 no longer exists when the call reaches it: the list's index error.
    EXPECT_THROW(list.Call(&sender, 1), EListError);
}
