#pragma once
// The generic worker of an I/O component: runs the component's ThreadExecute until it
// returns, with every error it raises swallowed. Components that use it set their
// worker-thread flag; the serial component has its own threads instead.
#include "platform/classes/Thread.h"

class TnrBaseIO;

class TnrThreadIO : public TThread {
public:
    // Created suspended; the component resumes it.
    explicit TnrThreadIO(TnrBaseIO* IO);
    TnrBaseIO* GetIO() const { return FIO; }
    AnsiString ClassName() const override { return "TnrThreadIO"; }

protected:
    void Execute() override;

private:
    TnrBaseIO* FIO;
};
