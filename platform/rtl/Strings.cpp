// What every string list does on top of its primitive operations.
#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"

namespace {
bool IsBlank(char c) {
    return c >= 1 && c <= ' ';
}

bool NeedsQuotes(const AnsiString& text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) <= ' ' || c == '"' || c == ',')
            return true;
    return false;
}

AnsiString Quoted(const AnsiString& text) {
    AnsiString result = "\"";
    for (const char c : text) {
        result += c;
        if (c == '"')
            result += '"';
    }
    return result + '"';
}

// Reads a quoted entry starting at the opening quote; i ends after the closing quote.
AnsiString ExtractQuoted(const AnsiString& text, size_t& i) {
    AnsiString result;
    for (++i; i < text.size(); ++i) {
        if (text[i] != '"') {
            result += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == '"') {
            result += '"';
            ++i;
        } else {
            ++i;
            break;
        }
    }
    return result;
}
// Runs a change of many entries as one update; EndUpdate also when the change fails.
template <class Change> void AsOneUpdate(TStrings& list, Change change) {
    list.BeginUpdate();
    try {
        change();
    } catch (...) {
        list.EndUpdate();
        throw;
    }
    list.EndUpdate();
}
} // namespace

void TStrings::CheckIndex(int index, int limit) const {
    if (index < 0 || index >= limit)
        throw EStringListError(EListError::IndexOutOfBounds(index).Message);
}

void TStrings::Put(int index, const AnsiString& text) {
    TObject* object = GetObject(index);
    Delete(index);
    InsertObject(index, text, object);
}

TObject* TStrings::GetObject(int) const {
    return nullptr;
}

void TStrings::PutObject(int, TObject*) {}

int TStrings::Add(const AnsiString& text) {
    return AddObject(text, nullptr);
}

int TStrings::AddObject(const AnsiString& text, TObject* object) {
    const int index = GetCount();
    InsertObject(index, text, object);
    return index;
}

void TStrings::InsertObject(int index, const AnsiString& text, TObject* object) {
    Insert(index, text);
    PutObject(index, object);
}

void TStrings::AddStrings(const TStrings& source) {
    AsOneUpdate(*this, [&] {
        for (int i = 0; i < source.GetCount(); ++i)
            AddObject(source.Get(i), source.GetObject(i));
    });
}

void TStrings::Assign(const TStrings& source) {
    if (&source == this)
        return;
    AsOneUpdate(*this, [&] {
        Clear();
        AddStrings(source);
    });
}

void TStrings::Exchange(int index1, int index2) {
    const AnsiString text1 = Get(index1);
    TObject* object1 = GetObject(index1);
    Put(index1, Get(index2));
    PutObject(index1, GetObject(index2));
    Put(index2, text1);
    PutObject(index2, object1);
}

void TStrings::Move(int currentIndex, int newIndex) {
    if (currentIndex == newIndex)
        return;
    const AnsiString text = Get(currentIndex);
    TObject* object = GetObject(currentIndex);
    CheckIndex(newIndex, GetCount());
    Delete(currentIndex);
    InsertObject(newIndex, text, object);
}

int TStrings::IndexOf(const AnsiString& text) const {
    for (int i = 0; i < GetCount(); ++i)
        if (CompareStrings(Get(i), text) == 0)
            return i;
    return -1;
}

int TStrings::IndexOfObject(const TObject* object) const {
    for (int i = 0; i < GetCount(); ++i)
        if (GetObject(i) == object)
            return i;
    return -1;
}

int TStrings::IndexOfName(const AnsiString& name) const {
    for (int i = 0; i < GetCount(); ++i) {
        const AnsiString entry = Get(i);
        const size_t equals = entry.find('=');
        if (equals != AnsiString::npos && CompareStrings(entry.substr(0, equals), name) == 0)
            return i;
    }
    return -1;
}

AnsiString TStrings::Names(int index) const {
    const AnsiString entry = Get(index);
    const size_t equals = entry.find('=');
    return equals == AnsiString::npos ? AnsiString() : entry.substr(0, equals);
}

AnsiString TStrings::ValueFromIndex(int index) const {
    const AnsiString entry = Get(index);
    const size_t equals = entry.find('=');
    return equals == AnsiString::npos ? AnsiString() : entry.substr(equals + 1);
}

AnsiString TStrings::Values(const AnsiString& name) const {
    const int index = IndexOfName(name);
    return index < 0 ? AnsiString() : ValueFromIndex(index);
}

void TStrings::SetValue(const AnsiString& name, const AnsiString& value) {
    const int index = IndexOfName(name);
    if (value.empty()) {
        if (index >= 0)
            Delete(index);
    } else if (index < 0) {
        Add(name + "=" + value);
    } else {
        Put(index, name + "=" + value);
    }
}

AnsiString TStrings::Text() const {
    AnsiString text;
    for (int i = 0; i < GetCount(); ++i)
        text += Get(i) + sLineBreak;
    return text;
}

void TStrings::SetText(const AnsiString& text) {
    AsOneUpdate(*this, [&] {
        Clear();
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find_first_of("\r\n", start);
            if (end == AnsiString::npos)
                end = text.size();
            Add(text.substr(start, end - start));
            start = end;
            if (start < text.size() && text[start] == '\r')
                ++start;
            if (start < text.size() && text[start] == '\n')
                ++start;
        }
    });
}

AnsiString TStrings::CommaText() const {
    if (GetCount() == 1 && Get(0).empty())
        return "\"\"";
    AnsiString text;
    for (int i = 0; i < GetCount(); ++i) {
        if (i > 0)
            text += ',';
        const AnsiString entry = Get(i);
        text += NeedsQuotes(entry) ? Quoted(entry) : entry;
    }
    return text;
}

void TStrings::SetCommaText(const AnsiString& text) {
    AsOneUpdate(*this, [&] {
        Clear();
        size_t i = 0;
        while (i < text.size() && IsBlank(text[i]))
            ++i;
        while (i < text.size()) {
            if (text[i] == '"') {
                Add(ExtractQuoted(text, i));
            } else {
                const size_t start = i;
                while (i < text.size() && static_cast<unsigned char>(text[i]) > ' ' &&
                       text[i] != ',')
                    ++i;
                Add(text.substr(start, i - start));
            }
            while (i < text.size() && IsBlank(text[i]))
                ++i;
            if (i < text.size() && text[i] == ',') {
                do
                    ++i;
                while (i < text.size() && IsBlank(text[i]));
            }
        }
    });
}

void TStrings::LoadFromFile(const AnsiString& fileName) {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&file);
}

void TStrings::LoadFromStream(TStream* stream) {
    const int64_t remaining = stream->GetSize() - stream->GetPosition();
    AnsiString text(static_cast<size_t>(remaining > 0 ? remaining : 0), '\0');
    stream->ReadBuffer(text.data(), static_cast<int64_t>(text.size()));
    SetText(text);
}

void TStrings::SaveToFile(const AnsiString& fileName) const {
    TFileStream file(fileName, fmCreate);
    SaveToStream(&file);
}

void TStrings::SaveToStream(TStream* stream) const {
    const AnsiString text = Text();
    stream->WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

void TStrings::BeginUpdate() {
    if (updateCount_ == 0)
        SetUpdateState(true);
    ++updateCount_;
}

void TStrings::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0)
        SetUpdateState(false);
}

bool TStrings::Equals(const TStrings& other) const {
    if (GetCount() != other.GetCount())
        return false;
    for (int i = 0; i < GetCount(); ++i)
        if (Get(i) != other.Get(i))
            return false;
    return true;
}

void TStrings::SetUpdateState(bool) {}

int TStrings::CompareStrings(const AnsiString& a, const AnsiString& b) const {
    return AnsiCompareText(a, b);
}
