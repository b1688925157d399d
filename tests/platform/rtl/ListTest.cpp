#include <gtest/gtest.h>

#include <functional>

#include "platform/rtl/Lists.h"

namespace {
int a = 1, b = 2, c = 3;

AnsiString IndexError(const std::function<void()>& action) {
    try {
        action();
    } catch (const EListError& e) {
        return e.Message;
    }
    return "no error";
}
} // namespace

TEST(List, InsertAcceptsTheEndButNotBeyond) {
    TList list;
    list.Add(&a);
    list.Insert(1, &c);
    list.Insert(1, &b);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Items(1), &b);
    EXPECT_EQ(list.Last(), &c);
    EXPECT_EQ(IndexError([&] { list.Insert(4, &a); }), "List index out of bounds (4)");
    EXPECT_EQ(IndexError([&] { list.Get(3); }), "List index out of bounds (3)");
    EXPECT_EQ(IndexError([&] { list.Delete(-1); }), "List index out of bounds (-1)");
    EXPECT_EQ(IndexError([&] { TList().First(); }), "List index out of bounds (0)");
}

TEST(List, RemoveTakesTheFirstOccurrenceOnly) {
    TList list;
    list.Add(&a);
    list.Add(&b);
    list.Add(&a);
    EXPECT_EQ(list.Remove(&a), 0);
    EXPECT_EQ(list.IndexOf(&a), 1);
    EXPECT_EQ(list.Remove(&c), -1);
    EXPECT_EQ(list.Extract(&c), nullptr);
    EXPECT_EQ(list.Extract(&a), &a);
    EXPECT_EQ(list.Count(), 1);
}

TEST(List, ExchangeMoveAndStableSort) {
    TList list;
    int values[] = {3, 1, 2, 1};
    for (int& v : values)
        list.Add(&v);
    list.Exchange(0, 3);
    EXPECT_EQ(list.Get(0), &values[3]);
    EXPECT_EQ(list.Get(3), &values[0]);
    list.Move(0, 2);
    EXPECT_EQ(list.Get(2), &values[3]);
    list.Sort([](void* x, void* y) { return *static_cast<int*>(x) - *static_cast<int*>(y); });
    // Equal values keep their order: values[1] stood before values[3].
    EXPECT_EQ(list.Get(0), &values[1]);
    EXPECT_EQ(list.Get(1), &values[3]);
    EXPECT_EQ(list.Get(3), &values[0]);
    EXPECT_THROW(list.Exchange(0, 4), EListError);
}
