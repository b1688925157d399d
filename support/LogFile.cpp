#include "support/LogFile.h"

VOKA_PUBLISH(TnrCustomLogFile, p) {
    p.Event("OnFatalError", &TnrCustomLogFile::GetOnFatalError, &TnrCustomLogFile::SetOnFatalError);
}

void TnrCustomLogFile::DoFatalErrors(uint32_t ErrorCode, uint32_t Detail,
                                     const AnsiString& ErrorMsg) {
    bool raise = true;
    if (FOnFatalError)
        FOnFatalError(this, ErrorCode, Detail, ErrorMsg, raise);
    if (raise)
        throw Exception(ErrorMsg);
}
