#pragma once
// The main window: a banner, the title, the port chooser and the three commands
// ("Update", "UpLoad BIN", "DownLoad BIN"), each with its progress bar and status label.
// Everything on it comes from its stored description (the resource "TFORM1").
#include "comm/reRore.h"
#include "devices/rerorebox.h"
#include "filestorage/FileStorage.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

class TForm1 : public TForm {
    VOKA_CLASS(TForm1, TForm)
public:
    explicit TForm1(TComponent* AOwner);

    TLabel* Label1 = nullptr;
    TButton* btnUpdateButton = nullptr;
    TButton* btnUploadBin = nullptr;
    TnrDeviceBox* nrDeviceBoxSerPort = nullptr;
    TLabel* Label2 = nullptr;
    TLabel* Label3 = nullptr;
    TOpenDialog* OpenUpdateFile = nullptr;
    TSaveDialog* SaveBinDialog1 = nullptr;
    TOpenDialog* OpenBinFileDialog = nullptr;
    TFileStorage* FileStorage1 = nullptr;
    TImage* BannerPicture = nullptr;
    TreRore* reRore1 = nullptr;
    TButton* btnDownload = nullptr;
    TProgressBar* ProgressBar1 = nullptr;
    TProgressBar* ProgressBar2 = nullptr;

    void btnUpdateButtonClick(TObject* Sender);
    void btnUploadBinClick(TObject* Sender);
    void nrDeviceBoxSerPortClick(TObject* Sender);
    void btnDownloadClick(TObject* Sender);

private:
    class TCommandRunning;
};

extern TForm1* Form1;
