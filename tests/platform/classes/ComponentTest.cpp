#include <gtest/gtest.h>

#include "TestComponents.h"

namespace {
// Logs the notifications it receives.
class TRecorder : public TComponent {
public:
    using TComponent::TComponent;
    std::vector<std::pair<TComponent*, TOperation>> Seen;
    int* DestroyedCounter = nullptr;
    ~TRecorder() override {
        if (DestroyedCounter)
            ++*DestroyedCounter;
    }
    void Notification(TComponent* component, TOperation operation) override {
        TComponent::Notification(component, operation);
        Seen.emplace_back(component, operation);
    }
};
} // namespace

TEST(ComponentOwnership, OwnerDestroysWhatItOwnsAndAChildLeavesItsOwnerWhenFreed) {
    int destroyed = 0;
    auto owner = std::make_unique<TComponent>(nullptr);
    auto* first = new TRecorder(owner.get());
    auto* second = new TRecorder(owner.get());
    auto* grandChild = new TRecorder(second);
    for (TRecorder* r : {first, second, grandChild})
        r->DestroyedCounter = &destroyed;
    EXPECT_EQ(owner->ComponentCount(), 2);
    EXPECT_EQ(second->ComponentIndex(), 1);

    delete first;
    EXPECT_EQ(destroyed, 1);
    ASSERT_EQ(owner->ComponentCount(), 1);
    EXPECT_EQ(owner->Components(0), second);
    EXPECT_THROW(owner->Components(1), EListError);

    owner.reset();
    EXPECT_EQ(destroyed, 3);
}

TEST(ComponentNotification, SiblingsHearOfInsertionAndRemoval) {
    TComponent owner(nullptr);
    auto* watcher = new TRecorder(&owner);
    auto* other = new TComponent(&owner);
    ASSERT_FALSE(watcher->Seen.empty());
    EXPECT_EQ(watcher->Seen.back(), std::make_pair(other, opInsert));
    delete other;
    EXPECT_EQ(watcher->Seen.back(), std::make_pair(other, opRemove));
}

TEST(ComponentNotification, FreeNotificationClearsReferencesAcrossOwnersBothWays) {
    TTestForm formA(nullptr), formB(nullptr);
    auto* a = new TTestWidget(&formA);
    auto* b = new TTestWidget(&formB);
    a->SetBuddy(b);
    b->SetBuddy(a);

    delete b; // a must forget b ...
    EXPECT_EQ(a->GetBuddy(), nullptr);
    // ... and b, gone, must have left a's list: destroying a now touches nothing freed.
    delete a;
    EXPECT_EQ(formA.ComponentCount(), 0);
}

TEST(ComponentNotification, AComponentTakenFromItsOwnerStillHearsOfTheOthersDestruction) {
    TTestForm form(nullptr);
    auto* leaving = new TTestWidget(&form);
    auto* staying = new TTestWidget(&form);
    leaving->SetBuddy(staying);
    form.RemoveComponent(leaving); // alive, only without an owner now
    delete staying;
    EXPECT_EQ(leaving->GetBuddy(), nullptr);
    delete leaving;
}

TEST(ComponentNotification, SiblingReferencesAreClearedWhileTheOwnerDestroysItsComponents) {
    auto form = std::make_unique<TTestForm>(nullptr);
    auto* early = new TTestWidget(form.get());
    auto* late = new TTestWidget(form.get());
    early->SetBuddy(late); // late is destroyed first; early's destructor uses its buddy
    form.reset();          // must not touch freed memory (the sanitizer build checks)
    SUCCEED();
}

TEST(ComponentNames, NamesAreIdentifiersUniqueWithinTheOwnerWithoutRegardToCase) {
    TComponent owner(nullptr);
    auto* one = new TComponent(&owner);
    auto* two = new TComponent(&owner);
    one->SetName("Button1");
    EXPECT_THROW(one->SetName("1Button"), EComponentError);
    EXPECT_THROW(one->SetName("Button 1"), EComponentError);
    try {
        two->SetName("BUTTON1");
        FAIL();
    } catch (const EComponentError& e) {
        EXPECT_EQ(e.Message, "A component named BUTTON1 already exists");
    }
    EXPECT_EQ(owner.FindComponent("button1"), one);
    EXPECT_EQ(owner.FindComponent(""), nullptr);
    one->SetName("button1"); // its own name in another case is no clash
    EXPECT_EQ(one->GetName(), "button1");
}

TEST(ComponentNames, TheOwnersFieldFollowsTheComponentOfThatName) {
    TTestForm form(nullptr);
    auto* widget = new TTestWidget(&form);
    widget->SetName("Button1");
    EXPECT_EQ(form.Button1, widget);
    widget->SetName("Button2");
    EXPECT_EQ(form.Button1, nullptr);
    EXPECT_EQ(form.Button2, widget);
    delete widget;
    EXPECT_EQ(form.Button2, nullptr);

    auto* storage = new TTestStorage(&form);
    EXPECT_THROW(storage->SetName("Button1"), EComponentError); // field of another class
    EXPECT_EQ(storage->GetName(), "");
    EXPECT_EQ(form.Button1, nullptr);
}

TEST(ComponentState, DestroyingMarksOwnedComponentsAndDesigningSpreads) {
    TComponent owner(nullptr);
    auto* child = new TComponent(&owner);
    owner.SetDesigning(true);
    EXPECT_TRUE(child->ComponentState().Contains(csDesigning));
    auto* late = new TComponent(&owner);
    EXPECT_TRUE(late->ComponentState().Contains(csDesigning));
    owner.Destroying();
    EXPECT_TRUE(child->ComponentState().Contains(csDestroying));
}
