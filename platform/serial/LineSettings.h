#pragma once
// Line settings in DCB form that do not depend on a driver.
#include "platform/win32/CommObject.h"

// ERROR_SUCCESS, or ERROR_INVALID_PARAMETER for settings no UART can take: a zero rate, data
// bits outside 5..8, unknown parity or stop bits, 1.5 stop bits with more than 5 data bits,
// 2 stop bits with 5 data bits, or equal XON and XOFF characters with software flow control.
DWORD ValidateLineSettings(const DCB& dcb);
