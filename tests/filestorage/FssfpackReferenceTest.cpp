// The block operations against plain byte-by-byte versions of the two formats: the
// packer must give the very same bytes, and the unpacker the same output and the same
// verdict on damaged input, whatever the data.
// Built twice: with the host's vector instructions and with VOKA_FSSFPACK_PLAIN, the
// portable path.
#include <gmock/gmock.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "filestorage/Fssfpack.h"

#ifdef VOKA_FSSFPACK_PLAIN
#define REFERENCE_SUITE FssfpackPlainPathAgainstReference
#else
#define REFERENCE_SUITE FssfpackAgainstReference
#endif

namespace {

namespace reference {

void Put16(std::string& out, size_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

size_t Get16(const uint8_t* p) {
    return static_cast<size_t>(p[0] | (p[1] << 8));
}

void PutCount(std::string& out, size_t runLength) {
    if (runLength - 1 <= 255) {
        out.push_back(static_cast<char>(runLength - 1));
    } else {
        out.push_back('\0');
        Put16(out, runLength - 1);
    }
}

// The documented steps: measure the run at each position, take it whole when it is
// long enough, else pass one literal.
std::string EncodePiece(const uint8_t* piece, size_t length) {
    bool seen[256] = {};
    for (size_t i = 0; i < length; ++i)
        seen[piece[i]] = true;
    int marker = 0;
    while (marker < 256 && seen[marker])
        ++marker;
    const size_t threshold = marker < 256 ? 4 : 5;
    std::string data(2, '\0');
    std::vector<size_t> countOffsets;
    for (size_t i = 0; i < length;) {
        size_t run = 1;
        while (i + run < length && piece[i + run] == piece[i])
            ++run;
        if (run < threshold) {
            data.push_back(static_cast<char>(piece[i++]));
            continue;
        }
        if (marker < 256)
            data.push_back(static_cast<char>(marker));
        data.push_back(static_cast<char>(piece[i]));
        countOffsets.push_back(data.size());
        PutCount(data, run);
        i += run;
    }
    const size_t header = marker < 256 ? static_cast<size_t>(marker) : data.size();
    data[0] = static_cast<char>(header & 0xFF);
    data[1] = static_cast<char>(header >> 8);
    if (marker == 256)
        for (auto offset = countOffsets.rbegin(); offset != countOffsets.rend(); ++offset)
            Put16(data, *offset);
    return data;
}

std::string Pack(const std::string& input) {
    std::string block;
    Put16(block, input.size() & 0xFFFF);
    Put16(block, input.size() >> 16);
    const auto* bytes = reinterpret_cast<const uint8_t*>(input.data());
    for (size_t at = 0; at < input.size(); at += SFPieceSize) {
        const std::string data =
            EncodePiece(bytes + at, std::min<size_t>(SFPieceSize, input.size() - at));
        Put16(block, data.size());
        block += data;
    }
    return block;
}

// The unpacker as it stood before its block copies, with the same checks in the same order.
class Unpacker {
public:
    Unpacker(const uint8_t* in, size_t size, uint32_t targetSize)
        : in_(in), size_(size), targetSize_(targetSize) {}

    std::string Run() {
        for (size_t at = 0; at != size_;) {
            if (size_ - at < 2)
                Fail("a chunk length is cut off");
            const size_t length = Get16(in_ + at);
            at += 2;
            if (length > size_ - at)
                Fail("a chunk runs past the end of the data");
            if (length < 2)
                Fail("a chunk has no header word");
            const size_t header = Get16(in_ + at);
            if (header < 256)
                Marker(in_ + at, length, static_cast<uint8_t>(header));
            else
                RunTable(in_ + at, length, header);
            at += length;
        }
        return out_;
    }

private:
    [[noreturn]] static void Fail(const char* detail) { throw EPackedDataError(detail); }

    void Append(const uint8_t* from, size_t count) {
        Reserve(count);
        out_.append(reinterpret_cast<const char*>(from), count);
    }
    void Fill(uint8_t value, size_t count) {
        Reserve(count);
        out_.append(count, static_cast<char>(value));
    }
    void Reserve(size_t count) const {
        if (count > targetSize_ - out_.size())
            Fail("it unpacks to more bytes than announced");
    }
    static size_t RunLength(const uint8_t* data, size_t& offset, size_t limit) {
        if (offset >= limit)
            Fail("a run's count is cut off");
        const uint8_t shortCount = data[offset++];
        if (shortCount)
            return shortCount + 1u;
        if (limit - offset < 2)
            Fail("a run's count is cut off");
        offset += 2;
        return Get16(data + offset - 2) + 1;
    }
    void Marker(const uint8_t* data, size_t length, uint8_t marker) {
        size_t offset = 2;
        while (offset < length) {
            size_t stop = offset;
            while (stop < length && data[stop] != marker)
                ++stop;
            Append(data + offset, stop - offset);
            if (stop == length)
                break;
            if (length - stop < 3)
                Fail("a run token is cut off");
            offset = stop + 2;
            Fill(data[stop + 1], RunLength(data, offset, length));
        }
    }
    void RunTable(const uint8_t* data, size_t length, size_t tokenEnd) {
        if (tokenEnd > length || (length - tokenEnd) % 2)
            Fail("a run table does not fit its chunk");
        size_t offset = 2;
        for (size_t entry = length; entry > tokenEnd;) {
            entry -= 2;
            const size_t countOffset = Get16(data + entry);
            if (countOffset <= offset || countOffset >= tokenEnd)
                Fail("a run table entry lies outside its tokens");
            Append(data + offset, countOffset - 1 - offset);
            offset = countOffset;
            Fill(data[countOffset - 1], RunLength(data, offset, tokenEnd));
        }
        Append(data + offset, tokenEnd - offset);
    }

    const uint8_t* in_;
    size_t size_;
    uint32_t targetSize_;
    std::string out_;
};

} // namespace reference

// Data with every feature the scans care about: runs just below, at and above both
// thresholds and the 16-bit count, runs at every alignment, pieces that lack a value
// (marker mode, with various markers) and pieces that hold all 256 (run-table mode).
std::string VariedData(std::mt19937& generator, size_t size) {
    const unsigned alphabet = std::vector<unsigned>{2, 3, 16, 100, 200, 255, 256}[generator() % 7];
    const unsigned lowest = generator() % (257 - alphabet);
    const unsigned runChance = generator() % 100; // per cent
    std::string bytes;
    if (generator() % 3 == 0) { // all 256 values early on: a run-table piece
        for (int value = 0; value < 256; ++value)
            bytes.push_back(static_cast<char>(value));
        std::shuffle(bytes.begin(), bytes.end(), generator);
    }
    while (bytes.size() < size) {
        const auto value = static_cast<char>(lowest + generator() % alphabet);
        size_t length = 1;
        if (generator() % 100 < runChance)
            length = generator() % 8 == 0 ? 250 + generator() % 300 : 2 + generator() % 8;
        bytes.append(length, value);
    }
    bytes.resize(size);
    return bytes;
}

size_t VariedSize(std::mt19937& generator) {
    switch (generator() % 5) {
    case 0:
        return generator() % 80;
    case 1:
        return generator() % 2000;
    case 2:
        return SFPieceSize - 40 + generator() % 80;
    default:
        return generator() % (3 * SFPieceSize);
    }
}

// The packer's output for input placed shift bytes into a buffer, as its scans depend on
// the input's address.
std::string NewPack(const std::string& input, size_t shift = 0) {
    std::vector<char> placed(shift + input.size());
    std::copy(input.begin(), input.end(), placed.begin() + static_cast<ptrdiff_t>(shift));
    std::vector<uint8_t> target(SFMaxPackedSz(static_cast<uint32_t>(input.size())));
    const uint32_t written = SFPack(placed.data() + shift, target.data(),
                                    static_cast<uint32_t>(input.size()), target.size());
    return std::string(target.begin(), target.begin() + written);
}

// The unpacker's output, or the message it raised.
struct Outcome {
    std::optional<std::string> output;
    std::string error;
    bool operator==(const Outcome&) const = default;
};

// Both unpackers on the chunks of packed, into an exactly sized target.
std::pair<Outcome, Outcome> UnpackBoth(const std::string& packed, uint32_t targetSize) {
    const auto* chunks = reinterpret_cast<const uint8_t*>(packed.data()) + 4;
    const size_t size = packed.size() - 4;
    Outcome expected, actual;
    try {
        expected.output = reference::Unpacker(chunks, size, targetSize).Run();
    } catch (const EPackedDataError& error) {
        expected.error = error.Message;
    }
    std::vector<uint8_t> target(targetSize);
    try {
        const uint32_t written =
            SFUnpack(chunks, target.data(), static_cast<uint32_t>(size), targetSize);
        actual.output = std::string(target.begin(), target.begin() + written);
    } catch (const EPackedDataError& error) {
        actual.error = error.Message;
    }
    return {expected, actual};
}

TEST(REFERENCE_SUITE, PackingGivesTheSameBytesAndUnpacksToTheInput) {
    std::mt19937 generator(20240601);
    for (int round = 0; round < 300; ++round) {
        const std::string input = VariedData(generator, VariedSize(generator));
        const std::string packed = NewPack(input);
        ASSERT_EQ(packed, reference::Pack(input)) << "round " << round;
        const auto [expected, actual] = UnpackBoth(packed, static_cast<uint32_t>(input.size()));
        ASSERT_EQ(actual.output, input) << "round " << round << ": " << actual.error;
    }
}

TEST(REFERENCE_SUITE, RunsAndNearRunsAreFoundAtEveryOffset) {
    // Backgrounds without equal neighbours: one that lacks most values (marker mode) and
    // one that starts with all 256 (run-table mode).
    std::string fewValues, allValues;
    for (int i = 0; i < 512; ++i) {
        fewValues.push_back(static_cast<char>(1 + i % 50));
        allValues.push_back(static_cast<char>(i * 7));
    }
    for (const std::string& background : {fewValues, allValues})
        for (size_t size : {70, 127, 128, 129, 190, 300})
            for (size_t start = 0; start < size; ++start)
                for (size_t run : {3, 4, 5, 6})
                    for (bool decoy : {false, true}) {
                        std::string input = background.substr(background.size() - size);
                        input.replace(start, run, run, '\xF0');
                        input.resize(size);
                        // Three equal bytes some way before, which no run starts at.
                        if (decoy && start >= 9)
                            input.replace(start - 9, 3, 3, '\xF1');
                        const std::string expected = reference::Pack(input);
                        for (size_t shift : {0, 3, 8, 13})
                            ASSERT_EQ(NewPack(input, shift), expected)
                                << "size " << size << ", run of " << run << " at " << start
                                << (decoy ? " after a triple" : "") << ", shift " << shift;
                    }
}

TEST(REFERENCE_SUITE, DamagedInputGetsTheSameVerdict) {
    std::mt19937 generator(77);
    for (int round = 0; round < 3000; ++round) {
        const std::string input = VariedData(generator, generator() % 3000);
        std::string packed = reference::Pack(input);
        // A few bytes changed, the end or a chunk cut off, or the target made smaller or larger.
        uint32_t targetSize = static_cast<uint32_t>(input.size());
        switch (generator() % 5) {
        case 0:
            packed.resize(4 + generator() % (packed.size() - 3));
            break;
        case 1:
            targetSize = generator() % (2 * targetSize + 40);
            break;
        case 2: // the first chunk cut short, so that its last token may be cut off
            if (packed.size() >= 8 && packed.size() - 6 <= SFPieceSize + 2) {
                const size_t length = generator() % (packed.size() - 6);
                packed.resize(6 + length);
                packed[4] = static_cast<char>(length & 0xFF);
                packed[5] = static_cast<char>(length >> 8);
            }
            break;
        default:
            for (unsigned hits = 1 + generator() % 3; hits && packed.size() > 4; --hits)
                packed[4 + generator() % (packed.size() - 4)] = static_cast<char>(generator());
        }
        const auto [expected, actual] = UnpackBoth(packed, targetSize);
        ASSERT_EQ(actual, expected) << "round " << round << ": expected \"" << expected.error
                                    << "\", got \"" << actual.error << "\"";
    }
}

} // namespace
