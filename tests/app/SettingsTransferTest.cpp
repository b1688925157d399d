#include "app/SettingsTransfer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

#include "app/MainForm.h"
#include "platform/classes/Application.h"
#include "tests/app/CapturedUser.h"
#include "tests/app/SimulatedUnit.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/TempDir.h"

namespace {
// Every step of a display pair, in order: "bar 40", "bar shown", "label 'Error'", ...
class RecordingDisplay : public TTransferDisplay {
public:
    void SetBarVisible(bool v) override { steps.push_back(v ? "bar shown" : "bar hidden"); }
    void SetBarPosition(int p) override { steps.push_back("bar " + std::to_string(p)); }
    void SetLabelVisible(bool v) override { steps.push_back(v ? "label shown" : "label hidden"); }
    void SetLabelText(const AnsiString& t) override { steps.push_back("label '" + t + "'"); }
    std::vector<std::string> steps;
};

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values)
        s += static_cast<char>(v);
    return s;
}

SettingsUnit::Image Pattern(uint8_t seed) {
    SettingsUnit::Image image;
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<uint8_t>(seed + i * 7);
    return image;
}

class SettingsTransferTest : public ::testing::Test {
protected:
    void SetUp() override {
        port = CreateSettingsPort();
        port->SetComPortNo(7);
    }
    void TearDown() override { EXPECT_FALSE(port->GetActive()) << "the port stays closed"; }

    TFileChooser File(const std::string& name) {
        return [name](const AnsiString&) { return std::optional<AnsiString>(name); };
    }
    static std::optional<AnsiString> Cancel(const AnsiString&) { return std::nullopt; }

    TempDir dir;
    CapturedUser user;
    TApplication application; // port events reach this thread, as in the program
    std::unique_ptr<TreRore> port;
    RecordingDisplay display;
};
} // namespace

TEST_F(SettingsTransferTest, DownloadReadsThreeCheckedBlocksAndSavesTheImage) {
    SimulatedUnit unit("COM7");
    unit.SetContents(Pattern(3));
    TSettingsTransfer transfer(*port, display);

    EXPECT_EQ(transfer.Download(File(dir / "unit.bin")), TTransferResult::Done);

    EXPECT_EQ(unit.Received(), "VV" + Bytes({0x52, 0, 0, 0, 0x52}) + Bytes({0x52, 0, 1, 0, 0x53}) +
                                   Bytes({0x52, 0, 2, 0, 0x54}));
    EXPECT_EQ(display.steps,
              (std::vector<std::string>{"bar hidden", "label hidden", "bar 20", "bar 40",
                                        "bar shown", "bar 60", "bar shown", "bar 80", "bar shown",
                                        "bar 100", "bar hidden", "label hidden"}));
    auto image = Pattern(3);
    EXPECT_EQ(ReadFileBytes(dir / "unit.bin"), std::string(image.begin(), image.end()));
}

TEST_F(SettingsTransferTest, DownloadWithTheSaveDialogCancelledWritesNothing) {
    SimulatedUnit unit("COM7");
    TSettingsTransfer transfer(*port, display);
    EXPECT_EQ(transfer.Download(Cancel), TTransferResult::Done);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
    EXPECT_EQ(display.steps.back(), "label hidden");
}

TEST_F(SettingsTransferTest, DownloadFailuresShowTheirTexts) {
    struct Case {
        SettingsFaults faults;
        TTransferResult result;
        std::string text;
    } cases[] = {
        {{.silent = true}, TTransferResult::NoResponse, "No Response"},
        {{.stopAfterBlock = 0}, TTransferResult::Failed, "Error"},
        {{.stopAfterBlock = 1}, TTransferResult::BadBlock, "Communication Error"},
        {{.badChecksumBlock = 1}, TTransferResult::BadBlock, "Communication Error"},
    };
    for (const Case& c : cases) {
        SimulatedUnit unit("COM7", c.faults);
        RecordingDisplay shown;
        TSettingsTransfer transfer(*port, shown);
        EXPECT_EQ(transfer.Download(File(dir / "never.bin")), c.result) << c.text;
        EXPECT_EQ(shown.steps.back(), "label shown") << c.text;
        EXPECT_EQ(shown.steps[shown.steps.size() - 2], "label '" + c.text + "'");
        EXPECT_FALSE(port->GetActive());
        EXPECT_FALSE(std::filesystem::exists(dir / "never.bin"));
    }
}

TEST_F(SettingsTransferTest, UploadSendsTheFirst768BytesInChecksummedFrames) {
    SimulatedUnit unit("COM7");
    std::string file(1000, '\0');
    for (size_t i = 0; i < file.size(); ++i)
        file[i] = static_cast<char>(i % 251);
    WriteFileBytes(dir / "settings.bin", file);
    TSettingsTransfer transfer(*port, display);

    EXPECT_EQ(transfer.Upload(File(dir / "settings.bin")), TTransferResult::Done);

    auto contents = unit.Contents();
    EXPECT_EQ(std::string(contents.begin(), contents.end()), file.substr(0, 768));
    std::string expected = "VV";
    for (int b = 0; b < 3; ++b) {
        std::string data = file.substr(256 * b, 256);
        uint8_t sum = static_cast<uint8_t>(0x57 + b);
        for (char c : data)
            sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(c));
        expected += Bytes({0x57, 0, b, 0}) + data + static_cast<char>(sum);
    }
    EXPECT_EQ(unit.Received(), expected);
    EXPECT_EQ(display.steps,
              (std::vector<std::string>{
                  "label hidden", "bar 20", "bar shown", "label hidden", "bar 20", "bar shown",
                  "label hidden", "bar 60", "bar shown", "label hidden", "bar 100", "bar shown",
                  "bar hidden", "label 'Done              '", "label shown"}));
}

TEST_F(SettingsTransferTest, AllFFImageFramesCarryTheHeaderSumAsChecksum) {
    TSettingsImage image;
    image.fill(0xFF);
    for (int b = 0; b < 3; ++b)
        EXPECT_EQ(TSettingsTransfer::WriteFrameChecksum(image, b), 0x57 + b);
    EXPECT_EQ(TSettingsTransfer::ReadRequest(1), (std::array<uint8_t, 5>{0x52, 0, 1, 0, 0x53}));
}

TEST_F(SettingsTransferTest, UploadRefusesShortOrMissingFilesWithABeepAndNoPort) {
    SimulatedUnit unit("COM7");
    WriteFileBytes(dir / "short.bin", std::string(767, 'x'));
    TSettingsTransfer transfer(*port, display);
    EXPECT_EQ(transfer.Upload(File(dir / "short.bin")), TTransferResult::FileRefused);
    EXPECT_EQ(transfer.Upload(File(dir / "missing.bin")), TTransferResult::FileRefused);
    EXPECT_EQ(transfer.Upload(Cancel), TTransferResult::Cancelled);
    EXPECT_EQ(user.beeps, 2);
    EXPECT_TRUE(display.steps.empty());
    EXPECT_EQ(unit.Received(), "");
}

TEST_F(SettingsTransferTest, UploadWithoutAcknowledgementEndsInError) {
    SimulatedUnit unit("COM7", {.noAckBlock = 1});
    WriteFileBytes(dir / "settings.bin", std::string(768, 'x'));
    TSettingsTransfer transfer(*port, display);
    EXPECT_EQ(transfer.Upload(File(dir / "settings.bin")), TTransferResult::Failed);
    EXPECT_EQ(display.steps[display.steps.size() - 2], "label 'Error'");
}

TEST_F(SettingsTransferTest, AnImageThatCannotBeSavedIsReported) {
    SimulatedUnit unit("COM7");
    TSettingsTransfer transfer(*port, display);
    EXPECT_EQ(transfer.Download(File(dir / "no/such/folder/unit.bin")),
              TTransferResult::SaveFailed);
    ASSERT_EQ(user.boxes.size(), 1u);
    EXPECT_NE(user.boxes[0].text.find("no/such/folder/unit.bin"), std::string::npos);
    EXPECT_EQ(user.boxes[0].caption, "Save BIN File");
}

TEST_F(SettingsTransferTest, ASaveThatFailsLeavesThePreviousSettingsFileWhole) {
    SimulatedUnit unit("COM7");
    const std::string previous(768, 'p'); // perhaps the only copy of another unit's settings
    WriteFileBytes(dir / "unit.bin", previous);
    std::optional<FileSizeLimit> fullDisk;
    TSettingsTransfer transfer(*port, display);
    const TTransferResult result = transfer.Download([&](const AnsiString&) {
        fullDisk.emplace(0); // the disk is full by the time the image is saved
        return std::optional<AnsiString>(dir / "unit.bin");
    });
    fullDisk.reset();
    EXPECT_EQ(result, TTransferResult::SaveFailed);
    EXPECT_EQ(ReadFileBytes(dir / "unit.bin"), previous);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator()),
              1);
    ASSERT_EQ(user.boxes.size(), 1u);
    EXPECT_NE(user.boxes[0].text.find("File too large"), std::string::npos) << user.boxes[0].text;
}

TEST_F(SettingsTransferTest, UploadReadsNoFifoOrDeviceAndNeverWaitsForOne) {
    SimulatedUnit unit("COM7");
    ASSERT_EQ(mkfifo((dir / "fifo.bin").c_str(), 0600), 0);
    TSettingsTransfer transfer(*port, display);
    EXPECT_EQ(transfer.Upload(File(dir / "fifo.bin")), TTransferResult::FileRefused);
    EXPECT_EQ(transfer.Upload(File("/dev/zero")), TTransferResult::FileRefused);
    EXPECT_EQ(user.beeps, 2);
    EXPECT_EQ(unit.Received(), "");
}

TEST_F(SettingsTransferTest, APortThatCannotOpenRaisesTheOpenError) {
    port->SetComPortNo(9); // nothing is listed as COM9
    TSettingsTransfer transfer(*port, display);
    try {
        transfer.Download(File(dir / "x.bin"));
        ADD_FAILURE() << "no error";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message.rfind("Device \"COM9\" Open Error !!!\r", 0), 0u) << error.Message;
    }
    EXPECT_EQ(display.steps, (std::vector<std::string>{"bar hidden", "label hidden"}));
}
