// DCB <-> termios2 for every line setting, on kernel records without a device.
#include <asm/termbits.h>
#include <gtest/gtest.h>

#include "platform/serial/TtyTermios.h"
#include "platform/win32/CommObject.h"

namespace {
struct LineCase {
    DWORD baud;
    BYTE byteSize, parity, stopBits;
    BYTE parityCheck, ctsFlow, rtsControl, outX, inX;
};

DCB Make(const LineCase& line) {
    DCB dcb = DefaultLineSettings();
    dcb.BaudRate = line.baud;
    dcb.ByteSize = line.byteSize;
    dcb.Parity = line.parity;
    dcb.StopBits = line.stopBits;
    dcb.fParity = line.parityCheck;
    dcb.fOutxCtsFlow = line.ctsFlow;
    dcb.fRtsControl = line.rtsControl;
    dcb.fOutX = line.outX;
    dcb.fInX = line.inX;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    return dcb;
}

TEST(Termios, EveryLineSettingSurvivesTheRoundTrip) {
    const LineCase cases[] = {
        {110, 5, NOPARITY, ONESTOPBIT, 0, 0, RTS_CONTROL_ENABLE, 0, 0},
        {1200, 5, SPACEPARITY, ONE5STOPBITS, 1, 0, RTS_CONTROL_DISABLE, 0, 1},
        {9600, 6, ODDPARITY, TWOSTOPBITS, 1, 0, RTS_CONTROL_ENABLE, 1, 0},
        {19200, 7, EVENPARITY, ONESTOPBIT, 0, 1, RTS_CONTROL_HANDSHAKE, 0, 0},
        {31250, 8, MARKPARITY, TWOSTOPBITS, 1, 1, RTS_CONTROL_ENABLE, 1, 1},
        {250000, 8, NOPARITY, ONESTOPBIT, 0, 0, RTS_CONTROL_HANDSHAKE, 0, 0},
        {12345, 7, SPACEPARITY, TWOSTOPBITS, 0, 0, RTS_CONTROL_TOGGLE, 0, 0},
    };
    for (const auto& line : cases) {
        const DCB set = Make(line);
        termios2 settings{};
        MakeRawTermios(settings);
        DcbToTermios(set, settings);
        DCB back = DefaultLineSettings();
        back.fRtsControl = set.fRtsControl; // kept by the port, not by termios
        back.fOutxCtsFlow = set.fOutxCtsFlow;
        TermiosToDcb(settings, back);
        EXPECT_EQ(set.BaudRate, back.BaudRate);
        EXPECT_EQ(set.ByteSize, back.ByteSize) << line.baud;
        EXPECT_EQ(set.Parity, back.Parity) << line.baud;
        EXPECT_EQ(set.StopBits, back.StopBits) << line.baud;
        EXPECT_EQ(set.fParity && set.Parity != NOPARITY, back.fParity != 0) << line.baud;
        EXPECT_EQ(set.fOutxCtsFlow, back.fOutxCtsFlow) << line.baud;
        EXPECT_EQ(set.fRtsControl, back.fRtsControl) << line.baud;
        EXPECT_EQ(set.fOutX, back.fOutX) << line.baud;
        EXPECT_EQ(set.fInX, back.fInX) << line.baud;
    }
}

TEST(Termios, KernelFlagsForParityAndFlowControl) {
    termios2 settings{};
    DCB dcb = Make({4800, 7, MARKPARITY, ONESTOPBIT, 1, 0, RTS_CONTROL_HANDSHAKE, 1, 0});
    DcbToTermios(dcb, settings);
    EXPECT_EQ(PARENB | CMSPAR | PARODD, settings.c_cflag & (PARENB | CMSPAR | PARODD));
    EXPECT_EQ(CS7, settings.c_cflag & CSIZE);
    EXPECT_TRUE(settings.c_cflag & CRTSCTS); // RTS handshake alone asks for it
    EXPECT_TRUE(settings.c_iflag & INPCK);
    EXPECT_EQ(IXON, settings.c_iflag & (IXON | IXOFF));
    EXPECT_EQ(BOTHER, settings.c_cflag & CBAUD);
    EXPECT_EQ(4800u, settings.c_ospeed);
}

TEST(Termios, StandardRateCodesReadBackAsRates) {
    termios2 settings{};
    settings.c_cflag = B57600 | CS8;
    DCB dcb = DefaultLineSettings();
    TermiosToDcb(settings, dcb);
    EXPECT_EQ(57600u, dcb.BaudRate);
}

TEST(Termios, RawModeTurnsOffTranslationAndBlocking) {
    termios2 settings{};
    settings.c_iflag = ICRNL | IXANY | BRKINT;
    settings.c_oflag = OPOST;
    settings.c_lflag = ECHO | ICANON | ISIG;
    settings.c_cflag = HUPCL;
    MakeRawTermios(settings);
    EXPECT_EQ(0u, settings.c_iflag & (ICRNL | IXANY | BRKINT));
    EXPECT_EQ(0u, settings.c_oflag & OPOST);
    EXPECT_EQ(0u, settings.c_lflag & (ECHO | ICANON | ISIG));
    EXPECT_EQ(CLOCAL | CREAD, settings.c_cflag & (CLOCAL | CREAD | HUPCL));
    EXPECT_EQ(0, settings.c_cc[VMIN]);
}
} // namespace
