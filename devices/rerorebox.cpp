#include "devices/rerorebox.h"

#include "platform/classes/Publisher.h"

VOKA_PUBLISH(TnrDeviceBox, p) {
    p.Component("reRore", &TnrDeviceBox::GetComm, &TnrDeviceBox::SetComm);
    p.Bool("ResetOnChanged", &TnrDeviceBox::GetReset, &TnrDeviceBox::SetReset);
}

TnrDeviceBox::TnrDeviceBox(TComponent* AOwner) : TCustomComboBox(AOwner) {
    SetStyle(csDropDownList);
}

TnrDeviceBox::~TnrDeviceBox() {
    if (FComm) {
        FComm->NotifyDelete(Handler());
        FComm->RemoveFreeNotification(this);
        FComm = nullptr;
    }
}

void TnrDeviceBox::SetComm(TnrBaseIO* Value) {
    GetItems()->Clear();
    SetItemIndex(-1);
    if (FComm && FComm != Value) {
        FComm->NotifyDelete(Handler());
        FComm->RemoveFreeNotification(this);
    }
    TnrBaseIO* previous = FComm;
    // Unbound while the list is read: a failing component must not stay half bound.
    FComm = nullptr;
    if (!Value)
        return;
    try {
        Value->GetDeviceList(GetItems());
        SetItemIndex(Value->GetDeviceIndex());
    } catch (...) {
        // Left unbound: no subscription may outlive the binding.
        if (Value == previous) {
            Value->NotifyDelete(Handler());
            Value->RemoveFreeNotification(this);
        }
        throw;
    }
    Value->NotifyAdd(Handler());
    // One removal link per binding, however often the box reloads.
    if (Value != previous)
        Value->FreeNotification(this);
    FComm = Value;
}

void TnrDeviceBox::Reload() {
    SetComm(FComm);
}

void TnrDeviceBox::HandleNotify(TObject*, int32_t Code) {
    if (Code == NOTIFY_DEVICES_CHANGED)
        Reload();
}

void TnrDeviceBox::Change() {
    if (!FComm)
        return;
    FComm->SetDeviceIndex(GetItemIndex());
    inherited::Change();
}

void TnrDeviceBox::Notification(TComponent* AComponent, TOperation Operation) {
    inherited::Notification(AComponent, Operation);
    if (Operation != opRemove || !AComponent || AComponent != FComm)
        return;
    FComm = nullptr;
    SetItemIndex(-1);
    // The texts stay; the records they carried went with the component.
    TStrings* items = GetItems();
    for (int i = 0; i < items->Count(); ++i)
        items->PutObject(i, nullptr);
}

void TnrDeviceBox::WMDeviceChange(TMessage& Message) {
    if (FComm)
        FComm->WMDeviceChange(Message);
}
