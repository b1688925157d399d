// The stream operations common to every kind of stream.
#include <algorithm>
#include <vector>

#include "platform/rtl/Streams.h"

int64_t TStream::GetSize() {
    const int64_t position = Seek(0, soFromCurrent);
    const int64_t size = Seek(0, soFromEnd);
    Seek(position, soFromBeginning);
    return size;
}

void TStream::SetSize(int64_t) {
    throw EStreamError("Stream size cannot be changed");
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
    if (count != 0 && Read(buffer, count) != count)
        throw EReadError();
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
    if (count != 0 && Write(buffer, count) != count)
        throw EWriteError();
}

int64_t TStream::CopyFrom(TStream* source, int64_t count) {
    if (count == 0) {
        source->SetPosition(0);
        count = source->GetSize();
    }
    if (count <= 0)
        return 0;
    constexpr int64_t chunk = 64 * 1024;
    std::vector<uint8_t> buffer(static_cast<size_t>(std::min(count, chunk)));
    int64_t copied = 0;
    while (copied < count) {
        const int64_t n = std::min(count - copied, chunk);
        source->ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        copied += n;
    }
    return copied;
}
