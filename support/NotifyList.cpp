#include "support/NotifyList.h"

#include <memory>

TnrNotifyList::~TnrNotifyList() {
    Clear();
}

TnrNotifyEvent& TnrNotifyList::Entry(int32_t Index) const {
    return *static_cast<TnrNotifyEvent*>(TList::Get(Index)); // raises the list index error
}

int32_t TnrNotifyList::Add(const TnrNotifyEvent& Event) {
    auto copy = std::make_unique<TnrNotifyEvent>(Event);
    int32_t index = TList::Add(copy.get());
    copy.release();
    return index;
}

void TnrNotifyList::Delete(int32_t Index) {
    TnrNotifyEvent* copy = &Entry(Index);
    TList::Delete(Index);
    delete copy;
}

void TnrNotifyList::Clear() {
    for (int32_t n = Count(); n > 0; --n)
        Delete(0);
    TList::Clear();
}

TnrNotifyEvent TnrNotifyList::Get(int32_t Index) const {
    return Entry(Index);
}

void TnrNotifyList::Put(int32_t Index, const TnrNotifyEvent& Event) {
    Entry(Index) = Event;
}

int32_t TnrNotifyList::IndexOf(const TnrNotifyEvent& Event) const {
    for (int32_t i = 0; i < Count(); ++i)
        if (Entry(i) == Event)
            return i;
    return -1;
}

void TnrNotifyList::Call(TObject* Sender, int32_t Code) const {
    const int32_t n = Count();
    for (int32_t i = 0; i < n; ++i) {
        TnrNotifyEvent listener = Get(i); // a copy: the listener may change the list
        listener(Sender, Code);
    }
}
