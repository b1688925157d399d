#include "platform/serial/LineSettings.h"

DWORD ValidateLineSettings(const DCB& dcb) {
    const bool valid = dcb.BaudRate != 0 && dcb.ByteSize >= 5 && dcb.ByteSize <= 8 &&
                       dcb.Parity <= SPACEPARITY && dcb.StopBits <= TWOSTOPBITS &&
                       !(dcb.StopBits == ONE5STOPBITS && dcb.ByteSize != 5) &&
                       !(dcb.StopBits == TWOSTOPBITS && dcb.ByteSize == 5) &&
                       dcb.XonChar != dcb.XoffChar; // refused even without XON/XOFF
    return valid ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
}
