// The plug-and-play identification handshake on the virtual port, on the test clock.
#include <gmock/gmock.h>

#include "tests/comm/CommTestSupport.h"
#include "tools/lumivox-sim/SimSetup.h"

namespace {
class PnpDeviceStringTest : public CommTest {
protected:
    void SetUp() override {
        CommTest::SetUp();
        SetTestTickCount(0);
        SetTestSleepInstant(true);
        events.AttachFatal(*comm);
        events.raiseFatal = false;
        comm->SetTraceState(TTraceStates{tsRing, tsCTS});
        remote->SetDsr(true);
    }
    // Answers every rise of both DTR and RTS with the text; counts the rises.
    void Answer(std::string text) {
        remote->AnswerModemOutputs([this, text, raised = false](bool dtr, bool rts) mutable {
            const bool rising = dtr && rts && !raised;
            raised = dtr && rts;
            rises += rising;
            return rising ? text : std::string();
        });
    }
    void ExpectRestored(bool active) {
        EXPECT_EQ(comm->GetActive(), active);
        EXPECT_EQ(comm->GetTraceStates(), (TTraceStates{tsRing, tsCTS}));
        if (active) {
            const DCB line = remote->LineSettings();
            EXPECT_EQ(line.BaudRate, 19200u);
            EXPECT_EQ(line.ByteSize, 8);
        }
        EXPECT_EQ(comm->GetBaudRate(), 19200u);
        EXPECT_EQ(comm->GetByteSize(), 8);
    }
    int rises = 0;
};

TEST_F(PnpDeviceStringTest, AGoodDeviceGivesItsIdentificationWithTheParentheses) {
    SimOptions options;
    ASSERT_EQ(ParseSimOptions({"--pnp", "LVX0503\\Lumivox"}, options), "");
    SimulatedUnit unit;
    std::string error;
    std::ostringstream log;
    ASSERT_TRUE(MakeSimulatedUnit(options, log, unit, error));
    ASSERT_TRUE(unit.pnp);
    remote->AnswerModemOutputs(
        [&](bool dtr, bool rts) { return unit.pnp->LinesChanged(dtr, rts); });
    EXPECT_EQ(comm->GetPNPDeviceString(), "(LVX0503\\Lumivox)");
    ExpectRestored(false);
    EXPECT_TRUE(events.fatals.empty());
    EXPECT_FALSE(remote->NearEndOpen());
}

TEST_F(PnpDeviceStringTest, AnActiveComponentStaysActiveWithItsLineSettings) {
    comm->SetActive(true);
    Answer("\x08PNP\x09 trailing");
    EXPECT_EQ(comm->GetPNPDeviceString(), "\x08PNP\x09") << "up to the end byte";
    ExpectRestored(true);
    EXPECT_EQ(rises, 1);
}

TEST_F(PnpDeviceStringTest, AWrongFirstByteGivesNothing) {
    Answer("X(LVX0503)");
    EXPECT_EQ(comm->GetPNPDeviceString(), "");
    ExpectRestored(false);
    EXPECT_TRUE(events.fatals.empty()) << "no report for a wrong answer";
}

TEST_F(PnpDeviceStringTest, ASilentDeviceIsAskedTwiceThenGivesNothing) {
    Answer("");
    const DWORD start = GetTickCount();
    EXPECT_EQ(comm->GetPNPDeviceString(), "");
    EXPECT_EQ(rises, 2) << "the sequence is repeated once";
    EXPECT_GE(GetTickCount() - start, 1000u) << "pauses and waits on the test clock";
    ExpectRestored(false);
    EXPECT_TRUE(events.fatals.empty());
}

TEST_F(PnpDeviceStringTest, AnAnswerCutShortIsReturnedAsReceived) {
    Answer("(LVX05");
    EXPECT_EQ(comm->GetPNPDeviceString(), "(LVX05");
}

TEST_F(PnpDeviceStringTest, WithoutDsrTheConnectionFailureIsReported) {
    remote->SetDsr(false);
    Answer("(LVX0503)");
    comm->SetActive(true);
    EXPECT_EQ(comm->GetPNPDeviceString(), "");
    EXPECT_THAT(events.fatals, ::testing::ElementsAre("1,0,Device Connect Initialization Error"));
    EXPECT_EQ(rises, 0);
    ExpectRestored(true);
}
} // namespace
