#include <gtest/gtest.h>

#include "TestComponents.h"
#include "platform/classes/ClassRegistry.h"
#include "platform/classes/PropAccess.h"

TEST(PublishedProperties, AreFoundByNameAlongTheClassTreeWithoutRegardToCase) {
    TTestWidget widget(nullptr);
    EXPECT_NE(GetPropInfo(&widget, "tag"), nullptr); // declared by TComponent
    EXPECT_NE(GetPropInfo(&widget, "BAUDRATE"), nullptr);
    EXPECT_NE(GetPropInfo(&widget, "Font.Name"), nullptr);
    EXPECT_EQ(GetPropInfo(&widget, "Nothing"), nullptr);
    EXPECT_EQ(GetPropInfo(&widget, "Caption.Name"), nullptr); // not a nested object

    auto names = TTestWidget::StaticClassInfo().AllProperties();
    ASSERT_GE(names.size(), 3u);
    EXPECT_EQ(names[0]->Name, "Name"); // ancestors first
    EXPECT_EQ(names[1]->Name, "Tag");
    EXPECT_EQ(names[2]->Name, "Active");
}

TEST(PublishedProperties, GetAndSetThroughTheClassesOwnOperations) {
    TTestWidget widget(nullptr);
    SetOrdProp(&widget, "BaudRate", 19200);
    EXPECT_EQ(widget.GetBaudRate(), 19200);
    SetEnumProp(&widget, "Parity", "tpeven");
    EXPECT_EQ(widget.Parity, tpEven);
    EXPECT_EQ(GetEnumProp(&widget, "Parity"), "tpEven");
    SetEnumProp(&widget, "Active", "True");
    EXPECT_TRUE(widget.GetActive());
    SetSetProp(&widget, "Traces", "[ttRxChar, ttCts]");
    EXPECT_EQ(widget.Traces, (TTestTraces{ttRxChar, ttCts}));
    EXPECT_EQ(GetSetProp(&widget, "Traces", true), "[ttRxChar,ttCts]");
    SetStrProp(&widget, "Font.Name", "Arial");
    EXPECT_EQ(widget.GetFont()->Name, "Arial");
    EXPECT_EQ(GetObjectProp(&widget, "Font"), widget.GetFont());
}

TEST(PublishedProperties, RejectValuesTheTypeCannotHold) {
    TTestWidget widget(nullptr);
    EXPECT_THROW(SetOrdProp(&widget, "ByteSize", 256), EPropertyError); // uint8_t
    EXPECT_THROW(SetOrdProp(&widget, "ByteSize", -1), EPropertyError);
    EXPECT_EQ(widget.ByteSize, 8);
    EXPECT_THROW(SetOrdProp(&widget, "Parity", 4), EPropertyError);
    EXPECT_THROW(SetEnumProp(&widget, "Parity", "pOdd"), EPropertyError);
    EXPECT_THROW(SetSetProp(&widget, "Traces", "[ttRxChar,ttNothing]"), EPropertyError);
    EXPECT_THROW(SetStrProp(&widget, "BaudRate", "1"), EPropertyError);
    EXPECT_THROW(SetStrProp(&widget, "Missing", "1"), EPropertyError);

    TTestStorage storage(nullptr);
    EXPECT_THROW(SetComponentProp(&widget, "Buddy", &storage), EPropertyError);
    EXPECT_EQ(widget.GetBuddy(), nullptr);
}

TEST(Persistent, AssignFailsWithThePlatformMessageWhenNeitherSideKnowsHow) {
    TTestFont font, other;
    other.Name = "Courier";
    font.Assign(&other);
    EXPECT_EQ(font.Name, "Courier");

    TTestStorage storage(nullptr);
    try {
        font.Assign(&storage);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message, "Cannot assign a TTestStorage to a TTestFont");
    }
    try {
        font.Assign(nullptr);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message, "Cannot assign a nil to a TTestFont");
    }
}

TEST(ClassRegistry, CreatesComponentsOfTheRegisteredClassByName) {
    RegisterTestClasses();
    RegisterTestClasses(); // again: no error
    TComponent owner(nullptr);
    const TClassInfo* info = GetClass("ttestwidget");
    ASSERT_NE(info, nullptr);
    TComponent* created = info->Create(&owner);
    EXPECT_NE(dynamic_cast<TTestWidget*>(created), nullptr);
    EXPECT_EQ(created->Owner(), &owner);
    EXPECT_EQ(created->ClassName(), "TTestWidget");
    EXPECT_TRUE(info->InheritsFrom(TComponent::StaticClassInfo()));

    EXPECT_EQ(GetClass("TNothing"), nullptr);
    try {
        FindClass("TNothing");
        FAIL();
    } catch (const EClassNotFound& e) {
        EXPECT_EQ(e.Message, "Class TNothing not found");
    }
    TClassInfo impostor;
    impostor.ClassName = "TTestWidget";
    EXPECT_THROW(RegisterClass(impostor), Exception);
    EXPECT_EQ(GetClass("TTestWidget"), &TTestWidget::StaticClassInfo());
}
