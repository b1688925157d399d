// The string and file wrappers around the block codec.
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "filestorage/Fssfpack.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Streams.h"

namespace {

// A regular file read through one window-sized buffer; the bytes it has not handed out yet
// move to the buffer's start before it reads more. Only the size it had when opened is read,
// the size the packed block records.
class FileInput : public SFInput {
public:
    explicit FileInput(TFileReader& file) : file_(file), buffer_(SFWindowSize) {}
    uint64_t Size() const override { return file_.Size(); }
    std::span<const uint8_t> Peek(size_t count) override {
        count = static_cast<size_t>(std::min<uint64_t>({count, buffer_.size(), Unread()}));
        if (filled_ - start_ < count) {
            std::memmove(buffer_.data(), buffer_.data() + start_, filled_ - start_);
            filled_ -= start_;
            start_ = 0;
            const size_t wanted =
                static_cast<size_t>(std::min<uint64_t>(buffer_.size(), Unread())) - filled_;
            if (file_.ReadFull(buffer_.data() + filled_, wanted) < wanted)
                throw EInOutError(Format("Cannot read file \"%s\". It shrank while it was read",
                                         file_.FileName()),
                                  EIO);
            filled_ += wanted;
        }
        return {reinterpret_cast<const uint8_t*>(buffer_.data()) + start_, count};
    }
    void Skip(size_t count) override {
        start_ += count;
        position_ += count;
    }

private:
    // Bytes from the position to the size the file had when opened.
    uint64_t Unread() const { return file_.Size() - position_; }

    TFileReader& file_;
    std::vector<char> buffer_;
    size_t start_ = 0;  // of the bytes not handed out yet
    size_t filled_ = 0; // end of the bytes read
    uint64_t position_ = 0;
};

// Runs convert on the file's contents: read as they come from a regular file of more than a
// window, else whole first. A pipe has no size, and files the system makes up as they are
// read (/proc, /sys) claim none or a page, whatever they hold.
template <class Convert> void WithInput(const AnsiString& name, Convert convert) {
    TFileReader file(name, SFSizeLimit);
    if (file.Size() > SFWindowSize) {
        FileInput input(file);
        convert(input);
    } else {
        const AnsiString bytes = file.ReadAll();
        SFMemoryInput input(bytes.data(), bytes.size());
        convert(input);
    }
}

// Commit raises the error of a write that fell short: the rest need not be made.
SFWriter WriterTo(TReplacingFileStream& file) {
    return [&file](const void* bytes, size_t count) {
        if (file.Write(bytes, static_cast<int64_t>(count)) < static_cast<int64_t>(count))
            file.Commit();
    };
}

SFProgress ProgressOf(const std::function<SFProgress(uint64_t)>& progress, uint64_t size) {
    return progress ? progress(size) : nullptr;
}

// False when the source cannot be opened or the target cannot be created.
template <class Convert>
bool ConvertFile(const AnsiString& sourceName, const AnsiString& targetName, Convert convert) {
    try {
        convert(sourceName, targetName, nullptr);
    } catch (const EFOpenError&) {
        return false;
    } catch (const EFCreateError&) {
        return false;
    }
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
    const auto* bytes = reinterpret_cast<const uint8_t*>(Source.data());
    const uint32_t unpackedSize =
        SFUnpackedSize({bytes, std::min<size_t>(Source.size(), 4)}, Source.size());
    AnsiString result(unpackedSize, '\0');
    SFUnpackExact(bytes + 4, result.data(), static_cast<uint32_t>(Source.size() - 4), unpackedSize);
    return result;
}

void SFPackFileTo(const AnsiString& SourceName, const AnsiString& TargetName,
                  const std::function<SFProgress(uint64_t)>& Progress) {
    WithInput(SourceName, [&](SFInput& input) {
        TReplacingFileStream file(TargetName);
        SFPackSlices(input, WriterTo(file), ProgressOf(Progress, input.Size()));
        file.Commit();
    });
}

void SFUnpackFileTo(const AnsiString& SourceName, const AnsiString& TargetName,
                    const std::function<SFProgress(uint64_t)>& Progress) {
    WithInput(SourceName, [&](SFInput& input) {
        SFUnpackedSize(input.Peek(4), input.Size()); // damage found before the target is made
        TReplacingFileStream file(TargetName);
        SFUnpackSlices(input, WriterTo(file), ProgressOf(Progress, input.Size()));
        file.Commit();
    });
}

bool SFPackFile(const AnsiString& SourceName, const AnsiString& TargetName) {
    return ConvertFile(SourceName, TargetName, SFPackFileTo);
}

bool SFUnpackFile(const AnsiString& SourceName, const AnsiString& TargetName) {
    return ConvertFile(SourceName, TargetName, SFUnpackFileTo);
}
