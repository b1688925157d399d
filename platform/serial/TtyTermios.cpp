#include "platform/serial/TtyTermios.h"

#include <asm/termbits.h>

#include <iterator>

namespace {
struct StandardRate {
    tcflag_t code;
    DWORD rate;
};
constexpr StandardRate STANDARD_RATES[] = {
    {B50, 50},       {B75, 75},         {B110, 110},       {B134, 134},       {B150, 150},
    {B200, 200},     {B300, 300},       {B600, 600},       {B1200, 1200},     {B1800, 1800},
    {B2400, 2400},   {B4800, 4800},     {B9600, 9600},     {B19200, 19200},   {B38400, 38400},
    {B57600, 57600}, {B115200, 115200}, {B230400, 230400}, {B460800, 460800}, {B921600, 921600},
};

DWORD RateOf(const termios2& settings) {
    const tcflag_t code = settings.c_cflag & CBAUD;
    if (code == BOTHER)
        return settings.c_ospeed;
    for (const auto& standard : STANDARD_RATES)
        if (standard.code == code)
            return standard.rate;
    return settings.c_ospeed;
}
} // namespace

void MakeRawTermios(termios2& settings) {
    settings.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXANY |
                          IMAXBEL | IUCLC | IGNPAR);
    settings.c_oflag &= ~OPOST;
    settings.c_lflag &= ~(ECHO | ECHONL | ECHOE | ECHOK | ICANON | ISIG | IEXTEN);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cflag &= ~HUPCL;
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
}

void DcbToTermios(const DCB& dcb, termios2& settings) {
    settings.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    settings.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    settings.c_ospeed = dcb.BaudRate;
    settings.c_ispeed = dcb.BaudRate;

    settings.c_cflag &= ~CSIZE;
    settings.c_cflag |= dcb.ByteSize == 5   ? CS5
                        : dcb.ByteSize == 6 ? CS6
                        : dcb.ByteSize == 7 ? CS7
                                            : CS8;

    settings.c_cflag &= ~(PARENB | PARODD | CMSPAR);
    switch (dcb.Parity) {
    case ODDPARITY:
        settings.c_cflag |= PARENB | PARODD;
        break;
    case EVENPARITY:
        settings.c_cflag |= PARENB;
        break;
    case MARKPARITY:
        settings.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case SPACEPARITY:
        settings.c_cflag |= PARENB | CMSPAR;
        break;
    default:
        break;
    }
    if (dcb.fParity && dcb.Parity != NOPARITY)
        settings.c_iflag |= INPCK;
    else
        settings.c_iflag &= ~INPCK;

    if (dcb.StopBits == ONESTOPBIT)
        settings.c_cflag &= ~CSTOPB;
    else
        settings.c_cflag |= CSTOPB; // with 5 data bits the UART sends 1.5

    if (dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE)
        settings.c_cflag |= CRTSCTS;
    else
        settings.c_cflag &= ~CRTSCTS;

    settings.c_iflag &= ~(IXON | IXOFF);
    if (dcb.fOutX)
        settings.c_iflag |= IXON;
    if (dcb.fInX)
        settings.c_iflag |= IXOFF;
    settings.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
    settings.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
}

void TermiosToDcb(const termios2& settings, DCB& dcb) {
    dcb.BaudRate = RateOf(settings);
    switch (settings.c_cflag & CSIZE) {
    case CS5:
        dcb.ByteSize = 5;
        break;
    case CS6:
        dcb.ByteSize = 6;
        break;
    case CS7:
        dcb.ByteSize = 7;
        break;
    default:
        dcb.ByteSize = 8;
        break;
    }
    const tcflag_t c = settings.c_cflag;
    if (!(c & PARENB))
        dcb.Parity = NOPARITY;
    else if (c & CMSPAR)
        dcb.Parity = (c & PARODD) ? MARKPARITY : SPACEPARITY;
    else
        dcb.Parity = (c & PARODD) ? ODDPARITY : EVENPARITY;
    dcb.fParity = (settings.c_iflag & INPCK) ? 1 : 0;
    if (!(c & CSTOPB))
        dcb.StopBits = ONESTOPBIT;
    else
        dcb.StopBits = dcb.ByteSize == 5 ? ONE5STOPBITS : TWOSTOPBITS;

    // One kernel flag stands for both directions; keep the DCB's split when it agrees.
    const bool hardware = c & CRTSCTS;
    const bool dcbHardware = dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE;
    if (hardware && !dcbHardware) {
        dcb.fOutxCtsFlow = 1;
        dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    } else if (!hardware && dcbHardware) {
        dcb.fOutxCtsFlow = 0;
        if (dcb.fRtsControl == RTS_CONTROL_HANDSHAKE)
            dcb.fRtsControl = RTS_CONTROL_ENABLE;
    }
    dcb.fOutX = (settings.c_iflag & IXON) ? 1 : 0;
    dcb.fInX = (settings.c_iflag & IXOFF) ? 1 : 0;
    dcb.XonChar = static_cast<char>(settings.c_cc[VSTART]);
    dcb.XoffChar = static_cast<char>(settings.c_cc[VSTOP]);
}
