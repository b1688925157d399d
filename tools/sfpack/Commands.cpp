#include "tools/sfpack/Commands.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <memory>
#include <new>

#include "filestorage/Fssfpack.h"
#include "filestorage/NativeExecutable.h"
#include "filestorage/StoredDataFormat.h"
#include "platform/rtl/FileUtils.h"

namespace {

// A failure that ends the command with its exit status; the message goes to stderr.
struct CommandFailure {
    TExitStatus status;
    std::string message;
};

constexpr uint64_t ProgressThreshold = 4u << 20;

std::string ReadInput(const std::string& name) {
    return ReadFileContents(name, SFSizeLimit);
}

// Replaced whole: a failed write leaves the file that was there. Extracted native programs
// get the execute permission.
void WriteOutput(const std::string& name, const std::string& bytes, bool extracted = false) {
    TReplacingFileStream file(name);
    file.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
    if (extracted && !MarkExecutableIfNative(file, bytes.data(), bytes.size()))
        throw CommandFailure{exFileError, "cannot make " + name + " executable"};
    file.Commit();
}

// Progress on stderr for big inputs only, so small runs in scripts stay quiet.
SFProgress ProgressFor(const char* verb, uint64_t inputSize) {
    if (inputSize < ProgressThreshold)
        return [](uint64_t, uint64_t) {};
    // A line only when the MiB shown changes: slices are far smaller than the input.
    return [verb, shown = UINT64_MAX](uint64_t done, uint64_t total) mutable {
        if (done >> 20 == shown && done != total)
            return;
        shown = done >> 20;
        std::fprintf(stderr, "\rsfpack: %s %llu of %llu MiB", verb,
                     static_cast<unsigned long long>(done >> 20),
                     static_cast<unsigned long long>(total >> 20));
        if (done == total)
            std::fputc('\n', stderr);
    };
}

// A stored name becomes a file inside the folder: no folders, no way out of it.
bool IsSafeStoredName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

struct StoredEntry {
    std::string name;
    std::unique_ptr<TMemoryStream> contents;
};

std::vector<StoredEntry> ReadContainer(const std::string& name) {
    TStringStream stream(ReadInput(name));
    const TStoredDataHeader header = ReadStoredDataHeader(&stream);
    std::vector<StoredEntry> entries;
    for (int32_t i = 0; i < header.Count; ++i) {
        StoredEntry entry{{}, std::make_unique<TMemoryStream>()};
        ReadStoredRecord(&stream, header.Compressed, entry.name, entry.contents.get());
        entries.push_back(std::move(entry));
    }
    return entries;
}

template <class Body> int Run(Body body) {
    try {
        body();
        return exSuccess;
    } catch (const CommandFailure& failure) {
        std::cerr << "sfpack: " << failure.message << '\n';
        return failure.status;
    } catch (const EInOutError& error) { // a file read or written, not its contents
        std::cerr << "sfpack: " << error.Message << '\n';
        return exFileError;
    } catch (const EPackedDataError& error) {
        std::cerr << "sfpack: damaged input: " << error.Message << '\n';
        return exDamaged;
    } catch (const EReadError&) {
        std::cerr << "sfpack: damaged input: it ends before the data it announces\n";
        return exDamaged;
    } catch (const Exception& error) {
        std::cerr << "sfpack: " << error.Message << '\n';
        return exFileError;
    } catch (const std::bad_alloc&) {
        std::cerr << "sfpack: Out of memory\n";
        return exFileError;
    } catch (const std::exception& error) {
        std::cerr << "sfpack: " << error.what() << '\n';
        return exFileError;
    }
}

} // namespace

int PackCommand(const std::string& source, const std::string& target) {
    return Run([&] {
        SFPackFileTo(source, target,
                     [](uint64_t inputSize) { return ProgressFor("packed", inputSize); });
    });
}

int UnpackCommand(const std::string& source, const std::string& target) {
    return Run([&] {
        SFUnpackFileTo(source, target,
                       [](uint64_t inputSize) { return ProgressFor("unpacked", inputSize); });
    });
}

int CreateCommand(const std::string& container, const std::vector<std::string>& files) {
    return Run([&] {
        TMemoryStream stream;
        WriteStoredDataHeader(&stream, static_cast<int32_t>(files.size()));
        for (const std::string& file : files) {
            TStringStream contents(ReadInput(file));
            WriteStoredRecord(&stream, std::filesystem::path(file).filename().string(), &contents);
        }
        WriteOutput(container,
                    std::string(static_cast<const char*>(stream.Memory()), stream.Size()));
    });
}

int ListCommand(const std::string& container) {
    return Run([&] {
        const std::vector<StoredEntry> entries = ReadContainer(container);
        int64_t dataSize = 0;
        for (const StoredEntry& entry : entries) {
            std::cout << entry.name << '\t' << entry.contents->Size() << '\n';
            dataSize += entry.contents->Size();
        }
        std::cout << "Count " << entries.size() << '\n' << "DataSize " << dataSize << '\n';
    });
}

int ExtractCommand(const std::string& container, const std::string& folder) {
    return Run([&] {
        const std::vector<StoredEntry> entries = ReadContainer(container);
        for (const StoredEntry& entry : entries)
            if (!IsSafeStoredName(entry.name))
                throw CommandFailure{exDamaged,
                                     "damaged input: unsafe stored name \"" + entry.name + "\""};
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (!std::filesystem::is_directory(folder))
            throw CommandFailure{exFileError, "cannot create folder " + folder};
        for (const StoredEntry& entry : entries) {
            const auto* bytes = static_cast<const char*>(entry.contents->Memory());
            WriteOutput((std::filesystem::path(folder) / entry.name).string(),
                        std::string(bytes, static_cast<size_t>(entry.contents->Size())), true);
        }
    });
}
