#pragma once
// The stored files' run-length codec: packed blocks of 65,533-byte pieces, each a
// marker-mode or run-table chunk, and wrappers for strings, files and streams.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "platform/rtl/SysUtils.h"

class TStream;
class TMemoryStream;

// Raised when packed input is damaged: it would make the unpacker read or write
// outside its buffers, or its sizes disagree. A stream read error, so that a damaged
// container ends like any other short read.
class EPackedDataError : public EReadError {
public:
    explicit EPackedDataError(const AnsiString& detail)
        : EReadError("Packed data is damaged: " + detail) {}
};

// Sizes are unsigned 32-bit: data and files of this many bytes and more are not supported.
constexpr uint64_t SFSizeLimit = 1ull << 32;

// Bytes in one piece of unpacked data; each piece becomes one chunk.
constexpr uint32_t SFPieceSize = 65533;

// The traditional target-size bound: m + 4 * (m div 65535) + 8 with m = max(Size, 255).
// It can be 4 bytes short for incompressible input (65,534 bytes, for one).
uint32_t SFCalcTargetSz(uint32_t Size);
// The true worst case: 4 + Size + 4 per piece. Buffers sized with it always suffice.
size_t SFMaxPackedSz(uint32_t Size);

// Packs Size bytes of Source into a complete packed block at Target, which holds
// TargetSize bytes, and returns the block's length. Returns 0, having written nothing
// past TargetSize, when the block does not fit.
uint32_t SFPack(const void* Source, void* Target, uint32_t Size, size_t TargetSize);
// As above for a Target of SFCalcTargetSz(Size) bytes.
uint32_t SFPack(const void* Source, void* Target, uint32_t Size);

// Unpacks the chunk sequence of Size bytes at Source (a packed block without its
// UnpackedSize) into Target, which holds TargetSize bytes; returns the bytes written.
// Raises EPackedDataError on damaged input; never touches memory outside the buffers.
uint32_t SFUnpack(const void* Source, void* Target, uint32_t Size, uint32_t TargetSize);

// Raises EPackedDataError when Size bytes of chunks cannot hold UnpackedSize bytes, so
// that a damaged size is caught before a buffer of that size is allocated.
void SFCheckUnpackedSize(uint32_t UnpackedSize, size_t Size);
// SFUnpack into a Target of UnpackedSize bytes that must come out exactly filled.
void SFUnpackExact(const void* Source, void* Target, uint32_t Size, uint32_t UnpackedSize);

// Packed string: the bytes of a packed block. SFUnpackStr raises EPackedDataError when
// the source is damaged or its decoded length disagrees with its UnpackedSize.
AnsiString SFPackStr(const AnsiString& Source);
AnsiString SFUnpackStr(const AnsiString& Source);

// Called with the input bytes done and the input's total.
using SFProgress = std::function<void(uint64_t Done, uint64_t Total)>;
// Takes the next Count bytes of the output.
using SFWriter = std::function<void(const void* Bytes, size_t Count)>;

// The sliced codec's input, read a window at a time from its start.
class SFInput {
public:
    virtual ~SFInput() = default;
    virtual uint64_t Size() const = 0;
    // Up to Count bytes (at most SFWindowSize) from the current position, fewer only at the
    // end; valid until the next call. Skip moves the position on.
    virtual std::span<const uint8_t> Peek(size_t Count) = 0;
    virtual void Skip(size_t Count) = 0;
};
// Pieces in one slice of the sliced codec (a size that its buffers stay in the processor's
// cache), and the longest window it asks for: as many chunks of the longest length.
constexpr size_t SFSlicePieces = 4;
constexpr size_t SFWindowSize = SFSlicePieces * (2 + 65535);

// Bytes in memory as such an input.
class SFMemoryInput : public SFInput {
public:
    SFMemoryInput(const void* Bytes, size_t Size)
        : bytes_(static_cast<const uint8_t*>(Bytes)), size_(Size) {}
    uint64_t Size() const override { return size_; }
    std::span<const uint8_t> Peek(size_t Count) override {
        return {bytes_ + position_, std::min(Count, size_ - position_)};
    }
    void Skip(size_t Count) override { position_ += Count; }

private:
    const uint8_t* bytes_;
    size_t size_;
    size_t position_ = 0;
};

// Packs the input slice by slice into the bytes of SFPackStr, handing them to Write in
// order from one buffer of a few hundred KiB.
void SFPackSlices(SFInput& Source, const SFWriter& Write, const SFProgress& Progress = nullptr);
// The UnpackedSize of a packed block of Size bytes that starts with Header's 4 bytes (or
// fewer), checked against Size as SFUnpackStr does before anything is unpacked.
uint32_t SFUnpackedSize(std::span<const uint8_t> Header, uint64_t Size);
// Unpacks the input's packed block in slices in the same way; raises EPackedDataError as
// SFUnpackStr does.
void SFUnpackSlices(SFInput& Source, const SFWriter& Write, const SFProgress& Progress = nullptr);

// The whole file packed or unpacked into TargetName, which is replaced whole
// (TReplacingFileStream), read and written a few hundred KiB at a time; Progress, when given,
// makes the progress function from the source's size. Raise EFOpenError when the source
// cannot be opened, EFCreateError when the target cannot be created, EInOutError when a read
// or a write fails or the source is of 4 GiB or more; unpacking checks the source's sizes
// before it creates the target.
void SFPackFileTo(const AnsiString& SourceName, const AnsiString& TargetName,
                  const std::function<SFProgress(uint64_t InputSize)>& Progress = nullptr);
void SFUnpackFileTo(const AnsiString& SourceName, const AnsiString& TargetName,
                    const std::function<SFProgress(uint64_t InputSize)>& Progress = nullptr);

// False when the source cannot be opened or the target cannot be created. A read or a
// write that fails after that, or a source of 4 GiB or more, raises EInOutError; the target
// is replaced whole or not at all. SFUnpackFile raises EPackedDataError on a damaged source
// (and creates no target).
bool SFPackFile(const AnsiString& SourceName, const AnsiString& TargetName);
bool SFUnpackFile(const AnsiString& SourceName, const AnsiString& TargetName);

// Appends one packed stream record (PackedSize, then the packed block) of Source's
// whole contents to Target at its position.
void SFPackStream(TMemoryStream* Source, TStream* Target);
// Reads one packed stream record from Source's position; the caller owns the result.
// Raises EReadError when Source runs short, EPackedDataError when it is damaged.
TMemoryStream* SFUnpackStream(TStream* Source);
// As SFUnpackStream, into an existing Target whose contents it replaces; Target's
// position is left at 0.
void SFUnpackStreamInto(TStream* Source, TMemoryStream* Target);
