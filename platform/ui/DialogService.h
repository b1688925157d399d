#pragma once
// Where file dialogs come from: one service for the process, replaceable by tests.
#include <deque>
#include <optional>
#include <vector>

#include "platform/ui/Dialogs.h"
#include "platform/win32/WinTypes.h"

// What a program asked a file dialog for.
struct TFileDialogRequest {
    TFileDialogKind Kind = TFileDialogKind::Open;
    AnsiString Title;  // empty: the toolkit's own ("Open", "Save As")
    AnsiString Filter; // as the dialog component has it
    int FilterIndex = 1;
    AnsiString InitialDir;
    AnsiString DefaultExt;
    AnsiString FileName; // proposed
    TOpenOptions Options;
    HWND Owner = nullptr;
};

class TDialogService {
public:
    virtual ~TDialogService() = default;
    // The chosen file names (several only with ofAllowMultiSelect); none when cancelled.
    virtual std::vector<AnsiString> ExecuteFileDialog(const TFileDialogRequest& request) = 0;
};

// Installs service (not owned; null restores the default) and returns the previous one.
// The default cancels every dialog, since without a window there is nobody to ask; the
// window layer installs Qt's dialogs.
TDialogService* SetDialogService(TDialogService* service);
TDialogService& CurrentDialogService();

// Answers dialogs from a script and records what was asked: each dialog takes the next
// answer (a file name, or std::nullopt for cancel); with no answer left it cancels.
class TScriptedDialogService : public TDialogService {
public:
    TScriptedDialogService();
    ~TScriptedDialogService() override; // restores the service it replaced

    void Answer(const AnsiString& fileName) { answers_.push_back(fileName); }
    void Cancel() { answers_.push_back(std::nullopt); }
    const std::vector<TFileDialogRequest>& Requests() const { return requests_; }

    std::vector<AnsiString> ExecuteFileDialog(const TFileDialogRequest& request) override;

private:
    std::deque<std::optional<AnsiString>> answers_;
    std::vector<TFileDialogRequest> requests_;
    TDialogService* previous_;
};
