#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <atomic>

#include "platform/classes/Application.h"
#include "platform/classes/MessageLoop.h"
#include "platform/ui/Forms.h"
#include "platform/ui/ModalScope.h"
#include "platform/ui/ToolkitStart.h"
#include "platform/ui/UserInterface.h"
#include "platform/ui/WidgetBridge.h"

namespace {
std::atomic<int> modalDepth{0};

const QEvent::Type WakeEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

// Receives the wake-ups other threads post, which ends a wait inside Qt's loop.
class WakeReceiver : public QObject {
public:
    explicit WakeReceiver(std::atomic<bool>& posted) : posted_(posted) {}

    bool event(QEvent* event) override {
        if (event->type() != WakeEvent)
            return QObject::event(event);
        posted_ = false;
        if (TModalScope::Active())
            TMessageLoop::Main().CheckSynchronize();
        return true;
    }

private:
    std::atomic<bool>& posted_;
};

// The main loop waits and pumps inside Qt's event loop, so windows stay responsive while
// TApplication runs, processes messages or waits.
class QtLoopBackend : public TLoopBackend {
public:
    QtLoopBackend() : receiver_(posted_) {}

    void Wake() override {
        woken_ = true;
        // One wake-up in Qt's queue at a time is enough.
        if (!posted_.exchange(true))
            QCoreApplication::postEvent(&receiver_, new QEvent(WakeEvent));
    }

    void Wait(DWORD milliseconds) override {
        if (woken_.exchange(false))
            return;
        if (milliseconds == 0) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            return;
        }
        QTimer deadline;
        if (milliseconds != INFINITE) {
            deadline.setSingleShot(true);
            deadline.start(static_cast<int>(std::min<DWORD>(milliseconds, INT32_MAX)));
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        woken_ = false;
    }

    bool ProcessEvents() override {
        // Qt does not tell whether anything ran; reporting false lets ProcessMessages end.
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return false;
    }

private:
    std::atomic<bool> woken_{false};
    std::atomic<bool> posted_{false};
    WakeReceiver receiver_;
};

QtUserServices qtUserServices;

int storedArgc = 1;
char storedProgram[] = "voka";
char* storedArgv[] = {storedProgram, nullptr};
} // namespace

TModalScope::TModalScope() {
    ++modalDepth;
}

TModalScope::~TModalScope() {
    --modalDepth;
}

bool TModalScope::Active() {
    return modalDepth > 0;
}

void InstallQtDialogService();

void InitUserInterface(int& argc, char** argv, const char* FailureHint) {
    if (Application)
        Application->SetShowFormHook(&TCustomForm::ShowAsMainForm);
    if (QApplication::instance())
        return;
    TToolkitStartGuard guard(FailureHint);
    // Lives as long as the process: widgets may be destroyed by static destructors.
    new QApplication(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    InstallFontSubstitutes();
    TMessageLoop::Main().SetBackend(std::make_unique<QtLoopBackend>());
    // Services a test installed before stay in place.
    if (UserServices* previous = SetUserServices(&qtUserServices))
        SetUserServices(previous);
    InstallQtDialogService();
}

void EnsureUserInterface() {
    if (!QApplication::instance())
        InitUserInterface(storedArgc, storedArgv);
}

bool UserInterfaceActive() {
    return QApplication::instance() != nullptr;
}
