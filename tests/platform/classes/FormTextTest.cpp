#include <gtest/gtest.h>

#include "platform/classes/FormText.h"

namespace {
// The message of the EParserError text raises, or "" when it parses.
AnsiString ParseError(const AnsiString& text) {
    try {
        ParseFormText(text);
    } catch (const EParserError& e) {
        return e.Message;
    }
    return AnsiString();
}
} // namespace

TEST(FormText, ReadsEveryKindOfValue) {
    TFormObject form = ParseFormText("object Form1: TForm1\n"
                                     "  Left = -543\n"
                                     "  Mask = $FF\n"
                                     "  Caption = 'it''s '#13#10'ok' +\n"
                                     "    ' more'\n"
                                     "  Visible = False\n"
                                     "  Font.Style = [fsBold, fsItalic]\n"
                                     "  Empty = []\n"
                                     "  Items = (\n"
                                     "    'a'\n"
                                     "    1)\n"
                                     "  Data = {\n"
                                     "    0A0b\n"
                                     "    FF}\n"
                                     "  object Label1: TLabel\n"
                                     "  end\n"
                                     "end\n");
    ASSERT_EQ(form.Properties.size(), 8u);
    EXPECT_EQ(form.Properties[0].Value.Integer, -543);
    EXPECT_EQ(form.Properties[1].Value.Integer, 255);
    EXPECT_EQ(form.Properties[2].Value.Text, "it's \r\nok more");
    EXPECT_EQ(form.Properties[3].Value.Kind, TFormValue::vaIdent);
    EXPECT_EQ(form.Properties[4].Name, "Font.Style");
    EXPECT_EQ(form.Properties[4].Value.Elements, (std::vector<AnsiString>{"fsBold", "fsItalic"}));
    EXPECT_TRUE(form.Properties[5].Value.Elements.empty());
    EXPECT_EQ(form.Properties[6].Value.Items.size(), 2u);
    EXPECT_EQ(form.Properties[7].Value.Text, AnsiString("\x0A\x0B\xFF", 3));
    EXPECT_EQ(form.Properties[7].Line, 12);
    ASSERT_EQ(form.Children.size(), 1u);
    EXPECT_EQ(form.Children[0].Line, 15);
}

TEST(FormText, PrintedTextParsesToTheSameValues) {
    TFormObject form;
    form.Name = "Form1";
    form.ClassName = "TForm1";
    TFormValue text;
    text.Kind = TFormValue::vaString;
    text.Text = AnsiString("a'b\0\xE9 z", 7);
    TFormValue bytes;
    bytes.Kind = TFormValue::vaBinary;
    for (int i = 0; i < 70; ++i)
        bytes.Text += static_cast<char>(i * 7);
    TFormValue low;
    low.Integer = INT64_MIN;
    form.Properties = {{"Caption", text, 0}, {"Data", bytes, 0}, {"Low", low, 0}};
    AnsiString printed = PrintFormText(form);
    EXPECT_NE(printed.find("Caption = 'a''b'#0#233' z'"), AnsiString::npos);

    TFormObject back = ParseFormText(printed);
    EXPECT_EQ(back.Properties[0].Value.Text, text.Text);
    EXPECT_EQ(back.Properties[1].Value.Text, bytes.Text);
    EXPECT_EQ(back.Properties[2].Value.Integer, INT64_MIN);
    EXPECT_EQ(PrintFormText(back), printed);
}

TEST(FormText, MalformedTextRaisesAnErrorNamingTheLine) {
    EXPECT_EQ(ParseError("object A: TA\n  X = 1\n"), "Line 3: 'end' expected for object A");
    EXPECT_EQ(ParseError("object A: TA\n  X = 'abc\nend"), "Line 2: Unterminated string");
    EXPECT_EQ(ParseError("object A: TA\n\n  X = {0A0}\nend"),
              "Line 3: Odd number of hexadecimal digits in binary value");
    EXPECT_EQ(ParseError("object A: TA\n  X = 9223372036854775808\nend"),
              "Line 2: Integer value out of range");
    EXPECT_EQ(ParseError("object A: TA\n  X = #256\nend"), "Line 2: Character code out of range");
    EXPECT_EQ(ParseError("object A: TA\n  X = [a b]\nend"),
              "Line 2: ',' or ']' expected but 'b' found");
    EXPECT_EQ(ParseError("object A: TA\n  X = 1.5\nend"),
              "Line 2: Floating-point values are not supported");
    EXPECT_EQ(ParseError("object A: TA\nend\nend"), "Line 3: End of text expected but 'e' found");
    EXPECT_EQ(ParseError("object A: TA\n  object B: TB\n  end\n  X = 1\nend"),
              "Line 4: 'end' or 'object' expected but 'X' found");
    EXPECT_EQ(ParseError("thing A: TA\nend"), "Line 1: 'object' expected but 't' found");
}

TEST(FormText, EveryTruncationOfAValidTextFailsCleanly) {
    const AnsiString text = "object Form1: TForm1\n  Caption = 'x'#9'y' +\n 'z'\n"
                            "  Set = [a, b]\n  List = (\n    1\n    'q')\n  Bin = {\n    0A0B}\n"
                            "  object B: TB\n    N = -5\n  end\nend\n";
    ASSERT_EQ(ParseError(text), "");
    for (size_t length = 0; length + 1 < text.size(); ++length)
        EXPECT_NE(ParseError(text.substr(0, length)), "") << length;
}

TEST(FormText, DeepNestingIsRefusedInsteadOfExhaustingTheStack) {
    AnsiString deep;
    for (int i = 0; i < 10000; ++i)
        deep += "object A: TA\n";
    EXPECT_NE(ParseError(deep).find("nested too deeply"), AnsiString::npos);
    AnsiString lists = "object A: TA\n X = " + AnsiString(10000, '(');
    EXPECT_NE(ParseError(lists).find("nested too deeply"), AnsiString::npos);
}
