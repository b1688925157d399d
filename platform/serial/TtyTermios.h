#pragma once
// DCB <-> kernel termios2 (any baud rate through BOTHER). Kept apart from <termios.h>, whose
// struct termios clashes with the kernel's.
#include "platform/win32/Comm.h"

struct termios2;

// Raw byte mode: no echo, no line editing, no translation, no signals, reads never block.
void MakeRawTermios(termios2& settings);
void DcbToTermios(const DCB& dcb, termios2& settings);
// Overwrites the DCB fields termios carries: rate, data bits, parity, stop bits, flow
// control and the XON/XOFF characters.
void TermiosToDcb(const termios2& settings, DCB& dcb);
