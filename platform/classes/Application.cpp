#include "platform/classes/Application.h"

#include <filesystem>

#include "platform/classes/MessageLoop.h"
#include "platform/win32/User.h"

TApplication* Application = nullptr;
void (*InitProc)() = nullptr;

namespace {
AnsiString ExecutableTitle() {
    std::error_code error;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? AnsiString() : exe.stem().string();
}
} // namespace

VOKA_PUBLISH(TApplication, p) {}

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner), title_(ExecutableTitle()) {
    if (Application)
        return;
    Application = this;
    // Errors from posted callbacks and timers get the program's error display.
    TMessageLoop::Main().SetExceptionHandler(
        [this](std::exception_ptr error) { HandleException(this, error); });
}

TApplication::~TApplication() {
    DestroyComponents();
    if (Application == this) {
        TMessageLoop::Main().SetExceptionHandler(nullptr);
        Application = nullptr;
    }
}

void TApplication::Initialize() {
    if (initialized_)
        return;
    initialized_ = true;
    if (InitProc)
        InitProc();
}

void TApplication::Notification(TComponent* AComponent, TOperation Operation) {
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == mainForm_)
        mainForm_ = nullptr;
}

void TApplication::Run() {
    if (mainForm_ && showForm_) {
        try {
            showForm_(mainForm_);
        } catch (...) {
            HandleException(this);
        }
    }
    while (!terminated_) {
        try {
            HandleMessage();
        } catch (...) {
            HandleException(this);
        }
    }
}

void TApplication::ProcessMessages() {
    auto& loop = TMessageLoop::Current();
    while (loop.ProcessPending()) {
    }
}

void TApplication::HandleMessage() {
    auto& loop = TMessageLoop::Current();
    if (!loop.ProcessPending() && !terminated_)
        loop.WaitForWork();
}

void TApplication::Terminate() {
    terminated_ = true;
    TMessageLoop::Main().Wake();
}

void TApplication::HandleException(TObject* Sender) {
    if (auto error = std::current_exception())
        HandleException(Sender, error);
}

void TApplication::HandleException(TObject* Sender, std::exception_ptr error) {
    auto report = [&](const Exception& E) {
        if (onException_)
            onException_(Sender, E);
        else
            ShowException(E);
    };
    try {
        std::rethrow_exception(error);
    } catch (const Exception& E) {
        report(E);
    } catch (const std::exception& e) {
        report(Exception(e.what()));
    } catch (...) {
        report(Exception("Unknown exception"));
    }
}

AnsiString TApplication::ErrorDisplayText(const AnsiString& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        return message + '.';
    return message;
}

void TApplication::ShowException(const Exception& E) {
    AnsiString text = ErrorDisplayText(E.Message);
    MessageBoxA(nullptr, text.c_str(), title_.c_str(), MB_OK | MB_ICONSTOP);
}
