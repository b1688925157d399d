#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QTimer>

#include <gmock/gmock.h>

#include "platform/ui/DialogService.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/WidgetBridge.h"
#include "tests/platform/ui/UiTestSupport.h"
#include "tests/support/TempDir.h"

namespace {
TEST(FileDialog, ScriptedServiceRecordsWhatWasAskedAndAnswers) {
    TScriptedDialogService dialogs;
    dialogs.Answer("/tmp/settings");
    TSaveDialog save(nullptr);
    save.SetDefaultExt(".BIN");
    save.SetFileName("Download");
    save.SetFilter("BIN files|*.BIN");
    save.SetTitle("Save BIN File");
    save.SetInitialDir("/srv/data");
    save.SetOptions({ofOverwritePrompt, ofHideReadOnly, ofEnableSizing});

    ASSERT_TRUE(save.Execute());
    // A name typed without extension gets the default one.
    EXPECT_EQ(save.GetFileName(), "/tmp/settings.BIN");
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    const TFileDialogRequest& asked = dialogs.Requests()[0];
    EXPECT_EQ(asked.Kind, TFileDialogKind::Save);
    EXPECT_EQ(asked.Title, "Save BIN File");
    EXPECT_EQ(asked.Filter, "BIN files|*.BIN");
    EXPECT_EQ(asked.InitialDir, "/srv/data");
    EXPECT_EQ(asked.FileName, "Download");
    EXPECT_EQ(asked.Options, (TOpenOptions{ofOverwritePrompt, ofHideReadOnly, ofEnableSizing}));
}

TEST(FileDialog, CancelLeavesTheFileNameAndNoAnswerLeftCancels) {
    TScriptedDialogService dialogs;
    dialogs.Cancel();
    TOpenDialog open(nullptr);
    open.SetFileName("kzra500.s19");
    EXPECT_FALSE(open.Execute());
    EXPECT_EQ(open.GetFileName(), "kzra500.s19");
    EXPECT_FALSE(open.Execute());
    EXPECT_EQ(dialogs.Requests().size(), 2u);
    EXPECT_EQ(dialogs.Requests()[0].Kind, TFileDialogKind::Open);
}

TEST(FileDialog, DefaultExtensionOnlyWhenTheNameHasNone) {
    EXPECT_EQ(ApplyDefaultExt("a/b.s19", ".BIN"), "a/b.s19");
    EXPECT_EQ(ApplyDefaultExt("dir.v2/name", "BIN"), "dir.v2/name.BIN");
    EXPECT_EQ(ApplyDefaultExt("name", ""), "name");
    EXPECT_EQ(ApplyDefaultExt("", ".BIN"), "");
}

TEST(FileDialog, FilterSplitsIntoDescriptionAndMasks) {
    auto pairs = SplitDialogFilter("Update Files|*.s19|All|*.s19;*.bin|Odd");
    ASSERT_EQ(pairs.size(), 3u);
    EXPECT_EQ(pairs[0], (std::pair<AnsiString, AnsiString>{"Update Files", "*.s19"}));
    EXPECT_EQ(pairs[1].second, "*.s19;*.bin");
    EXPECT_EQ(pairs[2], (std::pair<AnsiString, AnsiString>{"Odd", ""}));
    EXPECT_TRUE(SplitDialogFilter("").empty());
}

TEST(FileDialog, WithoutAWindowEveryDialogIsCancelled) {
    TDialogService* previous = SetDialogService(nullptr);
    TOpenDialog open(nullptr);
    EXPECT_FALSE(open.Execute());
    SetDialogService(previous);
}

TEST(QtFileDialog, AsksWithTitleFilterFolderAndModeAndReturnsTheChoice) {
    StartToolkit();
    TempDir folder;
    TOpenDialog open(nullptr);
    open.SetTitle("Select BIN file to Upload");
    open.SetFilter("Bin files|*.BIN|Any|*.*");
    open.SetInitialDir(folder.Path().string());
    open.SetOptions({ofHideReadOnly, ofFileMustExist, ofEnableSizing});
    QString title, directory;
    QStringList filters;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    QFileDialog::AcceptMode accept = QFileDialog::AcceptSave;
    QString chosen = QDir(QString::fromStdString(folder.Path().string())).filePath("new.BIN");
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        filters = dialog->nameFilters();
        directory = dialog->directory().absolutePath();
        mode = dialog->fileMode();
        accept = dialog->acceptMode();
        // Cancelled: a file that must exist does not.
        dialog->reject();
    });
    EXPECT_FALSE(open.Execute());
    EXPECT_EQ(title, QString("Select BIN file to Upload"));
    EXPECT_EQ(filters, QStringList({"Bin files (*.BIN)", "Any (*.*)"}));
    EXPECT_EQ(directory, QDir(QString::fromStdString(folder.Path().string())).absolutePath());
    EXPECT_EQ(mode, QFileDialog::ExistingFile);
    EXPECT_EQ(accept, QFileDialog::AcceptOpen);

    TSaveDialog save(nullptr);
    save.SetInitialDir(folder.Path().string());
    save.SetDefaultExt(".BIN");
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        accept = dialog->acceptMode();
        dialog->selectFile(chosen);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    ASSERT_TRUE(save.Execute());
    EXPECT_EQ(accept, QFileDialog::AcceptSave);
    EXPECT_EQ(save.GetFileName(), chosen.toStdString());
}
} // namespace
