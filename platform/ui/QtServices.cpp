// Message boxes, the beep and file dialogs through Qt.
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include <cstdio>

#include "platform/classes/MessageLoop.h"
#include "platform/ui/DialogService.h"
#include "platform/ui/ModalScope.h"
#include "platform/ui/UserInterface.h"
#include "platform/ui/WidgetBridge.h"

namespace {
QWidget* OwnerWidget(HWND owner) {
    QWidget* widget = WidgetOf(FindControl(owner));
    return widget ? widget->window() : nullptr;
}

QMessageBox::Icon BoxIcon(UINT flags) {
    switch (flags & MB_ICONMASK) {
    case MB_ICONHAND:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
        return QMessageBox::Warning;
    case MB_ICONASTERISK:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

struct ButtonText {
    int Id;
    const char* Text;
    QMessageBox::ButtonRole Role;
};

const ButtonText& ButtonFor(int id) {
    static const ButtonText buttons[] = {
        {IDOK, "OK", QMessageBox::AcceptRole},
        {IDCANCEL, "Cancel", QMessageBox::RejectRole},
        {IDABORT, "&Abort", QMessageBox::RejectRole},
        {IDRETRY, "&Retry", QMessageBox::AcceptRole},
        {IDIGNORE, "&Ignore", QMessageBox::AcceptRole},
        {IDYES, "&Yes", QMessageBox::YesRole},
        {IDNO, "&No", QMessageBox::NoRole},
        {IDTRYAGAIN, "&Try Again", QMessageBox::AcceptRole},
        {IDCONTINUE, "&Continue", QMessageBox::AcceptRole},
    };
    for (const ButtonText& button : buttons)
        if (button.Id == id)
            return button;
    return buttons[0];
}

int ShowMessageBox(HWND owner, const AnsiString& text, const AnsiString& caption, UINT flags) {
    QMessageBox box(BoxIcon(flags), ToQString(caption), ToQString(text), QMessageBox::NoButton,
                    OwnerWidget(owner));
    if (flags & (MB_TOPMOST | MB_SYSTEMMODAL))
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    std::vector<std::pair<QAbstractButton*, int>> ids;
    std::vector<int> buttons = MessageBoxButtons(flags);
    int defaultId = DefaultMessageBoxAnswer(flags);
    QAbstractButton* escape = nullptr;
    for (int id : buttons) {
        const ButtonText& text = ButtonFor(id);
        QPushButton* button = box.addButton(QString::fromLatin1(text.Text), text.Role);
        ids.emplace_back(button, id);
        if (id == defaultId)
            box.setDefaultButton(button);
        // Escape answers Cancel, or OK in a box that has only OK.
        if (id == IDCANCEL || (buttons.size() == 1 && id == IDOK))
            escape = button;
    }
    if (escape)
        box.setEscapeButton(escape);
    {
        TModalScope modal;
        box.exec();
    }
    QAbstractButton* clicked = box.clickedButton();
    if (!clicked)
        clicked = escape;
    for (auto& [button, id] : ids)
        if (clicked == button)
            return id;
    return defaultId;
}

QString QtFilter(const AnsiString& filter) {
    QStringList entries;
    for (auto& [description, masks] : SplitDialogFilter(filter)) {
        QString patterns = ToQString(masks).split(';', Qt::SkipEmptyParts).join(' ');
        entries << QString("%1 (%2)").arg(ToQString(description), patterns);
    }
    return entries.join(";;");
}

AnsiString NativeName(const QString& name) {
    QByteArray bytes = QFile::encodeName(name);
    return AnsiString(bytes.constData(), static_cast<size_t>(bytes.size()));
}

class QtDialogService : public TDialogService {
public:
    std::vector<AnsiString> ExecuteFileDialog(const TFileDialogRequest& request) override {
        bool save = request.Kind == TFileDialogKind::Save;
        QFileDialog dialog(OwnerWidget(request.Owner), ToQString(request.Title),
                           QFile::decodeName(request.InitialDir.c_str()));
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        const TOpenOptions& options = request.Options;
        if (save)
            dialog.setFileMode(QFileDialog::AnyFile);
        else if (options.Contains(ofAllowMultiSelect))
            dialog.setFileMode(QFileDialog::ExistingFiles);
        else if (options.Contains(ofFileMustExist))
            dialog.setFileMode(QFileDialog::ExistingFile);
        else
            dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.Contains(ofOverwritePrompt));
        dialog.setOption(QFileDialog::DontResolveSymlinks, options.Contains(ofNoDereferenceLinks));
        if (!options.Contains(ofEnableSizing))
            dialog.setSizeGripEnabled(false);
        QString filter = QtFilter(request.Filter);
        if (!filter.isEmpty()) {
            dialog.setNameFilter(filter);
            QStringList filters = dialog.nameFilters();
            int index = request.FilterIndex - 1;
            if (index >= 0 && index < filters.size())
                dialog.selectNameFilter(filters[index]);
        }
        AnsiString extension = request.DefaultExt;
        if (!extension.empty() && extension.front() == '.')
            extension.erase(0, 1);
        dialog.setDefaultSuffix(ToQString(extension));
        if (!request.FileName.empty())
            dialog.selectFile(QFile::decodeName(request.FileName.c_str()));
        int result;
        {
            TModalScope modal;
            result = dialog.exec();
        }
        std::vector<AnsiString> chosen;
        if (result == QDialog::Accepted)
            for (const QString& name : dialog.selectedFiles())
                chosen.push_back(NativeName(name));
        return chosen;
    }
};

QtDialogService qtDialogs;
} // namespace

void InstallQtDialogService() {
    if (TDialogService* previous = SetDialogService(&qtDialogs))
        SetDialogService(previous);
}

int QtUserServices::MessageBox(HWND owner, const AnsiString& text, const AnsiString& caption,
                               UINT flags) {
    if (TMessageLoop::IsMainThread())
        return ShowMessageBox(owner, text, caption, flags);
    // Widgets live on the main thread only.
    int answer = IDCANCEL;
    TMessageLoop::Main().Synchronize([&] { answer = ShowMessageBox(owner, text, caption, flags); });
    return answer;
}

BOOL QtUserServices::MessageBeep(UINT) {
    QApplication::beep();
    return TRUE;
}

HWND QtUserServices::GetForegroundWindow() {
    QWidget* active = QApplication::activeWindow();
    if (!active)
        return nullptr;
    auto* window = dynamic_cast<TWinControl*>(ControlOfWidget(active));
    return window ? window->GetHandle() : nullptr;
}

void QtUserServices::OutputDebugString(const AnsiString& text) {
    std::fputs(text.c_str(), stderr);
    if (text.empty() || text.back() != '\n')
        std::fputc('\n', stderr);
}
