#pragma once
// The log component contract of the communication library, and a file log that
// implements it. I/O components and data processors write their lines through an
// attached log component; without one, logging does nothing.
#include <cstdint>
#include <initializer_list>
#include <span>

#include "platform/classes/Component.h"
#include "platform/classes/Publisher.h"
#include "platform/rtl/Events.h"

VOKA_ENUM(TDetailLevel, dlSimple, dlDetail, dlDebug)

// Sender, ErrorCode, Detail, ErrorMsg, RaiseException (the handler may clear it).
using TOnFatalErrorEvent = TEvent<TObject*, uint32_t, uint32_t, const AnsiString&, bool&>;

using TFormatArgs = std::span<const TVarRec>;

class TnrCustomLogFile : public TComponent {
    VOKA_CLASS(TnrCustomLogFile, TComponent)
public:
    explicit TnrCustomLogFile(TComponent* AOwner) : TComponent(AOwner) {}

    // Calls OnFatalError, which may clear the raise flag; then raises Exception(ErrorMsg)
    // unless it was cleared. Writes no line of its own.
    virtual void DoFatalErrors(uint32_t ErrorCode, uint32_t Detail, const AnsiString& ErrorMsg);

    // The logging operations; on this class itself each is the abstract-call error.
    virtual void Save() { throw EAbstractError(); }
    virtual void Clear() { throw EAbstractError(); }
    virtual void Add(const AnsiString&) { throw EAbstractError(); }
    virtual void AddSysInfo() { throw EAbstractError(); }
    virtual void AddLog(TDetailLevel, const AnsiString&) { throw EAbstractError(); }
    virtual void AddFmt(const AnsiString&, TFormatArgs) { throw EAbstractError(); }
    virtual void AddLogFmt(TDetailLevel, const AnsiString&, TFormatArgs) { throw EAbstractError(); }

    // AddLogFmt(dlSimple, "Fatal Error: %u, %u, %s", {code, detail, text})
    void AddLogFmt(TDetailLevel Level, const AnsiString& Fmt, std::initializer_list<TVarRec> Args) {
        AddLogFmt(Level, Fmt, TFormatArgs(Args.begin(), Args.size()));
    }
    void AddFmt(const AnsiString& Fmt, std::initializer_list<TVarRec> Args) {
        AddFmt(Fmt, TFormatArgs(Args.begin(), Args.size()));
    }

    TOnFatalErrorEvent GetOnFatalError() const { return FOnFatalError; }
    void SetOnFatalError(TOnFatalErrorEvent Value) { FOnFatalError = Value; }

private:
    TOnFatalErrorEvent FOnFatalError;
};
