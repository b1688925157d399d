// The pointer list.
#include "platform/rtl/Lists.h"

#include <algorithm>

void TList::CheckIndex(int index, int limit) const {
    if (index < 0 || index >= limit)
        throw EListError::IndexOutOfBounds(index);
}

int TList::Add(void* item) {
    items_.push_back(item);
    return Count() - 1;
}

void TList::Insert(int index, void* item) {
    CheckIndex(index, Count() + 1);
    items_.insert(items_.begin() + index, item);
}

void TList::Delete(int index) {
    CheckIndex(index, Count());
    items_.erase(items_.begin() + index);
}

int TList::Remove(void* item) {
    const int index = IndexOf(item);
    if (index >= 0)
        Delete(index);
    return index;
}

void* TList::Extract(void* item) {
    return Remove(item) >= 0 ? item : nullptr;
}

int TList::IndexOf(void* item) const {
    const auto found = std::find(items_.begin(), items_.end(), item);
    return found == items_.end() ? -1 : static_cast<int>(found - items_.begin());
}

void* TList::Get(int index) const {
    CheckIndex(index, Count());
    return items_[static_cast<size_t>(index)];
}

void TList::Put(int index, void* item) {
    CheckIndex(index, Count());
    items_[static_cast<size_t>(index)] = item;
}

void TList::Exchange(int index1, int index2) {
    CheckIndex(index1, Count());
    CheckIndex(index2, Count());
    std::swap(items_[static_cast<size_t>(index1)], items_[static_cast<size_t>(index2)]);
}

void TList::Move(int currentIndex, int newIndex) {
    if (currentIndex == newIndex)
        return;
    CheckIndex(currentIndex, Count());
    CheckIndex(newIndex, Count());
    void* item = items_[static_cast<size_t>(currentIndex)];
    items_.erase(items_.begin() + currentIndex);
    items_.insert(items_.begin() + newIndex, item);
}

void TList::Sort(TListSortCompare compare) {
    std::stable_sort(items_.begin(), items_.end(),
                     [compare](void* a, void* b) { return compare(a, b) < 0; });
}
