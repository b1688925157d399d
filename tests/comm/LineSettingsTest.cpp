// How each property reaches the DCB, and what the getters read back from an open port.
#include "platform/classes/PropAccess.h"
#include "platform/win32/CommObject.h"
#include "tests/comm/CommTestSupport.h"

namespace {
DWORD Flags(TreRore& comm) {
    return GetDcbFlags(comm.GetCommConfigRecord().dcb);
}
bool NoPortExists(const AnsiString&) {
    return false;
}
} // namespace

TEST_F(CommTest, WithoutCom1TheSettingsStillReachThePortAtOpen) {
    const CommPortProbe probe = SetCommPortProbe(&NoPortExists);
    TreRore fresh(nullptr); // its record starts without COM1's defaults
    SetCommPortProbe(probe);
    fresh.SetComPortNo(kPort);
    fresh.SetBaudRate(57600);
    fresh.SetActive(true);
    ASSERT_TRUE(fresh.GetActive());
    EXPECT_EQ(remote->LineSettings().BaudRate, 57600u);
}

TEST_F(CommTest, StreamProtocolKeepsUnrelatedFlagsAndSetsItsOwn) {
    DCB& dcb = comm->GetCommConfigRecord().dcb;
    SetDcbFlags(dcb, 0xFFFFFFFF);
    comm->SetStreamProtocol(spNone);
    EXPECT_EQ(Flags(*comm), 0x4DEEu | 0x0011u);

    SetDcbFlags(dcb, 0);
    comm->SetStreamProtocol(spXonXoff);
    EXPECT_EQ(Flags(*comm), 0x0211u);
    EXPECT_TRUE(dcb.fInX);
    EXPECT_FALSE(dcb.fOutX) << "only the receive side is flow-controlled";
    EXPECT_EQ(dcb.XonLim, 10);
    EXPECT_EQ(dcb.XoffLim, 10);
    EXPECT_EQ(dcb.XonChar, 0x11);
    EXPECT_EQ(dcb.XoffChar, 0x13);
    EXPECT_EQ(comm->GetStreamProtocol(), spXonXoff);

    comm->SetStreamProtocol(spHardware);
    EXPECT_EQ(Flags(*comm), 0x2011u);
    EXPECT_EQ(comm->GetStreamProtocol(), spHardware);
}

TEST_F(CommTest, RS485ModeOverridesTheProtocolAndLeavesNoneWhenSwitchedOff) {
    comm->SetStreamProtocol(spXonXoff);
    comm->SetRS485(true);
    EXPECT_EQ(Flags(*comm) & 0x3211u, 0x3011u);
    EXPECT_EQ(comm->GetStreamProtocol(), spHardware);
    comm->SetStreamProtocol(spNone);
    EXPECT_EQ(Flags(*comm) & 0x3211u, 0x3011u) << "RS485 wins whatever the value";

    comm->SetRS485(false);
    EXPECT_EQ(comm->GetStreamProtocol(), spNone);
}

TEST_F(CommTest, StoredHardwareProtocolFollowedByRS485OffLoadsAsNone) {
    SetOrdProp(comm.get(), "StreamProtocol", spHardware);
    SetOrdProp(comm.get(), "RS485Mode", 0);
    EXPECT_EQ(Flags(*comm) & 0x3211u, 0x0011u);
}

TEST_F(CommTest, ByteSizeOutsideFourToEightStoresEight) {
    for (uint8_t size : {4, 5, 7, 8}) {
        comm->SetByteSize(size);
        EXPECT_EQ(comm->GetByteSize(), size);
    }
    comm->SetByteSize(5);
    comm->SetByteSize(3);
    EXPECT_EQ(comm->GetByteSize(), 8);
    comm->SetByteSize(5);
    comm->SetByteSize(9);
    EXPECT_EQ(comm->GetByteSize(), 8);
}

TEST_F(CommTest, ParitySetsTheParityFlagForAnythingButNone) {
    comm->SetParity(pMark);
    EXPECT_EQ(comm->GetCommConfigRecord().dcb.Parity, MARKPARITY);
    EXPECT_TRUE(comm->GetCommConfigRecord().dcb.fParity);
    comm->SetParity(pNone);
    EXPECT_FALSE(comm->GetCommConfigRecord().dcb.fParity);
}

TEST_F(CommTest, ComPortEnumerationMapsOntoThePortNumber) {
    comm->SetComPort(cpCOM3);
    EXPECT_EQ(comm->GetComPortNo(), 3);
    comm->SetComPortNo(12);
    EXPECT_EQ(comm->GetComPort(), cpCOMxx);
    comm->SetComPort(cpCOMxx);
    EXPECT_EQ(comm->GetComPortNo(), 12);
    comm->SetComPortNo(8);
    EXPECT_EQ(comm->GetComPort(), cpCOM8);
    comm->SetComPortNo(0);
    EXPECT_EQ(comm->GetComPort(), cpCOMxx) << "port 0 has no enumeration value";
}

TEST_F(CommTest, SettersApplyToAnOpenPortAndGettersReadItBack) {
    comm->SetActive(true);
    comm->SetBaudRate(38400);
    comm->SetParity(pEven);
    comm->SetStopBits(sbTwo);
    comm->SetByteSize(7);
    comm->SetEventChar('\n');
    const DCB line = remote->LineSettings();
    EXPECT_EQ(line.BaudRate, 38400u);
    EXPECT_EQ(line.Parity, EVENPARITY);
    EXPECT_EQ(line.StopBits, TWOSTOPBITS);
    EXPECT_EQ(line.ByteSize, 7);
    EXPECT_EQ(line.EvtChar, '\n');

    // A change made behind the component's back shows through the getters.
    DCB changed = line;
    changed.BaudRate = 2400;
    ASSERT_TRUE(SetCommState(comm->GetDeviceHandle(), &changed));
    EXPECT_EQ(comm->GetBaudRate(), 2400u);
    EXPECT_EQ(comm->GetCommConfigRecord().dcb.BaudRate, 2400u);
}

TEST_F(CommTest, QueueSizeSetOnAnOpenPortIsWhatTheDriverReports) {
    comm->SetBufferInSize(1024);
    EXPECT_EQ(comm->GetBufferInSize(), 1024);
    comm->SetActive(true);
    comm->SetBufferInSize(2000);
    COMMPROP properties{};
    ASSERT_TRUE(GetCommProperties(comm->GetDeviceHandle(), &properties));
    EXPECT_EQ(comm->GetBufferInSize(), static_cast<uint16_t>(properties.dwCurrentRxQueue));
    EXPECT_NE(properties.dwCurrentRxQueue, 0u);
}

TEST_F(CommTest, TimeoutsGoToTheirMultipliersAndReachTheOpenPort) {
    comm->SetTimeoutRead(5);
    comm->SetTimeoutWrite(7);
    comm->SetActive(true);
    COMMTIMEOUTS applied{};
    ASSERT_TRUE(GetCommTimeouts(comm->GetDeviceHandle(), &applied));
    EXPECT_EQ(applied.ReadTotalTimeoutMultiplier, 5u);
    EXPECT_EQ(applied.WriteTotalTimeoutMultiplier, 7u);
    EXPECT_EQ(applied.ReadIntervalTimeout, 0u);
    EXPECT_EQ(applied.ReadTotalTimeoutConstant, 0u);
    EXPECT_EQ(applied.WriteTotalTimeoutConstant, 0u);
}

TEST_F(CommTest, LineControlDrivesTheModemOutputs) {
    events.Attach(*comm);
    comm->SetActive(true);
    events.traces.clear();
    comm->SetStateDTR(false);
    EXPECT_FALSE(remote->Dtr());
    comm->SetStateDTR(true);
    EXPECT_TRUE(remote->Dtr());
    comm->SetStateRTS(false);
    EXPECT_FALSE(remote->Rts());
    comm->SetStateBreak(true);
    EXPECT_TRUE(remote->BreakOn());
    comm->SetStateBreak(false);
    EXPECT_FALSE(remote->BreakOn());
    EXPECT_EQ(events.traces, std::vector<TTraceStates>(
                                 {TTraceStates{tsDSR}, TTraceStates{tsDSR}, TTraceStates{tsCTS}}));
}

TEST_F(CommTest, ConnectionTestNeedsDsr) {
    comm->SetActive(true);
    remote->SetDsr(true);
    comm->InitDeviceConnect();
    EXPECT_TRUE(remote->Rts());
    EXPECT_TRUE(log.Has("reRore: The device connection was succesful tested"));

    remote->SetDsr(false);
    SetTestTickCount(0);
    EXPECT_THROW(
        {
            try {
                comm->InitDeviceConnect();
            } catch (const Exception& error) {
                EXPECT_EQ(error.Message, "Device Connect Initialization Error");
                throw;
            }
        },
        Exception);
}
