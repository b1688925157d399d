#pragma once
// Types shared by the communication components: port event kinds, modem inputs, line
// settings, port selection and the event signatures of the serial component.
#include <cstdint>

#include "platform/classes/Sets.h"
#include "platform/classes/TypeInfo.h"
#include "platform/rtl/Events.h"

// Port events; ordinal n is bit n of the 16-bit set.
VOKA_ENUM(TTraceState, tsRxChar, tsRxFlag, tsTxEmpty, tsCTS, tsDSR, tsRLSD, tsBreak, tsErr, tsRing,
          tsRx80Full, tsEvent1, tsEvent2)
using TTraceStates = TSet<TTraceState>;

VOKA_ENUM(TModemSignal, msCTS, msDSR, msRing, msRLSD)
using TModemSignals = TSet<TModemSignal>;

// The hold flags of COMSTAT, bit n = flag n.
VOKA_ENUM(TComStateFlag, fCtsHold, fDsrHold, fRlsdHold, fXoffHold, fXoffSent, fEof, fTxim)
using TComStateFlags = TSet<TComStateFlag>;

// Ordinals equal the DCB codes.
VOKA_ENUM(TParity, pNone, pOdd, pEven, pMark, pSpace)
VOKA_ENUM(TStopBits, sbOne, sbOneAndHalf, sbTwo)
VOKA_ENUM(TStreamProtocol, spNone, spXonXoff, spHardware)
// cpCOMxx stands for any port above 8.
VOKA_ENUM(TComPort, cpCOM1, cpCOM2, cpCOM3, cpCOM4, cpCOM5, cpCOM6, cpCOM7, cpCOM8, cpCOMxx)
VOKA_ENUM(TnrEnumPorts, epQuickAll, epFullInfo, epFullPresent)
VOKA_ENUM(TTerminalUsage, tuNone, tuSend, tuReceive, tuBoth)

// Com
using TOnSent = TEvent<TObject*>;
// Com, Event
using TOnTraceEvent = TEvent<TObject*, TTraceStates>;
// Com, CommCode, SysError, State, flFlashBuffers (set it to purge the driver queues)
using TOnCommErrorEvent = TEvent<TObject*, uint32_t, uint32_t, TComStateFlags, bool&>;
// Com, Buffer, Received
using TOnReceived = TEvent<TObject*, const void*, uint32_t>;
