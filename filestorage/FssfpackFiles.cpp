// The string and file wrappers around the block codec.
#include <cstdio>
#include <memory>
#include <vector>

#include "filestorage/Fssfpack.h"
#include "filestorage/FssfpackBytes.h"

using namespace sfpack_detail;

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Reads a whole file; false when it cannot be opened or read to its end.
bool ReadWholeFile(const AnsiString& name, AnsiString& bytes) {
    FilePtr file(std::fopen(name.c_str(), "rb"));
    if (!file || std::fseek(file.get(), 0, SEEK_END) != 0)
        return false;
    const long size = std::ftell(file.get());
    if (size < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0)
        return false;
    if (static_cast<unsigned long>(size) > UINT32_MAX)
        throw Exception("File too large to pack: " + name);
    bytes.resize(static_cast<size_t>(size));
    return std::fread(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
}

// Creates or replaces a file with the bytes; false when that does not fully succeed.
bool WriteWholeFile(const AnsiString& name, const void* bytes, size_t count) {
    FilePtr file(std::fopen(name.c_str(), "wb"));
    if (!file)
        return false;
    const bool written = std::fwrite(bytes, 1, count, file.get()) == count;
    return std::fclose(file.release()) == 0 && written;
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
    AnsiString contents;
    if (!ReadWholeFile(SourceName, contents))
        return false;
    const AnsiString packed = SFPackStr(contents);
    return WriteWholeFile(TargetName, packed.data(), packed.size());
}

bool SFUnpackFile(const AnsiString& SourceName, const AnsiString& TargetName) {
    AnsiString packed;
    if (!ReadWholeFile(SourceName, packed))
        return false;
    const AnsiString contents = SFUnpackStr(packed);
    return WriteWholeFile(TargetName, contents.data(), contents.size());
}
