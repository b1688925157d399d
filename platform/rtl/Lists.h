#pragma once
// A list of untyped pointers.
#include <vector>

#include "platform/rtl/Object.h"

// Negative when a sorts before b, 0 when equal, positive after.
using TListSortCompare = int (*)(void* a, void* b);

class TList : public TObject {
public:
    int Add(void* item);                // returns the new index
    void Insert(int index, void* item); // 0..Count
    void Delete(int index);
    int Remove(void* item);        // removes the first occurrence; its former index or -1
    void* Extract(void* item);     // Remove returning the item (nullptr when absent)
    int IndexOf(void* item) const; // -1 when absent
    void* Get(int index) const;
    void Put(int index, void* item);
    void* Items(int index) const { return Get(index); }
    void* First() const { return Get(0); }
    void* Last() const { return Get(Count() - 1); }
    int Count() const { return static_cast<int>(items_.size()); }
    void Clear() { items_.clear(); }
    void Exchange(int index1, int index2);
    void Move(int currentIndex, int newIndex);
    // Stable: equal items keep their order.
    void Sort(TListSortCompare compare);

    AnsiString ClassName() const override { return "TList"; }

private:
    void CheckIndex(int index, int limit) const; // raises EListError when outside 0..limit-1
    std::vector<void*> items_;
};
