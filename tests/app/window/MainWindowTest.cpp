// The main window as the program builds it, offscreen: its start-up state, the stored
// files it writes, and its three commands with dialogs, boxes and the launcher captured.
#include "app/window/Unit1.h"

#include "app/UpdateLaunch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

#include "platform/classes/Application.h"
#include "platform/rtl/FolderProfile.h"
#include "platform/ui/DialogService.h"
#include "platform/ui/UserInterface.h"
#include "platform/win32/Process.h"
#include "tests/app/CapturedLauncher.h"
#include "tests/app/CapturedUser.h"
#include "tests/app/SimulatedUnit.h"
#include "tests/support/TempDir.h"

namespace {
// The program runs from a temporary folder, so the stored files land there.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureUserInterface();
        profile = LinuxFolderProfile();
        profile.ExecutableName = dir / "voka";
        SetFolderProfile(&profile);
        application = std::make_unique<TApplication>();
        Application->SetTitle("VOKA");
    }
    void TearDown() override {
        application.reset();
        SetFolderProfile(nullptr);
    }
    TForm1& CreateWindow() {
        Application->CreateForm(Form1);
        return *Form1;
    }

    TempDir dir;
    TFolderProfile profile;
    CapturedUser user;
    TScriptedDialogService dialogs;
    std::unique_ptr<TApplication> application;
};

struct Geometry {
    int left, top, width, height;
    bool operator==(const Geometry&) const = default;
};
Geometry Of(const TControl* c) {
    return {c->GetLeft(), c->GetTop(), c->GetWidth(), c->GetHeight()};
}
} // namespace

TEST_F(MainWindowTest, StartsWithItsDesignedLayoutAndNothingRunning) {
    auto port1 = VirtualPortRemote::Create("COM1");
    TForm1& form = CreateWindow();

    EXPECT_EQ(form.GetCaption(), "VOKA Lumivox ");
    EXPECT_EQ(form.GetClientWidth(), 289);
    EXPECT_EQ(form.GetClientHeight(), 341);
    EXPECT_EQ(form.GetLeft(), 543);
    EXPECT_EQ(form.GetTop(), 192);
    EXPECT_EQ(form.GetBorderStyle(), bsSingle);
    EXPECT_EQ(form.GetBorderIcons(), TBorderIcons{biSystemMenu});

    EXPECT_EQ(Of(form.BannerPicture), (Geometry{16, 8, 257, 153}));
    EXPECT_EQ(Of(form.Label1), (Geometry{24, 176, 238, 16}));
    EXPECT_EQ(form.Label1->GetCaption(), "Lumivox Configuration Utility");
    struct Button {
        TButton* button;
        Geometry at;
        const char* caption;
        const char* hint;
        int tab;
    } buttons[] = {
        {form.btnUpdateButton,
         {40, 208, 89, 25},
         "Update",
         "Reflash the unit with new software",
         0},
        {form.btnUploadBin, {40, 248, 89, 25}, "UpLoad BIN", "Send new settings to the unit", 1},
        {form.btnDownload,
         {40, 288, 89, 25},
         "DownLoad BIN",
         "Extract the settings from the unit and save to disk",
         2},
    };
    for (const Button& b : buttons) {
        EXPECT_EQ(Of(b.button), b.at) << b.caption;
        EXPECT_EQ(b.button->GetCaption(), b.caption);
        EXPECT_EQ(b.button->GetHint(), b.hint);
        EXPECT_TRUE(b.button->ShowsHint()) << b.caption;
        EXPECT_EQ(b.button->GetTabOrder(), b.tab);
    }
    EXPECT_EQ(Of(form.nrDeviceBoxSerPort), (Geometry{152, 208, 97, 21}));
    EXPECT_EQ(form.nrDeviceBoxSerPort->GetTabOrder(), 3);
    EXPECT_EQ(form.nrDeviceBoxSerPort->GetHint(), "Choose a COM port for Updating ");
    EXPECT_FALSE(form.nrDeviceBoxSerPort->ShowsHint());
    EXPECT_EQ(form.nrDeviceBoxSerPort->GetItemIndex(),
              form.nrDeviceBoxSerPort->GetItems()->IndexOf("COM1"));
    EXPECT_GE(form.nrDeviceBoxSerPort->GetItemIndex(), 0);

    for (TProgressBar* bar : {form.ProgressBar1, form.ProgressBar2}) {
        EXPECT_FALSE(bar->GetVisible());
        EXPECT_EQ(bar->GetPosition(), 5);
    }
    EXPECT_EQ(form.ProgressBar1->GetTabOrder(), 4);
    EXPECT_EQ(form.ProgressBar2->GetTabOrder(), 5);
    EXPECT_FALSE(form.Label2->GetVisible());
    EXPECT_FALSE(form.Label3->GetVisible());
    EXPECT_FALSE(form.reRore1->GetActive());
    EXPECT_EQ(form.reRore1->GetBaudRate(), 19200u);
    EXPECT_EQ(form.reRore1->GetStreamProtocol(), spNone);
    EXPECT_EQ(form.reRore1->GetComPortNo(), 1);
}

TEST_F(MainWindowTest, WritesTheStoredFilesAtEveryStart) {
    CreateWindow();
    const std::string updater = dir / "update.exe";
    const std::string firmware = dir / "KZRA503.s19";
    ASSERT_TRUE(std::filesystem::exists(updater));
    EXPECT_EQ(ReadFileBytes(firmware),
              ReadFileBytes(std::string(getenv("VOKA_BIN")) + "/KZRA503.s19"));
    EXPECT_EQ(ReadFileBytes(updater).substr(0, 4), "\x7f"
                                                   "ELF");
    struct stat info {};
    ASSERT_EQ(stat(updater.c_str(), &info), 0);
    EXPECT_TRUE(info.st_mode & S_IXUSR);

    application.reset(); // the files stay after the program ends
    EXPECT_TRUE(std::filesystem::exists(firmware));
    WriteFileBytes(firmware, "stale");
    application = std::make_unique<TApplication>();
    CreateWindow();
    EXPECT_EQ(ReadFileBytes(firmware),
              ReadFileBytes(std::string(getenv("VOKA_BIN")) + "/KZRA503.s19"));
}

TEST_F(MainWindowTest, UpdateStartsTheUpdaterBesideTheChosenFirmware) {
    CapturedLauncher launcher;
    TForm1& form = CreateWindow();
    dialogs.Answer(dir / "kzra500.s19");
    form.btnUpdateButton->Click();

    ASSERT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_EQ(dialogs.Requests()[0].InitialDir, dir.Path().string() + "/");
    EXPECT_EQ(dialogs.Requests()[0].Filter, "Update Files|*.s19");
    EXPECT_EQ(dialogs.Requests()[0].FileName, "kzra500.s19");
    ASSERT_EQ(launcher.requests.size(), 1u);
    EXPECT_EQ(launcher.requests[0].program, dir / "update.exe"); // "Update.exe" found
    EXPECT_EQ(launcher.requests[0].arguments, (std::vector<AnsiString>{"COM1", "kzra500.s19"}));
    EXPECT_EQ(launcher.folders[0], dir.Path()); // where the bare name is found
    EXPECT_EQ(UpdateCommandLine(dir / "kzra500.s19", 12), dir / "Update.exe COM12 kzra500.s19");

    TempDir elsewhere; // no updater there: the launch fails with the box
    form.reRore1->SetComPortNo(12);
    dialogs.Answer(elsewhere / "new.s19");
    form.btnUpdateButton->Click();
    EXPECT_EQ(launcher.requests.size(), 1u);
    ASSERT_EQ(user.boxes.size(), 1u);
    EXPECT_EQ(user.boxes[0].text, "Could not find Update program");
    EXPECT_EQ(user.boxes[0].caption, "Reflash Error");
    EXPECT_EQ(user.boxes[0].flags, MB_OK);

    dialogs.Cancel();
    form.btnUpdateButton->Click();
    EXPECT_EQ(user.boxes.size(), 1u);
}

TEST_F(MainWindowTest, DownloadSavesThroughTheSaveDialogAndClosesThePort) {
    SimulatedUnit unit("COM1");
    TForm1& form = CreateWindow();
    dialogs.Answer(dir / "unit.BIN");
    form.btnDownload->Click();

    ASSERT_EQ(dialogs.Requests().size(), 1u);
    const TFileDialogRequest& asked = dialogs.Requests()[0];
    EXPECT_EQ(asked.Kind, TFileDialogKind::Save);
    EXPECT_EQ(asked.Title, "Save BIN File");
    EXPECT_EQ(asked.Filter, "BIN files|*.BIN");
    EXPECT_EQ(asked.DefaultExt, ".BIN");
    EXPECT_EQ(asked.FileName, "Download");
    auto image = unit.Contents();
    EXPECT_EQ(ReadFileBytes(dir / "unit.BIN"), std::string(image.begin(), image.end()));
    EXPECT_FALSE(form.ProgressBar2->GetVisible());
    EXPECT_FALSE(form.Label3->GetVisible());
    EXPECT_FALSE(form.reRore1->GetActive());
    EXPECT_TRUE(form.btnDownload->GetEnabled());
}

TEST_F(MainWindowTest, PickingAPortMovesEveryCommandToIt) {
    auto port1 = VirtualPortRemote::Create("COM1");
    SimulatedUnit unit("COM4");
    TForm1& form = CreateWindow();
    int item = form.nrDeviceBoxSerPort->GetItems()->IndexOf("COM4");
    ASSERT_GE(item, 0);
    form.nrDeviceBoxSerPort->SetItemIndex(item);
    form.nrDeviceBoxSerPort->Change(); // as a pick by the user
    EXPECT_EQ(form.reRore1->GetComPortNo(), 4);

    form.btnDownload->Click(); // the save dialog is cancelled: nothing saved
    EXPECT_EQ(unit.Received().substr(0, 2), "VV");
    EXPECT_FALSE(form.Label3->GetVisible());
}

TEST_F(MainWindowTest, APortThatCannotOpenIsShownByTheErrorDisplay) {
    TForm1& form = CreateWindow();
    form.reRore1->SetComPortNo(9);
    form.btnDownload->Press(); // as the user clicks: the error reaches the display
    ASSERT_EQ(user.boxes.size(), 1u);
    EXPECT_EQ(user.boxes[0].caption, "VOKA");
    EXPECT_EQ(user.boxes[0].text.rfind("Device \"COM9\" Open Error !!!\r", 0), 0u);
    EXPECT_EQ(user.boxes[0].flags & MB_ICONSTOP, MB_ICONSTOP);
    EXPECT_FALSE(form.Label3->GetVisible());
    EXPECT_TRUE(form.btnDownload->GetEnabled());
}
