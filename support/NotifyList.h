#pragma once
// The listeners of a component: bound methods called with (Sender, Code), in the order
// they subscribed. Codes announced by the I/O components: 1 port closed, 2 port opened,
// 3 device list or selection changed.
#include <cstdint>

#include "platform/rtl/Events.h"
#include "platform/rtl/Lists.h"

using TnrNotifyEvent = TEvent<TObject*, int32_t>;

constexpr int32_t NOTIFY_CLOSED = 1;
constexpr int32_t NOTIFY_OPENED = 2;
constexpr int32_t NOTIFY_DEVICES_CHANGED = 3;

// Each position holds the list's own heap copy of one reference; the list frees it.
class TnrNotifyList : public TList {
public:
    ~TnrNotifyList() override;

    // Appends a copy and returns its position; duplicates are allowed.
    int32_t Add(const TnrNotifyEvent& Event);
    void Delete(int32_t Index);
    void Clear();
    TnrNotifyEvent Get(int32_t Index) const;
    void Put(int32_t Index, const TnrNotifyEvent& Event);
    // First position whose object and operation both equal Event's; -1 when none.
    int32_t IndexOf(const TnrNotifyEvent& Event) const;
    // Calls the listeners present when the call starts, in order. An exception from a
    // listener skips the rest and reaches the caller.
    void Call(TObject* Sender, int32_t Code) const;

    AnsiString ClassName() const override { return "TnrNotifyList"; }

private:
    TnrNotifyEvent& Entry(int32_t Index) const;
};
