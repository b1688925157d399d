// The string and file wrappers around the block codec.
#include <optional>

#include "filestorage/Fssfpack.h"
#include "filestorage/FssfpackBytes.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Streams.h"

using namespace sfpack_detail;

namespace {

// The whole file, or nothing when it cannot be opened. A read that fails after the opening
// raises EInOutError, as does a file of 4 GiB or more.
std::optional<AnsiString> ReadWholeFile(const AnsiString& name) {
    try {
        return ReadFileContents(name, SFSizeLimit);
    } catch (const EFOpenError&) {
        return std::nullopt;
    }
}

// Replaces a file with the bytes; false when it cannot be created. A write that fails raises
// EInOutError and leaves the file that was there.
bool WriteWholeFile(const AnsiString& name, const AnsiString& bytes) {
    std::optional<TReplacingFileStream> file;
    try {
        file.emplace(name);
    } catch (const EFCreateError&) {
        return false;
    }
    file->Write(bytes.data(), static_cast<int64_t>(bytes.size()));
    file->Commit();
    return true;
}

} // namespace

AnsiString SFPackStr(const AnsiString& Source) {
    if (Source.size() > UINT32_MAX)
        throw Exception("Data too large to pack");
    const auto size = static_cast<uint32_t>(Source.size());
    AnsiString packed(SFMaxPackedSz(size), '\0');
    packed.resize(SFPack(Source.data(), packed.data(), size, packed.size()));
    return packed;
}

AnsiString SFUnpackStr(const AnsiString& Source) {
    if (Source.size() < 4)
        throw EPackedDataError("it is shorter than its unpacked size field");
    if (Source.size() - 4 > UINT32_MAX)
        throw EPackedDataError("it is too large");
    const auto* bytes = reinterpret_cast<const uint8_t*>(Source.data());
    const uint32_t unpackedSize = Get32(bytes);
    const auto chunkBytes = static_cast<uint32_t>(Source.size() - 4);
    SFCheckUnpackedSize(unpackedSize, chunkBytes);
    AnsiString result(unpackedSize, '\0');
    SFUnpackExact(bytes + 4, result.data(), chunkBytes, unpackedSize);
    return result;
}

bool SFPackFile(const AnsiString& SourceName, const AnsiString& TargetName) {
    const std::optional<AnsiString> contents = ReadWholeFile(SourceName);
    return contents && WriteWholeFile(TargetName, SFPackStr(*contents));
}

bool SFUnpackFile(const AnsiString& SourceName, const AnsiString& TargetName) {
    const std::optional<AnsiString> packed = ReadWholeFile(SourceName);
    return packed && WriteWholeFile(TargetName, SFUnpackStr(*packed));
}
