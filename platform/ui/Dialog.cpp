#include <atomic>

#include "platform/rtl/FileUtils.h"
#include "platform/ui/DialogService.h"

namespace {
class CancellingDialogs : public TDialogService {
public:
    std::vector<AnsiString> ExecuteFileDialog(const TFileDialogRequest&) override { return {}; }
};

CancellingDialogs cancellingDialogs;
std::atomic<TDialogService*> installedDialogs{nullptr};
} // namespace

TDialogService* SetDialogService(TDialogService* service) {
    return installedDialogs.exchange(service);
}

TDialogService& CurrentDialogService() {
    TDialogService* service = installedDialogs.load();
    return service ? *service : cancellingDialogs;
}

std::vector<std::pair<AnsiString, AnsiString>> SplitDialogFilter(const AnsiString& filter) {
    std::vector<AnsiString> parts;
    size_t begin = 0;
    while (begin <= filter.size() && !filter.empty()) {
        size_t bar = filter.find('|', begin);
        if (bar == AnsiString::npos) {
            parts.push_back(filter.substr(begin));
            break;
        }
        parts.push_back(filter.substr(begin, bar - begin));
        begin = bar + 1;
    }
    std::vector<std::pair<AnsiString, AnsiString>> pairs;
    for (size_t i = 0; i < parts.size(); i += 2)
        pairs.emplace_back(parts[i], i + 1 < parts.size() ? parts[i + 1] : AnsiString());
    return pairs;
}

AnsiString ApplyDefaultExt(const AnsiString& fileName, const AnsiString& defaultExt) {
    AnsiString extension = defaultExt;
    if (!extension.empty() && extension.front() == '.')
        extension.erase(0, 1);
    if (extension.empty() || fileName.empty() || !ExtractFileExt(fileName).empty())
        return fileName;
    return fileName + "." + extension;
}

VOKA_PUBLISH(TCommonDialog, p) {}

VOKA_PUBLISH(TOpenDialog, p) {
    p.String("DefaultExt", &TOpenDialog::GetDefaultExt, &TOpenDialog::SetDefaultExt);
    p.String("FileName", &TOpenDialog::GetFileName, &TOpenDialog::SetFileName);
    p.String("Filter", &TOpenDialog::GetFilter, &TOpenDialog::SetFilter);
    p.Integer("FilterIndex", &TOpenDialog::GetFilterIndex, &TOpenDialog::SetFilterIndex).Default(1);
    p.String("InitialDir", &TOpenDialog::GetInitialDir, &TOpenDialog::SetInitialDir);
    p.Set("Options", &TOpenDialog::GetOptions, &TOpenDialog::SetOptions)
        .Default(TOpenOptions{ofHideReadOnly, ofEnableSizing});
    p.String("Title", &TOpenDialog::GetTitle, &TOpenDialog::SetTitle);
}

VOKA_PUBLISH(TSaveDialog, p) {}

TOpenDialog::TOpenDialog(TComponent* AOwner)
    : TCommonDialog(AOwner), files_(std::make_unique<TStringList>()) {}

TOpenDialog::~TOpenDialog() = default;

bool TOpenDialog::Execute() {
    TFileDialogRequest request;
    request.Kind = Kind();
    request.Title = title_;
    request.Filter = filter_;
    request.FilterIndex = filterIndex_;
    request.InitialDir = initialDir_;
    request.DefaultExt = defaultExt_;
    request.FileName = fileName_;
    request.Options = options_;
    std::vector<AnsiString> chosen = CurrentDialogService().ExecuteFileDialog(request);
    if (chosen.empty())
        return false;
    files_->Clear();
    for (const AnsiString& name : chosen)
        files_->Add(ApplyDefaultExt(name, defaultExt_));
    fileName_ = files_->Strings(0);
    return true;
}

TScriptedDialogService::TScriptedDialogService() : previous_(SetDialogService(this)) {}

TScriptedDialogService::~TScriptedDialogService() {
    SetDialogService(previous_);
}

std::vector<AnsiString>
TScriptedDialogService::ExecuteFileDialog(const TFileDialogRequest& request) {
    requests_.push_back(request);
    if (answers_.empty())
        return {};
    std::optional<AnsiString> answer = answers_.front();
    answers_.pop_front();
    if (!answer)
        return {};
    return {*answer};
}
