// Memory and string streams.
#include <algorithm>
#include <cstring>

#include "platform/rtl/Streams.h"

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
    if (count <= 0 || position_ < 0 || position_ >= size_)
        return 0;
    const int64_t n = std::min(count, size_ - position_);
    std::memcpy(buffer, bytes_.data() + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
    if (count <= 0 || position_ < 0)
        return 0;
    const int64_t end = position_ + count;
    if (end > size_)
        SetSize(end);
    std::memcpy(bytes_.data() + position_, buffer, static_cast<size_t>(count));
    position_ = end;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, int origin) {
    switch (origin) {
    case soFromBeginning:
        position_ = offset;
        break;
    case soFromCurrent:
        position_ += offset;
        break;
    case soFromEnd:
        position_ = size_ + offset;
        break;
    default:
        throw EStreamError("Invalid stream seek origin");
    }
    return position_;
}

void TMemoryStream::SetSize(int64_t size) {
    if (size < 0)
        throw EStreamError("Invalid stream size");
    try {
        // resize() zero-fills the new bytes, so a gap written across never shows old data.
        bytes_.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory();
    } catch (const std::length_error&) {
        throw EOutOfMemory();
    }
    size_ = size;
    if (position_ > size_)
        position_ = size_;
}

void TMemoryStream::Clear() {
    bytes_.clear();
    bytes_.shrink_to_fit();
    size_ = 0;
    position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream* source) {
    source->SetPosition(0);
    const int64_t size = source->GetSize();
    SetSize(size);
    if (size != 0)
        source->ReadBuffer(bytes_.data(), size);
    position_ = 0;
}

void TMemoryStream::LoadFromFile(const AnsiString& fileName) {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&file);
}

void TMemoryStream::SaveToStream(TStream* destination) {
    if (size_ != 0)
        destination->WriteBuffer(bytes_.data(), size_);
}

void TMemoryStream::SaveToFile(const AnsiString& fileName) {
    TFileStream file(fileName, fmCreate);
    SaveToStream(&file);
}

TStringStream::TStringStream(const AnsiString& text) {
    WriteString(text);
    SetPosition(0);
}

AnsiString TStringStream::DataString() const {
    return AnsiString(bytes_.begin(), bytes_.begin() + size_);
}

AnsiString TStringStream::ReadString(int64_t count) {
    const int64_t available = std::max<int64_t>(0, GetSize() - GetPosition());
    AnsiString text(static_cast<size_t>(std::clamp<int64_t>(count, 0, available)), '\0');
    text.resize(static_cast<size_t>(Read(text.data(), static_cast<int64_t>(text.size()))));
    return text;
}

void TStringStream::WriteString(const AnsiString& text) {
    WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}
