#include "support/TextLogFile.h"

#include <fstream>
#include <sys/utsname.h>
#include <unistd.h>

#include "platform/rtl/DateUtils.h"
#include "platform/win32/Files.h"
#include "platform/win32/Version.h"

VOKA_PUBLISH(TnrLogFile, p) {
    p.String("FileName", &TnrLogFile::GetFileName, &TnrLogFile::SetFileName);
    p.Enum("DetailLevel", &TnrLogFile::GetDetailLevel, &TnrLogFile::SetDetailLevel);
    p.Bool("AutoSave", &TnrLogFile::GetAutoSave, &TnrLogFile::SetAutoSave);
}

TnrLogFile::TnrLogFile(TComponent* AOwner) : TnrCustomLogFile(AOwner) {}

void TnrLogFile::Save() {
    if (FLines.Count() == 0)
        return;
    if (!FFileName.empty()) {
        std::ofstream out(FFileName, std::ios::binary | std::ios::app);
        for (int i = 0; i < FLines.Count(); ++i)
            out << FLines.Strings(i) << '\n';
        if (!out)
            throw EWriteError(Format("Cannot write the log file \"%s\"", FFileName));
    }
    FLines.Clear();
}

void TnrLogFile::Clear() {
    FLines.Clear();
}

void TnrLogFile::Write(int Level, const AnsiString& Text) {
    AnsiString stamp = FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", Now());
    FLines.Add(Level < 0 ? Format("%s %s", stamp, Text) : Format("%s [%d] %s", stamp, Level, Text));
    if (FAutoSave)
        Save();
}

void TnrLogFile::Add(const AnsiString& Text) {
    Write(-1, Text);
}

void TnrLogFile::AddLog(TDetailLevel Level, const AnsiString& Text) {
    if (Level <= FDetailLevel)
        Write(static_cast<int>(Level), Text);
}

void TnrLogFile::AddFmt(const AnsiString& Fmt, TFormatArgs Args) {
    Add(FormatArgs(Fmt.c_str(), Args.data(), Args.size()));
}

void TnrLogFile::AddLogFmt(TDetailLevel Level, const AnsiString& Fmt, TFormatArgs Args) {
    if (Level <= FDetailLevel)
        Write(static_cast<int>(Level), FormatArgs(Fmt.c_str(), Args.data(), Args.size()));
}

void TnrLogFile::AddSysInfo() {
    char program[4096] = {};
    GetModuleFileNameA(nullptr, program, sizeof program);
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    utsname system{};
    uname(&system);
    char host[256] = {};
    gethostname(host, sizeof host - 1);

    Add(Format("Program: %s (process %d)", program, static_cast<int>(getpid())));
    Add(Format("System: %s %s (Windows NT %u.%u build %u)", system.sysname, system.release,
               version.dwMajorVersion, version.dwMinorVersion, version.dwBuildNumber));
    Add(Format("Machine: %s, %s, %d processors", host, system.machine,
               static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN))));
}
