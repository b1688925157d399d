// Version resources in ELF files: the VS_VERSIONINFO block in the section ".voka.version".
#include <cerrno>
#include <cstring>
#include <elf.h>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/Version.h"

const char* const VERSION_RESOURCE_SECTION = ".voka.version";

namespace {
// VS_VERSIONINFO: length, value length, type, the key "VS_VERSION_INFO" in UTF-16 with its
// zero, padding to 32 bits, then the fixed file information.
constexpr size_t KEY_OFFSET = 6;
constexpr size_t FIXED_INFO_OFFSET = 40;
constexpr char16_t VERSION_KEY[] = u"VS_VERSION_INFO";

template <class T> bool ReadAt(std::ifstream& file, uint64_t offset, T& value) {
    file.seekg(static_cast<std::streamoff>(offset));
    return static_cast<bool>(file.read(reinterpret_cast<char*>(&value), sizeof value));
}

// The section's bytes, or nothing with the last error set.
std::optional<std::string> ReadVersionSection(const char* fileName) {
    std::ifstream file(fileName ? fileName : "", std::ios::binary);
    if (!file) {
        SetLastErrorFromErrno();
        return std::nullopt;
    }
    Elf64_Ehdr header{};
    if (!ReadAt(file, 0, header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
        header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_shentsize != sizeof(Elf64_Shdr) ||
        header.e_shstrndx >= header.e_shnum) {
        SetLastError(ERROR_BAD_FORMAT);
        return std::nullopt;
    }
    auto section = [&](unsigned index, Elf64_Shdr& entry) {
        return ReadAt(file, header.e_shoff + uint64_t(index) * sizeof(Elf64_Shdr), entry);
    };
    Elf64_Shdr names{};
    if (!section(header.e_shstrndx, names)) {
        SetLastError(ERROR_BAD_FORMAT);
        return std::nullopt;
    }
    const size_t wanted = std::strlen(VERSION_RESOURCE_SECTION) + 1;
    for (unsigned i = 0; i < header.e_shnum; ++i) {
        Elf64_Shdr entry{};
        if (!section(i, entry) || entry.sh_type == SHT_NOBITS || entry.sh_name >= names.sh_size)
            continue;
        std::string name(wanted, '\0');
        file.seekg(static_cast<std::streamoff>(names.sh_offset + entry.sh_name));
        file.read(name.data(), static_cast<std::streamsize>(wanted));
        if (!file || std::memcmp(name.data(), VERSION_RESOURCE_SECTION, wanted) != 0) {
            file.clear();
            continue;
        }
        if (entry.sh_size < FIXED_INFO_OFFSET + sizeof(VS_FIXEDFILEINFO) || entry.sh_size > 65535)
            break;
        std::string bytes(entry.sh_size, '\0');
        file.seekg(static_cast<std::streamoff>(entry.sh_offset));
        if (file.read(bytes.data(), static_cast<std::streamsize>(bytes.size())))
            return bytes;
        break;
    }
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return std::nullopt;
}
} // namespace

DWORD GetFileVersionInfoSizeA(LPCSTR fileName, LPDWORD handle) {
    if (handle)
        *handle = 0;
    std::optional<std::string> bytes = ReadVersionSection(fileName);
    return bytes ? static_cast<DWORD>(bytes->size()) : 0;
}

BOOL GetFileVersionInfoA(LPCSTR fileName, DWORD, DWORD size, LPVOID data) {
    if (!data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::optional<std::string> bytes = ReadVersionSection(fileName);
    if (!bytes)
        return FALSE;
    std::memcpy(data, bytes->data(), std::min<size_t>(size, bytes->size()));
    return TRUE;
}

BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, UINT* length) {
    if (!block || !subBlock || !buffer || !length) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const auto* bytes = static_cast<const uint8_t*>(block);
    uint16_t valueLength = 0;
    std::memcpy(&valueLength, bytes + 2, sizeof valueLength);
    DWORD signature = 0;
    std::memcpy(&signature, bytes + FIXED_INFO_OFFSET, sizeof signature);
    const bool isVersionInfo =
        std::memcmp(bytes + KEY_OFFSET, VERSION_KEY, sizeof VERSION_KEY) == 0 &&
        valueLength == sizeof(VS_FIXEDFILEINFO) && signature == VS_FFI_SIGNATURE;
    if (std::strcmp(subBlock, "\\") != 0 || !isVersionInfo) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return FALSE;
    }
    *buffer = const_cast<uint8_t*>(bytes + FIXED_INFO_OFFSET);
    *length = sizeof(VS_FIXEDFILEINFO);
    return TRUE;
}
