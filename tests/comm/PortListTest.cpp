// The port list from the port map, and the serial component's device list.
#include "comm/nrwin32.h"
#include "platform/win32/Registry.h"
#include "tests/comm/CommTestSupport.h"

namespace {
using PortMap = std::vector<std::pair<AnsiString, AnsiString>>;

class PortListTest : public ::testing::Test {
protected:
    void TearDown() override { SetSerialPortMapProvider(nullptr); }
    void UseMap(PortMap map) {
        SetSerialPortMapProvider([map] { return map; });
    }
    std::vector<std::pair<AnsiString, int>> List(bool withDeviceNames) {
        TStringList list;
        list.Add("left over");
        GetPortList(list, withDeviceNames);
        std::vector<std::pair<AnsiString, int>> entries;
        for (int i = 0; i < list.Count(); ++i)
            entries.emplace_back(list.Strings(i), PortListNumber(list, i));
        return entries;
    }
};

using Entries = std::vector<std::pair<AnsiString, int>>;
} // namespace

TEST_F(PortListTest, OrdersByNumberUpperCasesAndSkipsOtherPorts) {
    UseMap({{"/dev/a", "COM10"},
            {"/dev/b", "COM2"},
            {"/dev/c", "lpt1"},
            {"/dev/d", "com4"},
            {"/dev/e", "COM1"}});
    EXPECT_EQ(List(false), (Entries{{"COM1", 1}, {"COM2", 2}, {"COM4", 4}, {"COM10", 10}}));
    EXPECT_EQ(
        List(true),
        (Entries{
            {"COM1=/dev/e", 1}, {"COM2=/dev/b", 2}, {"COM4=/dev/d", 4}, {"COM10=/dev/a", 10}}));
}

TEST_F(PortListTest, SamePortUnderTwoDevicesKeepsTheFirst) {
    UseMap({{"/dev/first", "COM3"}, {"/dev/second", "COM3"}});
    EXPECT_EQ(List(true), (Entries{{"COM3=/dev/first", 3}}));
    EXPECT_EQ(List(false), (Entries{{"COM3", 3}}));
}

TEST_F(PortListTest, SameNumberUnderAnotherTextIsDroppedOnlyWhenLargest) {
    UseMap({{"/dev/a", "COM3"}, {"/dev/b", "COM03"}});
    EXPECT_EQ(List(false), (Entries{{"COM3", 3}}));
    UseMap({{"/dev/a", "COM3"}, {"/dev/c", "COM5"}, {"/dev/b", "COM03"}});
    EXPECT_EQ(List(false), (Entries{{"COM3", 3}, {"COM03", 3}, {"COM5", 5}}));
}

TEST_F(PortListTest, PortNameWithoutNumberRaisesAfterKeepingEarlierEntries) {
    UseMap({{"/dev/a", "COM2"}, {"/dev/b", "COMX"}, {"/dev/c", "COM1"}});
    TStringList list;
    EXPECT_THROW(GetPortList(list, false), EConvertError);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Strings(0), "COM2");
}

TEST_F(PortListTest, DeviceListLoadsQuicklyAndSelectsByPosition) {
    UseMap({{"/dev/ttyUSB0", "COM5"}, {"/dev/ttyS0", "COM1"}});
    TreRore comm(nullptr);
    EventRecorder events;
    comm.NotifyAdd(TnrNotifyEvent::Bind<&EventRecorder::Notify>(&events));

    TStringList shown;
    comm.GetDeviceList(&shown);
    ASSERT_EQ(comm.GetDeviceCount(), 2);
    EXPECT_EQ(shown.Text(), "COM1\nCOM5\n");
    TnrDevice* second = comm.GetDevice(1);
    EXPECT_EQ(second->DisplayName, "COM5");
    EXPECT_EQ(second->PortName, "COM5");
    EXPECT_EQ(second->PhysicalName, "/dev/ttyUSB0");
    EXPECT_EQ(second->Data, 5);
    EXPECT_EQ(second->Index, 1);
    EXPECT_EQ(second->Owner, &comm);
    EXPECT_TRUE(second->Description.empty());
    EXPECT_TRUE(second->Manufacturer.empty());
    EXPECT_EQ(comm.IndexOfDevice(second), 1);
    EXPECT_EQ(comm.IndexOfDeviceData(9), -1);
    EXPECT_THROW(comm.GetDevice(-1), EListError);
    EXPECT_EQ(comm.GetDeviceIndex(), 0);

    comm.SetDeviceIndex(-1);
    comm.SetDeviceIndex(2);
    EXPECT_TRUE(events.notifications.empty());
    comm.SetDeviceIndex(1);
    EXPECT_EQ(comm.GetComPortNo(), 5);
    EXPECT_EQ(comm.GetDeviceIndex(), 1);
    EXPECT_EQ(events.notifications, std::vector<int32_t>({3}));

    comm.SetComPortNo(7);
    EXPECT_EQ(comm.GetDeviceIndex(), -1);
}

TEST_F(PortListTest, GetDeviceListLoadsOnlyAnEmptyList) {
    UseMap({{"/dev/a", "COM2"}});
    TreRore comm(nullptr);
    comm.GetDeviceList(nullptr);
    EXPECT_EQ(comm.GetDeviceCount(), 1);
    UseMap({{"/dev/a", "COM2"}, {"/dev/b", "COM4"}});
    comm.GetDeviceList(nullptr);
    EXPECT_EQ(comm.GetDeviceCount(), 1);
    comm.Update();
    EXPECT_EQ(comm.GetDeviceCount(), 2);
}

TEST_F(PortListTest, UpdateNotifiesEvenWhenNothingChanged) {
    UseMap({{"/dev/a", "COM2"}, {"/dev/b", "COM2"}});
    TreRore comm(nullptr);
    EventRecorder events;
    const auto handler = TnrNotifyEvent::Bind<&EventRecorder::Notify>(&events);
    EXPECT_EQ(comm.NotifyAdd(handler), 0);
    EXPECT_EQ(comm.NotifyAdd(handler), 0);
    comm.Update();
    comm.Update();
    EXPECT_EQ(events.notifications, std::vector<int32_t>({3, 3}));
    EXPECT_EQ(comm.GetDeviceCount(), 1);
    comm.NotifyDelete(handler);
    comm.NotifyDelete(handler);
    comm.Update();
    EXPECT_EQ(events.notifications.size(), 2u);
}
