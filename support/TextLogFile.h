#pragma once
// A log component that writes time-stamped lines to a text file.
//
//     2026-12-08 17:04:05.123 [1] reRore: The port COM1 succesful opened
//
// Lines above DetailLevel are dropped. With AutoSave each line goes to the file at once
// (appended), so nothing is lost if the program ends abruptly; otherwise lines collect
// in memory until Save.
#include "platform/rtl/StringList.h"
#include "support/LogFile.h"

class TnrLogFile : public TnrCustomLogFile {
    VOKA_CLASS(TnrLogFile, TnrCustomLogFile)
public:
    explicit TnrLogFile(TComponent* AOwner);

    void Save() override;
    void Clear() override;
    void Add(const AnsiString& Text) override;
    void AddSysInfo() override;
    void AddLog(TDetailLevel Level, const AnsiString& Text) override;
    void AddFmt(const AnsiString& Fmt, TFormatArgs Args) override;
    void AddLogFmt(TDetailLevel Level, const AnsiString& Fmt, TFormatArgs Args) override;
    using TnrCustomLogFile::AddFmt;
    using TnrCustomLogFile::AddLogFmt;

    const AnsiString& GetFileName() const { return FFileName; }
    void SetFileName(const AnsiString& Value) { FFileName = Value; }
    TDetailLevel GetDetailLevel() const { return FDetailLevel; }
    void SetDetailLevel(TDetailLevel Value) { FDetailLevel = Value; }
    bool GetAutoSave() const { return FAutoSave; }
    void SetAutoSave(bool Value) { FAutoSave = Value; }

    // The lines not yet saved.
    const TStringList& Lines() const { return FLines; }

private:
    void Write(int Level, const AnsiString& Text);

    AnsiString FFileName;
    TDetailLevel FDetailLevel = dlDebug;
    bool FAutoSave = true;
    TStringList FLines;
};
