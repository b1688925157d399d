#pragma once
// Lists of strings, each with an object pointer beside it (not owned).
#include <functional>
#include <vector>

#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"

class TStream;

// Raised by string lists: index errors ("List index out of bounds (%d)"), duplicates
// ("String list does not allow duplicates"), positional changes of a sorted list
// ("Operation not allowed on sorted string list").
class EStringListError : public EListError {
public:
    using EListError::EListError;
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

// The common behaviour of string lists; a concrete list supplies storage through the
// primitive operations (Get, GetCount, Insert, Delete, Clear, and optionally the
// object slot, Put and SetUpdateState).
class TStrings : public TObject {
public:
    // Primitives.
    virtual AnsiString Get(int index) const = 0;
    virtual int GetCount() const = 0;
    virtual void Insert(int index, const AnsiString& text) = 0;
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;
    virtual void Put(int index, const AnsiString& text); // keeps the entry's object
    virtual TObject* GetObject(int index) const;         // nullptr when the list keeps none
    virtual void PutObject(int index, TObject* object);  // ignored when the list keeps none

    virtual int Add(const AnsiString& text); // returns the entry's index
    virtual int AddObject(const AnsiString& text, TObject* object);
    virtual void InsertObject(int index, const AnsiString& text, TObject* object);
    void AddStrings(const TStrings& source);
    // Replaces the contents with source's strings and objects.
    void Assign(const TStrings& source);
    virtual void Exchange(int index1, int index2);
    void Move(int currentIndex, int newIndex);

    virtual int IndexOf(const AnsiString& text) const; // -1 when absent
    int IndexOfObject(const TObject* object) const;
    // "name=value" entries: the name is the text before the first '='.
    int IndexOfName(const AnsiString& name) const;
    AnsiString Names(int index) const; // empty when the entry has no '='
    AnsiString ValueFromIndex(int index) const;
    AnsiString Values(const AnsiString& name) const; // empty when absent
    // An empty value removes the entry; otherwise replaces or appends "name=value".
    void SetValue(const AnsiString& name, const AnsiString& value);

    AnsiString Strings(int index) const { return Get(index); }
    TObject* Objects(int index) const { return GetObject(index); }
    int Count() const { return GetCount(); }

    // Entries each followed by sLineBreak. SetText splits at CR LF, LF or CR.
    AnsiString Text() const;
    void SetText(const AnsiString& text);
    // Entries separated by commas; an entry holding a space, comma, quote or control
    // character is double-quoted with inner quotes doubled.
    AnsiString CommaText() const;
    void SetCommaText(const AnsiString& text);

    // The lines of the file / of the stream from its position to its end.
    void LoadFromFile(const AnsiString& fileName);
    void LoadFromStream(TStream* stream);
    void SaveToFile(const AnsiString& fileName) const;
    void SaveToStream(TStream* stream) const;

    // Changes between the outermost BeginUpdate and EndUpdate are reported once.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }

    bool Equals(const TStrings& other) const;

    AnsiString ClassName() const override { return "TStrings"; }

protected:
    // Called with true by the outermost BeginUpdate, with false by its EndUpdate.
    virtual void SetUpdateState(bool updating);
    // How this list compares entries (case-insensitive by default).
    virtual int CompareStrings(const AnsiString& a, const AnsiString& b) const;
    void CheckIndex(int index, int limit) const; // EStringListError when outside 0..limit-1

private:
    int updateCount_ = 0;
};

class TStringList;
using TStringListSortCompare = int (*)(TStringList* list, int index1, int index2);

class TStringList : public TStrings {
public:
    AnsiString Get(int index) const override;
    int GetCount() const override { return static_cast<int>(items_.size()); }
    void Insert(int index, const AnsiString& text) override;
    void InsertObject(int index, const AnsiString& text, TObject* object) override;
    void Delete(int index) override;
    void Clear() override;
    void Put(int index, const AnsiString& text) override;
    TObject* GetObject(int index) const override;
    void PutObject(int index, TObject* object) override;
    // A sorted list inserts at the sorted place and applies Duplicates.
    int AddObject(const AnsiString& text, TObject* object) override;
    void Exchange(int index1, int index2) override;
    int IndexOf(const AnsiString& text) const override;

    // Binary search of a sorted list: true when found; index is the match or the place
    // the text would go. On an unsorted list a linear search.
    bool Find(const AnsiString& text, int& index) const;
    void Sort(); // stable
    void CustomSort(TStringListSortCompare compare);

    bool GetSorted() const { return sorted_; }
    void SetSorted(bool sorted);
    TDuplicates GetDuplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates duplicates) { duplicates_ = duplicates; }
    bool GetCaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool caseSensitive);

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

    AnsiString ClassName() const override { return "TStringList"; }

protected:
    void SetUpdateState(bool updating) override;
    int CompareStrings(const AnsiString& a, const AnsiString& b) const override;
    virtual void Changing();
    virtual void Changed();

private:
    struct Entry {
        AnsiString text;
        TObject* object = nullptr;
    };
    void InsertEntry(int index, const AnsiString& text, TObject* object);
    void CheckNotSorted() const;
    // Stable sort of an unsorted list by index order.
    void Reorder(const std::function<bool(int, int)>& before);

    std::vector<Entry> items_;
    bool sorted_ = false;
    bool caseSensitive_ = false;
    TDuplicates duplicates_ = dupIgnore;
};
