#pragma once
// The application object: runs the main thread's loop, owns the forms it created and
// shows unhandled errors. Console programs and tests run the plain loop; the window
// program installs its toolkit's loop backend (TMessageLoop::SetBackend) from InitProc.
#include <atomic>
#include <exception>
#include <functional>
#include <new>

#include "platform/classes/Component.h"
#include "platform/classes/Publisher.h"
#include "platform/rtl/Events.h"

using TExceptionEvent = TEvent<TObject*, const Exception&>;

class TApplication : public TComponent {
    VOKA_CLASS(TApplication, TComponent)
public:
    // The first application object made becomes the global Application.
    explicit TApplication(TComponent* AOwner = nullptr);
    // Destroys the forms (last made, first) while it is still the global Application.
    ~TApplication() override;

    // Runs InitProc once, if set.
    void Initialize();

    // Defaults to the executable's name without its extension.
    AnsiString GetTitle() const { return title_; }
    void SetTitle(const AnsiString& value) { title_ = value; }

    // Creates a form owned by the application; the first one made becomes the main form.
    // The reference is set before the form's constructor runs, so code run while the form
    // is built (its components' Loaded, say) can already reach it through the reference.
    template <class T> void CreateForm(T*& reference) {
        void* storage = ::operator new(sizeof(T));
        reference = static_cast<T*>(storage);
        try {
            new (storage) T(this);
        } catch (...) {
            reference = nullptr;
            ::operator delete(storage);
            throw;
        }
        if (!mainForm_)
            mainForm_ = reference;
    }
    TComponent* GetMainForm() const { return mainForm_; }
    // How Run shows the main form; the window layer sets it. Without it Run shows nothing.
    void SetShowFormHook(std::function<void(TComponent*)> hook) { showForm_ = std::move(hook); }

    // Shows the main form and runs the loop until Terminate (closing the main form calls it).
    // An exception escaping a step of the loop goes to HandleException and the loop goes on.
    void Run();
    // Processes everything pending on the calling thread's loop: synchronous calls, posted
    // callbacks, due timers and window events.
    void ProcessMessages();
    // Processes pending work, or waits for some when there is none.
    void HandleMessage();
    // Thread-safe; wakes the loop so that Run returns.
    void Terminate();
    bool GetTerminated() const { return terminated_; }

    // The default error display for the exception being handled (call inside a catch):
    // OnException when set, otherwise ShowException.
    void HandleException(TObject* Sender);
    void HandleException(TObject* Sender, std::exception_ptr error);
    // A stop-icon message box captioned with the Title, showing ErrorDisplayText(Message).
    void ShowException(const Exception& E);
    TExceptionEvent GetOnException() const { return onException_; }
    void SetOnException(TExceptionEvent handler) { onException_ = handler; }

    // The text the error display shows: a full stop is added when the last character sorts
    // after '.' (so after letters and digits, not after "!", ")" or a line break).
    static AnsiString ErrorDisplayText(const AnsiString& message);

    // Forgets the main form when it is destroyed.
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    AnsiString title_;
    std::atomic<bool> terminated_ = false;
    bool initialized_ = false;
    TComponent* mainForm_ = nullptr;
    std::function<void(TComponent*)> showForm_;
    TExceptionEvent onException_;
};

// The application object of the program; null until one is made.
extern TApplication* Application;
// Set by the window layer before Initialize, to bring up the toolkit and its loop backend.
extern void (*InitProc)();
