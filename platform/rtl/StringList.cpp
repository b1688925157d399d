// The string list with its own storage, sorting and change events.
#include "platform/rtl/StringList.h"

#include <algorithm>
#include <numeric>

AnsiString TStringList::Get(int index) const {
    CheckIndex(index, GetCount());
    return items_[static_cast<size_t>(index)].text;
}

TObject* TStringList::GetObject(int index) const {
    CheckIndex(index, GetCount());
    return items_[static_cast<size_t>(index)].object;
}

void TStringList::CheckNotSorted() const {
    if (sorted_)
        throw EStringListError("Operation not allowed on sorted string list");
}

void TStringList::Insert(int index, const AnsiString& text) {
    InsertObject(index, text, nullptr);
}

void TStringList::InsertObject(int index, const AnsiString& text, TObject* object) {
    CheckNotSorted();
    CheckIndex(index, GetCount() + 1);
    InsertEntry(index, text, object);
}

void TStringList::InsertEntry(int index, const AnsiString& text, TObject* object) {
    Changing();
    items_.insert(items_.begin() + index, Entry{text, object});
    Changed();
}

int TStringList::AddObject(const AnsiString& text, TObject* object) {
    int index = GetCount();
    if (sorted_ && Find(text, index)) {
        switch (duplicates_) {
        case dupIgnore:
            return index;
        case dupError:
            throw EStringListError("String list does not allow duplicates");
        case dupAccept:
            break;
        }
    }
    InsertEntry(index, text, object);
    return index;
}

void TStringList::Delete(int index) {
    CheckIndex(index, GetCount());
    Changing();
    items_.erase(items_.begin() + index);
    Changed();
}

void TStringList::Clear() {
    if (items_.empty())
        return;
    Changing();
    items_.clear();
    Changed();
}

void TStringList::Put(int index, const AnsiString& text) {
    CheckNotSorted();
    CheckIndex(index, GetCount());
    Changing();
    items_[static_cast<size_t>(index)].text = text;
    Changed();
}

void TStringList::PutObject(int index, TObject* object) {
    CheckIndex(index, GetCount());
    Changing();
    items_[static_cast<size_t>(index)].object = object;
    Changed();
}

void TStringList::Exchange(int index1, int index2) {
    CheckIndex(index1, GetCount());
    CheckIndex(index2, GetCount());
    Changing();
    std::swap(items_[static_cast<size_t>(index1)], items_[static_cast<size_t>(index2)]);
    Changed();
}

int TStringList::IndexOf(const AnsiString& text) const {
    if (!sorted_)
        return TStrings::IndexOf(text);
    int index;
    return Find(text, index) ? index : -1;
}

bool TStringList::Find(const AnsiString& text, int& index) const {
    if (!sorted_) {
        index = TStrings::IndexOf(text);
        if (index >= 0)
            return true;
        index = GetCount();
        return false;
    }
    // The first of equal entries, so an accepted duplicate goes before its equals.
    int low = 0;
    int high = GetCount() - 1;
    bool found = false;
    while (low <= high) {
        const int middle = low + (high - low) / 2;
        const int order = CompareStrings(items_[static_cast<size_t>(middle)].text, text);
        if (order < 0) {
            low = middle + 1;
        } else {
            high = middle - 1;
            found = found || order == 0;
        }
    }
    index = low;
    return found;
}

void TStringList::Sort() {
    Reorder([this](int a, int b) {
        return CompareStrings(items_[static_cast<size_t>(a)].text,
                              items_[static_cast<size_t>(b)].text) < 0;
    });
}

void TStringList::CustomSort(TStringListSortCompare compare) {
    Reorder([this, compare](int a, int b) { return compare(this, a, b) < 0; });
}

void TStringList::Reorder(const std::function<bool(int, int)>& before) {
    if (sorted_ || items_.size() < 2)
        return;
    Changing();
    // Order indices against the unchanged list, then rearrange once.
    std::vector<int> order(items_.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), before);
    std::vector<Entry> sorted;
    sorted.reserve(items_.size());
    for (const int index : order)
        sorted.push_back(std::move(items_[static_cast<size_t>(index)]));
    items_ = std::move(sorted);
    Changed();
}

void TStringList::SetSorted(bool sorted) {
    if (sorted == sorted_)
        return;
    if (sorted)
        Sort();
    sorted_ = sorted;
}

void TStringList::SetCaseSensitive(bool caseSensitive) {
    if (caseSensitive == caseSensitive_)
        return;
    caseSensitive_ = caseSensitive;
    if (sorted_) {
        sorted_ = false;
        Sort();
        sorted_ = true;
    }
}

void TStringList::SetUpdateState(bool updating) {
    if (updating)
        Changing();
    else
        Changed();
}

int TStringList::CompareStrings(const AnsiString& a, const AnsiString& b) const {
    return caseSensitive_ ? AnsiCompareStr(a, b) : AnsiCompareText(a, b);
}

void TStringList::Changing() {
    if (UpdateCount() == 0 && OnChanging)
        OnChanging(this);
}

void TStringList::Changed() {
    if (UpdateCount() == 0 && OnChange)
        OnChange(this);
}
