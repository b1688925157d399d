#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include "platform/rtl/Streams.h"
#include "tests/support/TempDir.h"

namespace {
AnsiString Contents(TMemoryStream& stream) {
    const auto* bytes = static_cast<const char*>(stream.Memory());
    return AnsiString(bytes, bytes + stream.Size());
}
} // namespace

TEST(MemoryStream, ReadBufferOfExactlyTheRestSucceedsAndOneMoreRaises) {
    TStringStream stream("0123456789");
    char buffer[16] = {};
    stream.SetPosition(6);
    stream.ReadBuffer(buffer, 4);
    EXPECT_EQ(AnsiString(buffer, 4), "6789");
    EXPECT_EQ(stream.Position(), 10);
    stream.ReadBuffer(buffer, 0); // nothing asked, nothing missing

    stream.SetPosition(6);
    EXPECT_THROW(stream.ReadBuffer(buffer, 5), EReadError);
    try {
        stream.SetPosition(9);
        stream.ReadBuffer(buffer, 2);
        FAIL();
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message, "Stream read error");
    }
}

TEST(MemoryStream, ReadPastEndAndFromNegativePositionMovesNothing) {
    TStringStream stream("abc");
    char buffer[4];
    EXPECT_EQ(stream.Seek(10, soFromBeginning), 10);
    EXPECT_EQ(stream.Read(buffer, 4), 0);
    EXPECT_EQ(stream.Seek(-5, soFromEnd), -2);
    EXPECT_EQ(stream.Read(buffer, 4), 0);
    EXPECT_EQ(stream.Write("x", 1), 0);
    EXPECT_THROW(stream.WriteBuffer("x", 1), EWriteError);
    EXPECT_EQ(stream.DataString(), "abc");
}

TEST(MemoryStream, WritingPastTheEndZeroFillsTheGap) {
    TMemoryStream stream;
    stream.WriteBuffer("ab", 2);
    stream.Seek(3, soFromCurrent);
    stream.WriteBuffer("z", 1);
    EXPECT_EQ(stream.Size(), 6);
    EXPECT_EQ(Contents(stream), AnsiString("ab\0\0\0z", 6));
}

TEST(MemoryStream, SetSizeKeepsContentsAndClampsPosition) {
    TStringStream stream("hello world");
    stream.SetPosition(11);
    stream.SetSize(5);
    EXPECT_EQ(stream.DataString(), "hello");
    EXPECT_EQ(stream.Position(), 5);
    stream.SetSize(8);
    EXPECT_EQ(stream.DataString(), AnsiString("hello\0\0\0", 8));
    EXPECT_THROW(stream.SetSize(-1), EStreamError);
    stream.Clear();
    EXPECT_EQ(stream.Size(), 0);
    EXPECT_EQ(stream.Position(), 0);
}

TEST(MemoryStream, SaveAndLoadThroughFilesKeepBinaryBytes) {
    TempDir dir;
    const AnsiString bytes("\x00\xFF\r\n\x1A", 5);
    TStringStream source(bytes);
    source.SetPosition(3); // saving ignores the position
    source.SaveToFile(dir / "image.bin");

    TMemoryStream loaded;
    loaded.WriteBuffer("old contents", 12);
    loaded.LoadFromFile(dir / "image.bin");
    EXPECT_EQ(Contents(loaded), bytes);
    EXPECT_EQ(loaded.Position(), 0);
}

TEST(StreamCopy, CopyFromCountsAndWholeStream) {
    TStringStream source("abcdefgh");
    source.SetPosition(2);
    TStringStream target;
    EXPECT_EQ(target.CopyFrom(&source, 3), 3);
    EXPECT_EQ(target.DataString(), "cde");
    // Zero copies the whole source from its start, whatever its position.
    EXPECT_EQ(target.CopyFrom(&source, 0), 8);
    EXPECT_EQ(target.DataString(), "cdeabcdefgh");
    EXPECT_EQ(target.CopyFrom(&source, -1), 0);
    source.SetPosition(6);
    EXPECT_THROW(target.CopyFrom(&source, 3), EReadError);
}

TEST(StreamCopy, CopiesMoreThanOneChunk) {
    AnsiString big(200'000, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7);
    TStringStream source(big);
    TStringStream target;
    EXPECT_EQ(target.CopyFrom(&source, 0), 200'000);
    EXPECT_EQ(target.DataString(), big);
}

TEST(StringStream, ReadStringStopsAtTheEnd) {
    TStringStream stream("abc");
    stream.SetPosition(1);
    EXPECT_EQ(stream.ReadString(10), "bc");
    EXPECT_EQ(stream.ReadString(10), "");
    stream.WriteString("de");
    EXPECT_EQ(stream.DataString(), "abcde");
}

TEST(FileStream, CreateWriteReopenAndResize) {
    TempDir dir;
    const AnsiString name = dir / "settings.bin";
    {
        TFileStream file(name, fmCreate);
        file.WriteBuffer("0123456789", 10);
        EXPECT_EQ(file.Size(), 10);
        file.SetSize(4);
        EXPECT_EQ(file.Position(), 4);
        EXPECT_EQ(file.FileName(), name);
    }
    EXPECT_EQ(ReadFileBytes(name), "0123");
    {
        TFileStream file(name, fmOpenReadWrite | fmShareExclusive);
        EXPECT_EQ(file.Seek(0, soFromEnd), 4);
        file.WriteBuffer("45", 2);
        file.SetPosition(0);
        char buffer[6];
        file.ReadBuffer(buffer, 6);
        EXPECT_EQ(AnsiString(buffer, 6), "012345");
        EXPECT_THROW(file.ReadBuffer(buffer, 1), EReadError);
    }
    // fmCreate empties an existing file.
    TFileStream again(name, fmCreate);
    EXPECT_EQ(again.Size(), 0);
}

TEST(FileStream, OpenAndCreateFailuresNameTheFileAndTheReason) {
    TempDir dir;
    const AnsiString missing = dir / "missing.s19";
    try {
        TFileStream file(missing, fmOpenRead);
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message, "Cannot open file \"" + missing + "\". No such file or directory");
    }
    const AnsiString inMissingFolder = dir / "no/such/folder/out.bin";
    try {
        TFileStream file(inMissingFolder, fmCreate);
        FAIL();
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message,
                  "Cannot create file \"" + inMissingFolder + "\". No such file or directory");
    }
    // A folder is not a file to read.
    EXPECT_THROW(TFileStream(dir.Path().string(), fmOpenRead), EFOpenError);
}

TEST(FileStream, ReadOnlyStreamRefusesWrites) {
    TempDir dir;
    WriteFileBytes(dir / "ro.bin", "abc");
    TFileStream file(dir / "ro.bin", fmOpenRead);
    EXPECT_EQ(file.Write("x", 1), 0);
    EXPECT_THROW(file.WriteBuffer("x", 1), EWriteError);
    EXPECT_EQ(ReadFileBytes(dir / "ro.bin"), "abc");
}

TEST(HandleStream, WorksOnADescriptorItDoesNotOwn) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    {
        THandleStream writer(fds[1]);
        writer.WriteBuffer("ping", 4);
        THandleStream reader(fds[0]);
        char buffer[4];
        reader.ReadBuffer(buffer, 4);
        EXPECT_EQ(AnsiString(buffer, 4), "ping");
        // A pipe cannot seek or change size.
        EXPECT_EQ(reader.Seek(0, soFromCurrent), -1);
        EXPECT_THROW(reader.SetSize(0), EStreamError);
    }
    // The descriptors are still open.
    EXPECT_EQ(write(fds[1], "x", 1), 1);
    close(fds[0]);
    close(fds[1]);
}
