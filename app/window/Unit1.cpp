#include "app/window/Unit1.h"

#include "app/MainForm.h"
#include "app/SettingsTransfer.h"
#include "app/UpdateLaunch.h"
#include "platform/classes/FormStreaming.h"

TForm1* Form1 = nullptr;

VOKA_PUBLISH(TForm1, p) {
    p.Field("Label1", &TForm1::Label1);
    p.Field("btnUpdateButton", &TForm1::btnUpdateButton);
    p.Field("btnUploadBin", &TForm1::btnUploadBin);
    p.Field("nrDeviceBoxSerPort", &TForm1::nrDeviceBoxSerPort);
    p.Field("Label2", &TForm1::Label2);
    p.Field("Label3", &TForm1::Label3);
    p.Field("OpenUpdateFile", &TForm1::OpenUpdateFile);
    p.Field("SaveBinDialog1", &TForm1::SaveBinDialog1);
    p.Field("OpenBinFileDialog", &TForm1::OpenBinFileDialog);
    p.Field("FileStorage1", &TForm1::FileStorage1);
    p.Field("BannerPicture", &TForm1::BannerPicture);
    p.Field("reRore1", &TForm1::reRore1);
    p.Field("btnDownload", &TForm1::btnDownload);
    p.Field("ProgressBar1", &TForm1::ProgressBar1);
    p.Field("ProgressBar2", &TForm1::ProgressBar2);
    p.Method<&TForm1::btnUpdateButtonClick>("btnUpdateButtonClick");
    p.Method<&TForm1::btnUploadBinClick>("btnUploadBinClick");
    p.Method<&TForm1::nrDeviceBoxSerPortClick>("nrDeviceBoxSerPortClick");
    p.Method<&TForm1::btnDownloadClick>("btnDownloadClick");
}

namespace {
// A command's progress bar and status label, which share one place on the window.
class TDisplayPair : public TTransferDisplay {
public:
    TDisplayPair(TProgressBar* bar, TLabel* label) : bar_(bar), label_(label) {}
    void SetBarVisible(bool Visible) override { bar_->SetVisible(Visible); }
    void SetBarPosition(int Position) override { bar_->SetPosition(Position); }
    void SetLabelVisible(bool Visible) override { label_->SetVisible(Visible); }
    void SetLabelText(const AnsiString& Text) override { label_->SetCaption(Text); }

private:
    TProgressBar* bar_;
    TLabel* label_;
};

std::optional<AnsiString> Choose(TOpenDialog* dialog, const AnsiString& initialDir) {
    dialog->SetInitialDir(initialDir);
    if (!dialog->Execute())
        return std::nullopt;
    return dialog->GetFileName();
}
} // namespace

// Two transfers mixed on one port would corrupt both: while a command waits for the unit,
// the commands and the port chooser are disabled.
class TForm1::TCommandRunning {
public:
    explicit TCommandRunning(TForm1& form)
        : controls_{form.btnUpdateButton, form.btnUploadBin, form.btnDownload,
                    form.nrDeviceBoxSerPort} {
        for (TControl* control : controls_)
            control->SetEnabled(false);
    }
    ~TCommandRunning() {
        for (TControl* control : controls_)
            control->SetEnabled(true);
    }

private:
    TControl* controls_[4];
};

TForm1::TForm1(TComponent* AOwner) : TForm(AOwner) {
    ReadComponentRes(MAIN_FORM_RESOURCE, this);
}

void TForm1::btnUpdateButtonClick(TObject*) {
    TCommandRunning running(*this);
    std::optional<AnsiString> firmware = Choose(OpenUpdateFile, ProgramFolder());
    if (!firmware)
        return;
    LaunchUpdater(*firmware, reRore1->GetComPortNo());
}

void TForm1::btnUploadBinClick(TObject*) {
    TCommandRunning running(*this);
    TDisplayPair display(ProgressBar1, Label2);
    TSettingsTransfer(*reRore1, display).Upload([this](const AnsiString& folder) {
        return Choose(OpenBinFileDialog, folder);
    });
}

void TForm1::nrDeviceBoxSerPortClick(TObject*) {}

void TForm1::btnDownloadClick(TObject*) {
    TCommandRunning running(*this);
    TDisplayPair display(ProgressBar2, Label3);
    TSettingsTransfer(*reRore1, display).Download([this](const AnsiString& folder) {
        SaveBinDialog1->SetTitle("Save BIN File");
        return Choose(SaveBinDialog1, folder);
    });
}
