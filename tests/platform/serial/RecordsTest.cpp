// Flag positions in the DCB as code that masks the flag word relies on.
#include <gtest/gtest.h>

#include "platform/win32/Comm.h"

TEST(DcbFlags, BitFieldsSitWhereTheFlagWordExpectsThem) {
    DCB dcb{};
    dcb.fAbortOnError = 1;
    EXPECT_EQ(0x4000u, GetDcbFlags(dcb));
    dcb = DCB{};
    dcb.fRtsControl = RTS_CONTROL_TOGGLE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fInX = 1;
    dcb.fBinary = 1;
    EXPECT_EQ(0x3211u, GetDcbFlags(dcb));
    SetDcbFlags(dcb, 0x2011);
    EXPECT_EQ(RTS_CONTROL_HANDSHAKE, dcb.fRtsControl);
    EXPECT_EQ(0u, dcb.fInX);
    EXPECT_EQ(1u, dcb.fBinary);
}
