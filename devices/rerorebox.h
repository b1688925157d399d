#pragma once
// The device chooser: a drop-down list of a communication component's devices that selects
// the chosen one on the component, and follows the component's announcements (code 3) of a
// changed device list or selection.
#include <cstdint>

#include "comm/BaseIO.h"
#include "platform/classes/WindowProc.h"
#include "platform/ui/ControlExtras.h"
#include "platform/ui/StdCtrls.h"

class TnrDeviceBox : public TCustomComboBox {
    VOKA_CLASS(TnrDeviceBox, TCustomComboBox)
public:
    // A drop-down list: the user picks an item and cannot type.
    explicit TnrDeviceBox(TComponent* AOwner);
    // Leaves the bound component's notification list, so no notice reaches a dead box.
    ~TnrDeviceBox() override;

    // Published as reRore. Refills the items from Value's device list, selects Value's
    // current device and subscribes to its notices; an empty Value unbinds.
    void SetComm(TnrBaseIO* Value);
    TnrBaseIO* GetComm() const { return FComm; }
    // Published as ResetOnChanged: stored and read back, with no behaviour of its own.
    bool GetReset() const { return FReset; }
    void SetReset(bool Value) { FReset = Value; }

    // Binds again to the bound component: refills and reselects.
    void Reload();
    // Subscribed in the bound component's notification list; code 3 reloads.
    void HandleNotify(TObject* Sender, int32_t Code);
    // The user picked an item: selects the device of its record on the bound component,
    // then OnChange. Unbound, nothing happens at all.
    void Change() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // Hands a device-change broadcast to the bound component (ignored when unbound).
    virtual void WMDeviceChange(TMessage& Message);
    // The device-change broadcast its window hands on goes to WMDeviceChange.
    void Dispatch(TMessage& Message) override;

    // The published control properties and events beyond the combo box's (ControlExtras.h).
    TControlExtras& Extras() { return FExtras; }

private:
    // Selects the item carrying comm's device at deviceIndex (none when it is not listed).
    void SelectDevice(TnrBaseIO& comm, int32_t deviceIndex);
    TnrNotifyEvent Handler() { return TnrNotifyEvent::Bind<&TnrDeviceBox::HandleNotify>(this); }

    TnrBaseIO* FComm = nullptr;
    bool FReset = false;
    TControlExtras FExtras;
};
