#include <gtest/gtest.h>

#include <climits>

#include "platform/rtl/SysUtils.h"

TEST(Format, HexDirectivesPadAsTheirWidthOrPrecisionSays) {
    EXPECT_EQ(Format("%2X", 5), " 5");
    EXPECT_EQ(Format("%2X", 0xAB), "AB");
    EXPECT_EQ(Format("%.2x", 5), "05");
    EXPECT_EQ(Format("%.4x", 0xBEEF), "BEEF");
    EXPECT_EQ(Format("%.8x-%.4x", 0x1A2B, 0xC), "00001A2B-000C");
    // Hexadecimal is upper-case whichever letter the directive uses.
    EXPECT_EQ(Format("%x", 0xabcdef), "ABCDEF");
    // A negative 32-bit value prints as its two's complement.
    EXPECT_EQ(Format("%x", -1), "FFFFFFFF");
    EXPECT_EQ(Format("%u", -1), "4294967295");
}

TEST(Format, DecimalWidthPrecisionAndJustification) {
    EXPECT_EQ(Format("%d", INT64_MIN), "-9223372036854775808");
    EXPECT_EQ(Format("%.3d", 7), "007");
    EXPECT_EQ(Format("%.3d", -7), "-007");
    EXPECT_EQ(Format("%5d|", 42), "   42|");
    EXPECT_EQ(Format("%-5d|", 42), "42   |");
    EXPECT_EQ(Format("%*d", 4, 1), "   1");
    EXPECT_EQ(Format("%6.3d", 5), "   005");
}

TEST(Format, StringsCharsAndArgumentIndex) {
    EXPECT_EQ(Format("Fatal Error: %u, %u, %s", 5u, 0u, "Access is denied"),
              "Fatal Error: 5, 0, Access is denied");
    EXPECT_EQ(Format("%.3s", AnsiString("abcdef")), "abc");
    EXPECT_EQ(Format("[%-4s]", "ab"), "[ab  ]");
    EXPECT_EQ(Format("%c%c", 'O', 75), "OK");
    EXPECT_EQ(Format("%1:s %0:s", "world", "hello"), "hello world");
    EXPECT_EQ(Format("100%%"), "100%");
    // Zero bytes inside a string argument survive.
    EXPECT_EQ(Format("<%s>", AnsiString("a\0b", 3)), AnsiString("<a\0b>", 5));
}

TEST(Format, BadDirectivesAndMissingArgumentsRaise) {
    const auto message = [](const char* format, auto... args) {
        try {
            Format(format, args...);
        } catch (const EConvertError& e) {
            return e.Message;
        }
        return AnsiString("no error");
    };
    EXPECT_EQ(message("%d"), "Format '%d' invalid or incompatible with argument");
    EXPECT_EQ(message("%d %d", 1), "Format '%d %d' invalid or incompatible with argument");
    EXPECT_EQ(message("%s", 1), "Format '%s' invalid or incompatible with argument");
    EXPECT_EQ(message("%d", "x"), "Format '%d' invalid or incompatible with argument");
    EXPECT_EQ(message("%q", 1), "Format '%q' invalid or incompatible with argument");
    EXPECT_EQ(message("trailing %", 1),
              "Format 'trailing %' invalid or incompatible with argument");
    EXPECT_EQ(message("%5:d", 1), "Format '%5:d' invalid or incompatible with argument");
}

TEST(Format, FloatingPointAndPointers) {
    EXPECT_EQ(Format("%f", 1.5), "1.50");
    EXPECT_EQ(Format("%.1f", 2.25), "2.2");
    EXPECT_EQ(Format("%p", static_cast<const void*>(nullptr)), "0000000000000000");
}

TEST(IntegerText, IntToHexAndIntToStr) {
    EXPECT_EQ(IntToHex(0x1F, 4), "001F");
    EXPECT_EQ(IntToHex(0x12345, 2), "12345");
    EXPECT_EQ(IntToStr(-12), "-12");
}

TEST(IntegerText, StrToIntAcceptsDecimalAndHexAndRejectsTheRest) {
    EXPECT_EQ(StrToInt("  -17"), -17);
    EXPECT_EQ(StrToInt("$1f"), 31);
    EXPECT_EQ(StrToInt("0x10"), 16);
    EXPECT_EQ(StrToInt("2147483647"), INT_MAX);
    EXPECT_EQ(StrToInt("-2147483648"), INT_MIN);
    EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
    for (const char* bad : {"", "-", "12a", "2147483648", "1 ", "$", "9223372036854775808"}) {
        EXPECT_EQ(StrToIntDef(bad, -99), -99) << bad;
        EXPECT_THROW(StrToInt(bad), EConvertError) << bad;
    }
    try {
        StrToInt("COM");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message, "'COM' is not a valid integer value");
    }
}

TEST(TextHelpers, CaseTrimAndCompare) {
    EXPECT_EQ(UpperCase("Com1\xE9"), "COM1\xE9");
    EXPECT_EQ(LowerCase("KZRA503.S19"), "kzra503.s19");
    EXPECT_EQ(Trim(" \t x y \r\n"), "x y");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_TRUE(SameText("Update.EXE", "update.exe"));
    EXPECT_LT(CompareText("abc", "ABD"), 0);
    EXPECT_LT(CompareText("ab", "AB C"), 0);
    EXPECT_EQ(EListError::IndexOutOfBounds(-1).Message, "List index out of bounds (-1)");
}

TEST(TextHelpers, CollationPutsPunctuationThenDigitsThenLettersAndLowerBeforeUpper) {
    // Plain byte order would put '_' between upper and lower case letters.
    EXPECT_LT(AnsiCompareText("_x", "ax"), 0);
    EXPECT_LT(AnsiCompareText("_x", "AX"), 0);
    EXPECT_LT(AnsiCompareText("9", "a"), 0);
    EXPECT_EQ(AnsiCompareText("Com", "cOM"), 0);
    EXPECT_LT(AnsiCompareStr("com", "Com"), 0);
    EXPECT_LT(AnsiCompareStr("Com", "cop"), 0);
}
