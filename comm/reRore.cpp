#include "comm/reRore.h"

#include "platform/classes/Publisher.h"

// Streaming order after Name and Tag; no property has a default, so every one is stored
// and applied in this order while loading (ComPort after ComPortNo, RS485Mode after
// StreamProtocol).
VOKA_PUBLISH(TreRore, p) {
    using C = TreRore;
    p.Component("Log", &C::GetLog, &C::SetLog);
    p.Event("OnFatalError", &C::GetOnFatalError, &C::SetOnFatalError);
    p.Bool("Active", &C::GetActive, &C::SetActive);
    p.Integer("BaudRate", &C::GetBaudRate, &C::SetBaudRate);
    p.Enum("Parity", &C::GetParity, &C::SetParity);
    p.Enum("StopBits", &C::GetStopBits, &C::SetStopBits);
    p.Integer("ByteSize", &C::GetByteSize, &C::SetByteSize);
    p.Integer("ComPortNo", &C::GetComPortNo, &C::SetComPortNo);
    p.Enum("ComPort", &C::GetComPort, &C::SetComPort);
    p.Set("TraceStates", &C::GetTraceStates, &C::SetTraceState);
    p.Set("ModemSignals", &C::GetStateModemSignals, nullptr).NotStored();
    p.Char("EventChar", &C::GetEventChar, &C::SetEventChar);
    p.Enum("StreamProtocol", &C::GetStreamProtocol, &C::SetStreamProtocol);
    p.Component("DataProcessor", &C::GetDataProcessor, &C::SetDataProcessor);
    p.Integer("BufferInSize", &C::GetBufferInSize, &C::SetBufferInSize);
    p.Integer("BufferOutSize", &C::GetBufferOutSize, &C::SetBufferOutSize);
    p.Integer("TimeoutRead", &C::GetTimeoutRead, &C::SetTimeoutRead);
    p.Integer("TimeoutWrite", &C::GetTimeoutWrite, &C::SetTimeoutWrite);
    p.Bool("RS485Mode", &C::GetRS485, &C::SetRS485);
    p.Enum("EnumPorts", &C::GetEnumPorts, &C::SetEnumPorts);
    p.Component("Terminal", &C::GetTerminal, &C::SetTerminal);
    p.Enum("TerminalUsage", &C::GetTerminalUsage, &C::SetTerminalUsage);
    p.Bool("TerminalEcho", &C::GetTerminalEcho, &C::SetTerminalEcho);
    p.Component("MonitorCTS", &C::GetMonitorCTS, &C::SetMonitorCTS);
    p.Component("MonitorDSR", &C::GetMonitorDSR, &C::SetMonitorDSR);
    p.Component("MonitorRLSD", &C::GetMonitorRLSD, &C::SetMonitorRLSD);
    p.Component("MonitorRing", &C::GetMonitorRing, &C::SetMonitorRing);
    p.Event("OnAfterReceive", &C::GetOnAfterReceive, &C::SetOnAfterReceive);
    p.Event("OnAfterSend", &C::GetOnSent, &C::SetOnSent);
    p.Event("OnTraceState", &C::GetOnTraceState, &C::SetOnTraceState);
    p.Event("OnCommError", &C::GetOnCommError, &C::SetOnCommError);
    p.Event("OnClose", &C::GetOnClose, &C::SetOnClose);
}
