#include <gtest/gtest.h>

#include "TestComponents.h"
#include "platform/classes/ClassRegistry.h"
#include "platform/classes/FormStreaming.h"
#include "platform/classes/PropAccess.h"
#include "platform/classes/Resources.h"

namespace {
class FormStreaming : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterTestClasses();
        LoadedLog().clear();
    }
};

// The message of the Exception reading text into a fresh form raises, or "".
AnsiString ReadError(const AnsiString& text) {
    TTestForm form(nullptr);
    try {
        ReadRootComponent(text, &form);
    } catch (const Exception& e) {
        EXPECT_EQ(form.ComponentCount(), 0) << "components of a failed read must go";
        EXPECT_EQ(form.Button1, nullptr);
        EXPECT_FALSE(form.ComponentState().Contains(csLoading));
        return e.Message;
    }
    return AnsiString();
}

// Its binary reader wants more bytes than the value holds.
class TGreedyStorage : public TComponent {
    VOKA_CLASS(TGreedyStorage, TComponent)
public:
    using TComponent::TComponent;
    void DefineProperties(TFiler* filer) override {
        filer->DefineBinaryProperty(
            "StoredData",
            [](TStream& stream) {
                char buffer[4];
                stream.ReadBuffer(buffer, sizeof buffer);
            },
            nullptr, false);
    }
};
VOKA_PUBLISH(TGreedyStorage, p) {}

const char* const kForm = "object Form1: TTestForm\n"
                          "  Tag = 7\n"
                          "  object Button1: TTestWidget\n"
                          "    Active = True\n"
                          "    BaudRate = 19200\n"
                          "    EventChar = #10\n"
                          "    Caption = 'Up''Load'\n"
                          "    Parity = tpMark\n"
                          "    Traces = [ttRxChar, ttTxEmpty]\n"
                          "    Font.Name = 'Arial'\n"
                          "    Font.Height = -17\n"
                          "    Buddy = Button2\n"
                          "    OnClick = Button1Click\n"
                          "  end\n"
                          "  object Button2: TTestWidget\n"
                          "    BaudRate = 9600\n"
                          "    Font.Name = 'MS Sans Serif'\n"
                          "    Font.Height = -11\n"
                          "    Buddy = Button1\n"
                          "  end\n"
                          "  object Storage1: TTestStorage\n"
                          "    StoredData = {\n"
                          "      534650310200}\n"
                          "  end\n"
                          "end\n";
} // namespace

TEST_F(FormStreaming, ReadsPropertiesFieldsReferencesAndBinaryData) {
    TTestForm form(nullptr);
    ReadRootComponent(kForm, &form);
    EXPECT_EQ(form.GetName(), "Form1");
    EXPECT_EQ(form.GetTag(), 7);
    ASSERT_NE(form.Button1, nullptr);
    ASSERT_NE(form.Button2, nullptr);
    ASSERT_NE(form.Storage1, nullptr);
    const TTestWidget& b1 = *form.Button1;
    EXPECT_TRUE(b1.GetActive());
    EXPECT_EQ(b1.GetBaudRate(), 19200);
    EXPECT_EQ(b1.EventChar, '\n');
    EXPECT_EQ(b1.Caption, "Up'Load");
    EXPECT_EQ(b1.Parity, tpMark);
    EXPECT_EQ(b1.Traces, (TTestTraces{ttRxChar, ttTxEmpty}));
    EXPECT_EQ(form.Button1->GetFont()->Name, "Arial");
    EXPECT_EQ(form.Button1->GetFont()->Height, -17);
    EXPECT_EQ(b1.GetBuddy(), form.Button2); // a forward reference
    EXPECT_EQ(form.Button2->GetBuddy(), form.Button1);
    EXPECT_EQ(form.Storage1->Data, AnsiString("SFP1\x02\x00", 6));

    b1.OnClick(form.Button1);
    EXPECT_EQ(form.Clicks, 1);
    EXPECT_EQ(form.LastSender, form.Button1);
}

TEST_F(FormStreaming, LoadedRunsInCreationOrderAfterReferencesAreResolved) {
    TTestForm form(nullptr);
    ReadRootComponent(kForm, &form);
    EXPECT_EQ(LoadedLog(), (std::vector<AnsiString>{"Form1", "Button1", "Button2"}));
    EXPECT_TRUE(form.Button1->StateAtConstruction);
    EXPECT_TRUE(form.Button1->WasLoadingInLoaded);
    EXPECT_EQ(form.Button1->BuddyAtLoaded, form.Button2);
    for (TComponent* c : {static_cast<TComponent*>(&form), static_cast<TComponent*>(form.Button1),
                          static_cast<TComponent*>(form.Storage1)}) {
        EXPECT_FALSE(c->ComponentState().Contains(csLoading)) << c->GetName();
        EXPECT_FALSE(c->ComponentState().Contains(csReading)) << c->GetName();
    }
    // Made in code, a component is not loading.
    TTestWidget plain(nullptr);
    EXPECT_FALSE(plain.StateAtConstruction);
}

TEST_F(FormStreaming, WritingAndReadingBackGivesTheSameDescription) {
    TTestForm form(nullptr);
    ReadRootComponent(kForm, &form);
    AnsiString written = WriteComponentToText(&form);
    EXPECT_EQ(written, kForm);

    std::unique_ptr<TComponent> copy(ReadComponentFromText(written, nullptr));
    auto* copied = dynamic_cast<TTestForm*>(copy.get());
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->Button1->GetBuddy(), copied->Button2);
    EXPECT_EQ(WriteComponentToText(copied), written);
}

TEST_F(FormStreaming, WriterLeavesOutDefaultsEmptyBinaryDataAndForeignHandlers) {
    TTestForm form(nullptr);
    form.SetName("Form1");
    auto* widget = new TTestWidget(&form);
    widget->SetName("Button1");
    TTestForm stranger(nullptr);
    widget->OnClick = TNotifyEvent::Bind<&TTestForm::Button1Click>(&stranger);
    auto* storage = new TTestStorage(&form);
    storage->SetName("Storage1");
    auto* lines = new TTestLines(&form);
    lines->SetName("Lines1");
    lines->Lines = {"one", "two"};
    EXPECT_EQ(WriteComponentToText(&form), "object Form1: TTestForm\n"
                                           "  object Button1: TTestWidget\n"
                                           "    BaudRate = 9600\n"
                                           "    Font.Name = 'MS Sans Serif'\n"
                                           "    Font.Height = -11\n"
                                           "  end\n"
                                           "  object Storage1: TTestStorage\n"
                                           "  end\n"
                                           "  object Lines1: TTestLines\n"
                                           "    Items = (\n"
                                           "      'one'\n"
                                           "      'two')\n"
                                           "  end\n"
                                           "end\n");
    TTestForm copy(nullptr);
    ReadRootComponent(WriteComponentToText(&form), &copy);
    auto* copiedLines = dynamic_cast<TTestLines*>(copy.FindComponent("Lines1"));
    ASSERT_NE(copiedLines, nullptr);
    EXPECT_EQ(copiedLines->Lines, lines->Lines);
    EXPECT_FALSE(copy.Storage1 && copy.Storage1->ReadCalled);
}

TEST_F(FormStreaming, IntegersWithSymbolicNamesReadAndWriteByName) {
    TTestForm form(nullptr);
    ReadRootComponent("object F: TTestForm\n object Button1: TTestWidget\n  Color = clBtnFace\n"
                      " end\n object Button2: TTestWidget\n  Color = 77\n end\nend",
                      &form);
    EXPECT_EQ(form.Button1->Color, -16777201);
    EXPECT_EQ(form.Button2->Color, 77);
    AnsiString written = WriteComponentToText(&form);
    EXPECT_NE(written.find("Color = clBtnFace\n"), AnsiString::npos);
    EXPECT_NE(written.find("Color = 77\n"), AnsiString::npos);
    EXPECT_EQ(ReadError("object F: TTestForm\n object Button1: TTestWidget\n  Color = clNone\n"
                        " end\nend"),
              "Line 3: Error reading Button1.Color: Invalid property value clNone");
}

TEST_F(FormStreaming, BinaryReaderStartsAtTheFirstByteOfTheValue) {
    TTestForm form(nullptr);
    ReadRootComponent("object F: TTestForm\n object Storage1: TTestStorage\n"
                      "  StoredData = {00FF\n  7F}\n end\nend",
                      &form);
    EXPECT_EQ(form.Storage1->Data, AnsiString("\x00\xFF\x7F", 3));
}

TEST_F(FormStreaming, ErrorsNameTheLineAndLeaveNoHalfReadComponents) {
    EXPECT_EQ(ReadError("object F: TTestForm\n  object Button1: TTestWidget\n  end\n"
                        "  object X: TNothing\n  end\nend"),
              "Line 4: Class TNothing not found");
    EXPECT_EQ(ReadError("object F: TTestForm\n  object Button1: TTestWidget\n    Colour = 1\n"
                        "  end\nend"),
              "Line 3: Error reading Button1.Colour: Property Colour does not exist");
    EXPECT_EQ(ReadError("object F: TTestForm\n  object Button1: TTestWidget\n"
                        "    Parity = tpWrong\n  end\nend"),
              "Line 3: Error reading Button1.Parity: Invalid property value tpWrong");
    EXPECT_EQ(ReadError("object F: TTestForm\n  object Button1: TTestWidget\n"
                        "    ByteSize = 300\n  end\nend"),
              "Line 3: Error reading Button1.ByteSize: Invalid property value for ByteSize: 300 "
              "out of range");
    EXPECT_EQ(ReadError("object F: TTestForm\n  object Button1: TTestWidget\n"
                        "    Buddy = Button9\n  end\nend"),
              "Line 3: Error reading Button1.Buddy: component Button9 not found");
    EXPECT_EQ(ReadError("object F: TTestForm\n  object Button1: TTestWidget\n"
                        "    Buddy = Storage1\n  end\n  object Storage1: TTestStorage\n  end\nend"),
              "Line 3: Error reading Button1.Buddy: Invalid property value: Buddy needs a "
              "TTestWidget");
    EXPECT_EQ(ReadError("object F: TTestForm\n  object Button1: TTestWidget\n"
                        "    OnClick = Missing\n  end\nend"),
              "Line 3: Error reading Button1.OnClick: method Missing not found in TTestForm");
    EXPECT_EQ(ReadError("object F: TTestForm\n  object Button1: TTestWidget\n"
                        "    OnClick = WrongSignature\n  end\nend"),
              "Line 3: Error reading Button1.OnClick: method WrongSignature does not fit the "
              "event");
    EXPECT_EQ(ReadError("object F: TTestForm\n  object Button1: TTestWidget\n  end\n"
                        "  object button1: TTestWidget\n  end\nend"),
              "Line 4: A component named button1 already exists");
    EXPECT_EQ(ReadError("object F: TTestForm\n  object Button1: TTestStorage\n  end\nend"),
              "Line 2: Field Button1 of TTestForm cannot hold a TTestStorage");
    EXPECT_EQ(ReadError("object F: TTestForm\n  object S: TTestStorage\n"
                        "    StoredData = 'text'\n  end\nend"),
              "Line 3: Error reading S.StoredData: Binary value expected but 'text' found");
    EXPECT_EQ(ReadError("object F: TTestWidget\nend"),
              "Line 1: A description of TTestWidget cannot be read into a TTestForm");
    EXPECT_EQ(ReadError("object F: TTestForm\n  Tag = 'x'\nend"),
              "Line 2: Error reading F.Tag: Invalid property value 'x'");
}

TEST_F(FormStreaming, DefinedValuesOfTheWrongKindAreDescriptionErrors) {
    TTestForm form(nullptr);
    try {
        ReadRootComponent(
            "object F: TTestForm\n object S: TTestLines\n  Items = ('a' 1)\n end\nend", &form);
        FAIL();
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message, "Line 3: Error reading S.Items: String expected but 1 found");
    }
    EXPECT_EQ(form.ComponentCount(), 0);
}

TEST_F(FormStreaming, AComponentsOwnErrorsPropagateUnchanged) {
    RegisterClass(TGreedyStorage::StaticClassInfo());
    TTestForm form(nullptr);
    try {
        ReadRootComponent("object F: TTestForm\n object S: TGreedyStorage\n"
                          "  StoredData = {0102}\n end\nend",
                          &form);
        FAIL();
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message, "Stream read error");
    }
    EXPECT_EQ(form.ComponentCount(), 0);
}

TEST_F(FormStreaming, ReadingAnUnregisteredRootFailsWithoutCreatingAnything) {
    TComponent owner(nullptr);
    EXPECT_THROW(ReadComponentFromText("object X: TUnknownRoot\nend", &owner), EClassNotFound);
    EXPECT_THROW(ReadComponentFromText("object X: TTestForm\n  Bad = 1\nend", &owner), EReadError);
    EXPECT_EQ(owner.ComponentCount(), 0);
    TComponent* made = ReadComponentFromText("object X: TTestForm\nend", &owner);
    EXPECT_EQ(made->Owner(), &owner);
    EXPECT_EQ(owner.FindComponent("X"), made);
}

TEST_F(FormStreaming, EveryTruncatedDescriptionFailsCleanlyOrReadsWhole) {
    const AnsiString text = kForm;
    for (size_t length = 0; length < text.size(); length += 3) {
        TTestForm form(nullptr);
        try {
            ReadRootComponent(text.substr(0, length), &form);
        } catch (const Exception&) {
            EXPECT_EQ(form.ComponentCount(), 0) << length;
            EXPECT_FALSE(form.ComponentState().Contains(csLoading)) << length;
        }
    }
}

TEST_F(FormStreaming, ReadsADescriptionCarriedAsAModuleResource) {
    static const unsigned char description[] = "object Form1: TTestForm\n  Tag = 3\nend\n";
    RegisterModuleResource("TTESTFORM", description, sizeof description - 1);
    TTestForm form(nullptr);
    ReadComponentRes("TTestForm", &form);
    EXPECT_EQ(form.GetTag(), 3);
    EXPECT_THROW(ReadComponentRes("TNoSuchForm", &form), EResNotFound);
}
