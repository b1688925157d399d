#pragma once
// Forms: top-level windows read from their form description. A program derives its
// window class from TForm, publishes its component fields and handlers, and reads the
// description into the new instance (ReadRootComponent / ReadComponentRes).
#include "platform/ui/Controls.h"

VOKA_ENUM(TBorderIcon, biSystemMenu, biMinimize, biMaximize, biHelp)
using TBorderIcons = TSet<TBorderIcon>;
VOKA_ENUM(TFormBorderStyle, bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin)
VOKA_ENUM(TPosition, poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter,
          poDesktopCenter, poMainFormCenter, poOwnerFormCenter)
VOKA_ENUM(TCloseAction, caNone, caHide, caFree, caMinimize)

using TCloseEvent = TEvent<TObject*, TCloseAction&>;

class TCustomForm : public TWinControl {
    VOKA_CLASS(TCustomForm, TWinControl)
public:
    // A form receives the device-change broadcast, as top-level windows do, and hands it
    // to its controls.
    explicit TCustomForm(TComponent* AOwner);
    // Destroys the form's components while the form is still whole.
    ~TCustomForm() override;

    AnsiString GetCaption() const { return GetText(); }
    void SetCaption(const AnsiString& value) { SetText(value); }
    int GetClientWidth() const { return GetWidth(); }
    void SetClientWidth(int value) { SetWidth(value); }
    int GetClientHeight() const { return GetHeight(); }
    void SetClientHeight(int value) { SetHeight(value); }
    TBorderIcons GetBorderIcons() const { return borderIcons_; }
    void SetBorderIcons(TBorderIcons value);
    TFormBorderStyle GetBorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle value);
    TPosition GetPosition() const { return position_; }
    void SetPosition(TPosition value) { position_ = value; }
    TIcon* GetIcon() const { return icon_.get(); }
    int GetPixelsPerInch() const { return pixelsPerInch_; }
    void SetPixelsPerInch(int value);
    TCloseEvent GetOnClose() const { return onClose_; }
    void SetOnClose(TCloseEvent value) { onClose_ = value; }

    // Closes the form as its close box does: OnClose may change the action (the main form
    // of the application defaults to ending the application, others to hiding).
    void Close();
    void BringToFront();
    // How Application->Run shows its main form.
    static void ShowAsMainForm(TComponent* form);

    void Loaded() override;
    bool HasParent() const override { return false; }

protected:
    void ApplyBounds() override;
    void ApplyVisible() override;
    void ApplyColor() override;
    void TextChanged() override;
    void ApplyWindowFlags();
    void IconChanged(TObject* sender);
    void WMDeviceChange(TMessage& Message);

private:
    TBorderIcons borderIcons_{biSystemMenu, biMinimize, biMaximize};
    TFormBorderStyle borderStyle_ = bsSizeable;
    TPosition position_ = poDesigned;
    std::unique_ptr<TIcon> icon_;
    int pixelsPerInch_ = 96;
    TCloseEvent onClose_;
};

class TForm : public TCustomForm {
    VOKA_CLASS(TForm, TCustomForm)
public:
    using TCustomForm::TCustomForm;
};
