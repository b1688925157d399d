#include "support/TextLogFile.h"

#include <gtest/gtest.h>

#include "tests/support/TempDir.h"

namespace {
struct FatalHandler {
    bool clear = false;
    int calls = 0;
    AnsiString message;
    uint32_t code = 0, detail = 0;
    void OnFatal(TObject*, uint32_t c, uint32_t d, const AnsiString& m, bool& raise) {
        ++calls;
        code = c;
        detail = d;
        message = m;
        if (clear)
            raise = false;
    }
};
} // namespace

TEST(CustomLogFile, FatalErrorsRaiseUnlessTheHandlerClearsTheFlag) {
    TnrCustomLogFile log(nullptr);
    try {
        log.DoFatalErrors(1, 0, "Device \"COM7\" Open Error !!!");
        ADD_FAILURE();
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message, "Device \"COM7\" Open Error !!!");
    }

    FatalHandler handler;
    handler.clear = true;
    log.SetOnFatalError(TOnFatalErrorEvent::Bind<&FatalHandler::OnFatal>(&handler));
    EXPECT_NO_THROW(log.DoFatalErrors(7, 9, "gone"));
    EXPECT_EQ(handler.calls, 1);
    EXPECT_EQ(handler.code, 7u);
    EXPECT_EQ(handler.detail, 9u);
    EXPECT_EQ(handler.message, "gone");

    handler.clear = false;
    EXPECT_THROW(log.DoFatalErrors(1, 0, "kept"), Exception);
}

TEST(CustomLogFile, LoggingOperationsAreAbstract) {
    TnrCustomLogFile log(nullptr);
    EXPECT_THROW(log.AddLog(dlSimple, "x"), EAbstractError);
    EXPECT_THROW(log.Add("x"), EAbstractError);
    EXPECT_THROW(log.AddLogFmt(dlDebug, "%d", {1}), EAbstractError);
    EXPECT_THROW(log.AddSysInfo(), EAbstractError);
    EXPECT_THROW(log.Save(), EAbstractError);
}

TEST(LogFile, WritesFilteredTimeStampedLines) {
    TempDir dir;
    TnrLogFile log(nullptr);
    log.SetFileName(dir / "serial.log");
    log.SetDetailLevel(dlDetail);
    log.AddLog(dlSimple, "reRore: The port COM1 succesful opened");
    log.AddLog(dlDebug, "reRore: Try to send char 41h ..."); // above the level: dropped
    log.AddLogFmt(dlSimple, "Fatal Error: %u, %u, %s", {1, 0, AnsiString("boom")});
    log.AddFmt("%.4x", {0xAB});

    std::string text = ReadFileBytes(dir / "serial.log");
    EXPECT_NE(text.find("[0] reRore: The port COM1 succesful opened\n"), std::string::npos);
    EXPECT_EQ(text.find("Try to send"), std::string::npos);
    EXPECT_NE(text.find("[0] Fatal Error: 1, 0, boom\n"), std::string::npos);
    EXPECT_NE(text.find(" 00AB\n"), std::string::npos);
    // "yyyy-mm-dd hh:nn:ss.zzz " before every line
    ASSERT_GE(text.size(), 24u);
    EXPECT_EQ(text[4], '-');
    EXPECT_EQ(text[13], ':');
    EXPECT_EQ(text[19], '.');
}

TEST(LogFile, KeepsLinesUntilSaveWithoutAutoSave) {
    TempDir dir;
    TnrLogFile log(nullptr);
    log.SetFileName(dir / "held.log");
    log.SetAutoSave(false);
    log.Add("one");
    log.AddSysInfo();
    EXPECT_EQ(ReadFileBytes(dir / "held.log"), "");
    EXPECT_EQ(log.Lines().Count(), 4);
    log.Save();
    std::string text = ReadFileBytes(dir / "held.log");
    EXPECT_NE(text.find("one\n"), std::string::npos);
    EXPECT_NE(text.find("Program: "), std::string::npos);
    EXPECT_NE(text.find("System: "), std::string::npos);
    EXPECT_NE(text.find("Machine: "), std::string::npos);
    EXPECT_EQ(log.Lines().Count(), 0);
    log.Add("two");
    log.Clear();
    log.Save();
    EXPECT_EQ(ReadFileBytes(dir / "held.log"), text);
}
