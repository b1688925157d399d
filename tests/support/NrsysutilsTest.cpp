#include "support/Nrsysutils.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

#include "platform/rtl/FolderProfile.h"
#include "tests/support/TempDir.h"

using namespace Nrsysutils;

TEST(Octal, ConvertsBothWays) {
    EXPECT_EQ(IntToOct(0), "");
    EXPECT_EQ(IntToOct(8), "10");
    EXPECT_EQ(IntToOct(511), "777");
    EXPECT_EQ(IntToOct(0xFFFFFFFF), "37777777777");
    EXPECT_EQ(OctToInt("777"), 511);
    EXPECT_EQ(OctToInt(""), 0);
    EXPECT_EQ(OctToInt("8"), 0);
    EXPECT_EQ(OctToInt("1x"), 0);
    EXPECT_EQ(OctToInt("17x7"), 0);
    EXPECT_EQ(OctToInt("37777777777"), -1); // wraps at 32 bits
    EXPECT_EQ(OctToInt("100000000000"), 0); // 2^33 wraps to 0
    for (uint32_t value : {1u, 7u, 64u, 123456789u})
        EXPECT_EQ(static_cast<uint32_t>(OctToInt(IntToOct(value))), value);
}

namespace {
// The matcher as first described: try every split after each star, recursively.
bool ReferenceMatch(const char* text, const char* pattern) {
    if (!*pattern)
        return !*text;
    if (*pattern == '*') {
        if (!pattern[1])
            return true;
        for (; *text; ++text)
            if (ReferenceMatch(text, pattern + 1))
                return true;
        return ReferenceMatch(text, pattern + 1);
    }
    if (!*text)
        return false;
    if (*pattern != '?' && *pattern != *text)
        return false;
    return ReferenceMatch(text + 1, pattern + 1);
}
} // namespace

TEST(MatchPatternSimple, StatedCases) {
    for (const char* pattern : {"a*c", "a?c", "*", "abc"})
        EXPECT_TRUE(MatchPatternSimple("abc", pattern)) << pattern;
    for (const char* pattern : {"ab", "a?", "?abc", "*d", "ABC"})
        EXPECT_FALSE(MatchPatternSimple("abc", pattern)) << pattern;
    EXPECT_TRUE(MatchPatternSimple("", "*"));
    EXPECT_TRUE(MatchPatternSimple("", ""));
    EXPECT_FALSE(MatchPatternSimple("", "?"));
    EXPECT_TRUE(MatchPatternSimple("", "**"));
    EXPECT_FALSE(MatchPatternSimple("", "*?"));
}

TEST(MatchPatternSimple, AgreesWithTheRecursiveDefinitionOnRandomInputs) {
    std::mt19937 random(12345);
    auto make = [&](const char* alphabet, size_t alphabetSize, size_t maxLength) {
        std::string s(random() % (maxLength + 1), ' ');
        for (char& c : s)
            c = alphabet[random() % alphabetSize];
        return s;
    };
    for (int i = 0; i < 20000; ++i) {
        std::string text = make("ab", 2, 8);
        std::string pattern = make("ab*?", 4, 6);
        ASSERT_EQ(MatchPatternSimple(text.c_str(), pattern.c_str()),
                  ReferenceMatch(text.c_str(), pattern.c_str()))
            << "text '" << text << "' pattern '" << pattern << "'";
    }
}

TEST(MatchPatternSimple, ManyStarsOnALongTextFinish) {
    // Exponential in the recursive form; must finish at once here.
    std::string text(10000, 'a');
    std::string pattern;
    for (int i = 0; i < 20; ++i)
        pattern += "*a";
    EXPECT_TRUE(MatchPatternSimple(text.c_str(), pattern.c_str()));
    EXPECT_FALSE(MatchPatternSimple(text.c_str(), (pattern + "b").c_str()));
}

TEST(Guid, TextRoundTripIsUpperCaseAndExact) {
    GUID ports{0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
    EXPECT_EQ(GUIDToString(ports), "{4D36E978-E325-11CE-BFC1-08002BE10318}");
    EXPECT_EQ(StringToGUID("{4D36E978-E325-11CE-BFC1-08002BE10318}"), ports);
    EXPECT_EQ(StringToGUID("{4d36e978-e325-11ce-bfc1-08002be10318}"), ports);

    GUID created;
    ASSERT_EQ(CreateGUID(created), S_OK);
    EXPECT_EQ(StringToGUID(GUIDToString(created)), created);
    GUID another;
    CreateGUID(another);
    EXPECT_NE(created, another);
}

TEST(Guid, RejectedTextRaisesTheFourBangs) {
    for (const char* text :
         {"", "4D36E978-E325-11CE-BFC1-08002BE10318", "{4D36E978-E325-11CE-BFC1-08002BE1031}",
          "{4D36E978-E325-11CE-BFC1-08002BE10318}x", "{4D36E978-E325-11CE-BFC108002BE10318}",
          "{4D36E97G-E325-11CE-BFC1-08002BE10318}"}) {
        try {
            StringToGUID(text);
            ADD_FAILURE() << text;
        } catch (const Exception& error) {
            EXPECT_EQ(error.Message, "!!!!");
        }
    }
}

TEST(GetDequotedString, StripsOneMatchingPair) {
    EXPECT_EQ(GetDequotedString("\"abc\""), "abc");
    EXPECT_EQ(GetDequotedString("'abc'"), "abc");
    EXPECT_EQ(GetDequotedString("''abc''"), "'abc'");
    EXPECT_EQ(GetDequotedString("\""), "\"");
    EXPECT_EQ(GetDequotedString("\"\""), "");
    EXPECT_EQ(GetDequotedString("\"abc'"), "\"abc'");
    EXPECT_EQ(GetDequotedString("abc"), "abc");
}

TEST(Folders, ForceDirectoriesCreatesMissingLevels) {
    TempDir dir;
    EXPECT_TRUE(ForceDirectories(dir.Path().string()));
    std::string deep = dir / "one/two/";
    EXPECT_TRUE(ForceDirectories(deep));
    EXPECT_TRUE(DirectoryExists(dir / "one"));
    EXPECT_TRUE(DirectoryExists(dir / "one/two"));
    EXPECT_FALSE(ForceDirectories(""));
    EXPECT_FALSE(DirectoryExists(dir / "none"));

    WriteFileBytes(dir / "file", "x");
    EXPECT_FALSE(DirectoryExists(dir / "file"));
    EXPECT_FALSE(ForceDirectories(dir / "file/below"));
}

TEST(Folders, ExcludeTrailingPathDelimiterFollowsTheProfile) {
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/tmp/"), "/tmp");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/tmp//"), "/tmp/");
    EXPECT_EQ(ExcludeTrailingPathDelimiter(""), "");
    const TFolderProfile windows = WindowsFolderProfile();
    SetFolderProfile(&windows);
    EXPECT_EQ(ExcludeTrailingPathDelimiter("C:\\Data\\"), "C:\\Data");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/tmp/"), "/tmp/");
    EXPECT_TRUE(ForceDirectories("C:\\")); // a drive root is taken as existing
    SetFolderProfile(nullptr);
}

TEST(DateTime, PacksAndUnpacks) {
    TDateTime value = EncodeDateTime(2024, 2, 29, 23, 59, 58, 999);
    uint16_t y, mo, d, h, mi, s, ms;
    DecodeDateTime(value, y, mo, d, h, mi, s, ms);
    EXPECT_EQ((std::vector<int>{y, mo, d, h, mi, s, ms}),
              (std::vector<int>{2024, 2, 29, 23, 59, 58, 999}));
    EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 30, 12, 0, 0, 0), 0.5);
    // Before the epoch the day is negative and the time of day counts away from zero.
    EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);
    DecodeDateTime(EncodeDateTime(1800, 7, 4, 18, 30, 15, 250), y, mo, d, h, mi, s, ms);
    EXPECT_EQ((std::vector<int>{y, mo, d, h, mi, s, ms}),
              (std::vector<int>{1800, 7, 4, 18, 30, 15, 250}));
    EXPECT_THROW(EncodeDateTime(2023, 2, 29, 0, 0, 0, 0), EConvertError);
    EXPECT_THROW(EncodeDateTime(2023, 1, 1, 24, 0, 0, 0), EConvertError);
}

TEST(ThreadLock, IsRecursiveForItsOwnerAndExcludesOthers) {
    std::atomic<bool> otherEntered{false};
    nrEnterThreadCritical();
    nrEnterThreadCritical(); // a second enter by the owner must not block
    nrLeaveThreadCritical();
    std::thread other([&] {
        nrEnterThreadCritical();
        otherEntered = true;
        nrLeaveThreadCritical();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(otherEntered); // still held once
    nrLeaveThreadCritical();
    other.join();
    EXPECT_TRUE(otherEntered);
}
