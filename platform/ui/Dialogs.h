#pragma once
// The common open and save dialogs. The dialog itself comes from the installed dialog
// service (DialogService.h): Qt's file dialog in the window program, a scripted answer
// in tests.
#include <memory>

#include "platform/classes/Component.h"
#include "platform/classes/Publisher.h"
#include "platform/rtl/StringList.h"

VOKA_ENUM(TOpenOption, ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp,
          ofNoValidate, ofAllowMultiSelect, ofExtensionDifferent, ofPathMustExist, ofFileMustExist,
          ofCreatePrompt, ofShareAware, ofNoReadOnlyReturn, ofNoTestFileCreate, ofNoNetworkButton,
          ofNoLongNames, ofOldStyleDialog, ofNoDereferenceLinks, ofEnableIncludeNotify,
          ofEnableSizing, ofDontAddToRecent, ofForceShowHidden)
using TOpenOptions = TSet<TOpenOption>;

class TCommonDialog : public TComponent {
    VOKA_CLASS(TCommonDialog, TComponent)
public:
    using TComponent::TComponent;
    virtual bool Execute() = 0;
};

enum class TFileDialogKind { Open, Save };

class TOpenDialog : public TCommonDialog {
    VOKA_CLASS(TOpenDialog, TCommonDialog)
public:
    explicit TOpenDialog(TComponent* AOwner);
    ~TOpenDialog() override;

    AnsiString GetDefaultExt() const { return defaultExt_; }
    void SetDefaultExt(const AnsiString& value) { defaultExt_ = value; }
    AnsiString GetFileName() const { return fileName_; }
    void SetFileName(const AnsiString& value) { fileName_ = value; }
    // "Description|pattern" pairs separated by '|'; a pattern may list several masks with ';'.
    AnsiString GetFilter() const { return filter_; }
    void SetFilter(const AnsiString& value) { filter_ = value; }
    // 1-based, as the platform counts filters.
    int GetFilterIndex() const { return filterIndex_; }
    void SetFilterIndex(int value) { filterIndex_ = value; }
    AnsiString GetInitialDir() const { return initialDir_; }
    void SetInitialDir(const AnsiString& value) { initialDir_ = value; }
    TOpenOptions GetOptions() const { return options_; }
    void SetOptions(TOpenOptions value) { options_ = value; }
    AnsiString GetTitle() const { return title_; }
    void SetTitle(const AnsiString& value) { title_ = value; }
    // The chosen files (one unless ofAllowMultiSelect).
    TStrings* GetFiles() const { return files_.get(); }

    // Shows the dialog; true with FileName (and Files) set when the user chose a file,
    // false with both unchanged when the user cancelled.
    bool Execute() override;

protected:
    virtual TFileDialogKind Kind() const { return TFileDialogKind::Open; }

private:
    AnsiString defaultExt_;
    AnsiString fileName_;
    AnsiString filter_;
    int filterIndex_ = 1;
    AnsiString initialDir_;
    TOpenOptions options_{ofHideReadOnly, ofEnableSizing};
    AnsiString title_;
    std::unique_ptr<TStringList> files_;
};

class TSaveDialog : public TOpenDialog {
    VOKA_CLASS(TSaveDialog, TOpenDialog)
public:
    using TOpenDialog::TOpenDialog;

protected:
    TFileDialogKind Kind() const override { return TFileDialogKind::Save; }
};

// "Bin files|*.BIN" -> {{"Bin files", "*.BIN"}}; an odd trailing description gets no masks.
std::vector<std::pair<AnsiString, AnsiString>> SplitDialogFilter(const AnsiString& filter);
// The name with "." + defaultExt appended when it has no extension of its own (a leading
// dot of defaultExt is ignored); unchanged when defaultExt is empty.
AnsiString ApplyDefaultExt(const AnsiString& fileName, const AnsiString& defaultExt);
