#pragma once
// The "StoredData" stream: magic "SFP1", a record count, then one record per file
// (name, then its contents as a packed stream record). Streams without the magic are
// the older unpacked form, which is read but never written.
#include <cstdint>

#include "platform/rtl/Streams.h"

constexpr uint32_t StoredDataMagic = 0x31504653; // "SFP1"

struct TStoredDataHeader {
    bool Compressed;
    int32_t Count; // may be zero or negative: no records
};

// Raise EReadError when the stream runs short, EPackedDataError when it is damaged.
TStoredDataHeader ReadStoredDataHeader(TStream* Stream);
void ReadStoredRecord(TStream* Stream, bool Packed, AnsiString& Name, TMemoryStream* Contents);

void WriteStoredDataHeader(TStream* Stream, int32_t Count);
// Always the packed form.
void WriteStoredRecord(TStream* Stream, const AnsiString& Name, TMemoryStream* Contents);
