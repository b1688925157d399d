#include "devices/rerorebox.h"

#include "platform/classes/Publisher.h"

VOKA_PUBLISH(TnrDeviceBox, p) {
    p.Component("reRore", &TnrDeviceBox::GetComm, &TnrDeviceBox::SetComm);
    p.Bool("ResetOnChanged", &TnrDeviceBox::GetReset, &TnrDeviceBox::SetReset);
    PublishControlExtras(p);
}

TnrDeviceBox::TnrDeviceBox(TComponent* AOwner) : TCustomComboBox(AOwner) {
    SetStyle(csDropDownList);
    FeedControlExtras(*this, FExtras);
}

TnrDeviceBox::~TnrDeviceBox() {
    StopControlExtras(*this); // the widget outlives the extras
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
        SelectDevice(*Value, Value->GetDeviceIndex());
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

// Items are found by their records, not their positions: with Sorted set the two differ.
void TnrDeviceBox::SelectDevice(TnrBaseIO& comm, int32_t deviceIndex) {
    const bool listed = deviceIndex >= 0 && deviceIndex < comm.GetDeviceCount();
    SetItemIndex(listed ? GetItems()->IndexOfObject(comm.GetDevice(deviceIndex)) : -1);
}

void TnrDeviceBox::Change() {
    if (!FComm)
        return;
    const int item = GetItemIndex();
    const auto* device =
        item >= 0 ? dynamic_cast<const TnrDevice*>(GetItems()->Objects(item)) : nullptr;
    FComm->SetDeviceIndex(device ? FComm->IndexOfDevice(device) : -1);
    inherited::Change();
}

void TnrDeviceBox::Notification(TComponent* AComponent, TOperation Operation) {
    inherited::Notification(AComponent, Operation);
    if (Operation != opRemove || !AComponent || AComponent != FComm)
        return;
    // A component still whole (taken from its owner, or about to be destroyed by it) loses
    // this subscriber; one already down to its component part has no list left to touch.
    if (dynamic_cast<TnrBaseIO*>(AComponent)) {
        FComm->NotifyDelete(Handler());
        FComm->RemoveFreeNotification(this);
    }
    FComm = nullptr;
    SetItemIndex(-1);
    // The texts stay; the records they carried went with the component.
    TStrings* items = GetItems();
    for (int i = 0; i < items->Count(); ++i)
        items->PutObject(i, nullptr);
}

void TnrDeviceBox::Dispatch(TMessage& Message) {
    if (Message.Msg == WM_DEVICECHANGE)
        WMDeviceChange(Message);
    else
        inherited::Dispatch(Message);
}

void TnrDeviceBox::WMDeviceChange(TMessage& Message) {
    if (FComm)
        FComm->WMDeviceChange(Message);
}
