#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gmock/gmock.h>

#include <atomic>
#include <thread>

#include "platform/classes/Application.h"
#include "platform/classes/MessageLoop.h"
#include "platform/classes/Timers.h"
#include "platform/ui/Forms.h"
#include "platform/ui/WidgetBridge.h"
#include "tests/platform/ui/UiTestSupport.h"

namespace {
class QtLoopTest : public ::testing::Test {
protected:
    void SetUp() override { StartToolkit(); }
    TApplication application;
};

TEST_F(QtLoopTest, SynchronizedCallRunsOnTheMainThreadWhileTheLoopWaitsInQt) {
    std::atomic<bool> ranOnMain = false;
    std::atomic<bool> finished = false;
    std::thread worker([&] {
        TMessageLoop::Main().Synchronize([&] { ranOnMain = TMessageLoop::IsMainThread(); });
        finished = true;
        TMessageLoop::Main().Wake();
    });
    while (!finished)
        application.HandleMessage();
    worker.join();
    EXPECT_TRUE(ranOnMain);
}

TEST_F(QtLoopTest, TimersOfTheMainLoopTickAndQtEventsAreServedToo) {
    int ticks = 0;
    UINT timer = StartTimer(10, [&] { ++ticks; });
    bool qtTimerFired = false;
    QTimer::singleShot(5, [&] { qtTimerFired = true; });
    while (ticks < 3 || !qtTimerFired)
        application.HandleMessage();
    StopTimer(timer);
    EXPECT_GE(ticks, 3);
}

TEST_F(QtLoopTest, ClosingTheMainFormEndsRun) {
    TForm* form = nullptr;
    application.CreateForm(form);
    ASSERT_EQ(application.GetMainForm(), form);
    bool shownWhileRunning = false;
    TMessageLoop::Main().Post([&] {
        shownWhileRunning = WidgetOf(form)->isVisible();
        WidgetOf(form)->close(); // the close box
    });
    application.Run();
    EXPECT_TRUE(shownWhileRunning);
    EXPECT_TRUE(application.GetTerminated());
}

TEST_F(QtLoopTest, ClosingAnotherFormOnlyHidesIt) {
    TForm* mainForm = nullptr;
    TForm* second = nullptr;
    application.CreateForm(mainForm);
    application.CreateForm(second);
    second->Show();
    WidgetOf(second)->close();
    EXPECT_FALSE(second->GetVisible());
    EXPECT_FALSE(application.GetTerminated());
}

TEST_F(QtLoopTest, ModalMessageBoxStillServesSynchronizedCalls) {
    std::atomic<bool> served = false;
    std::thread worker([&] { TMessageLoop::Main().Synchronize([&] { served = true; }); });
    // Closes the box once the call was served (or, failing that, after a while).
    int polls = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box && (served || ++polls > 500))
            box->accept();
    });
    poll.start(10);
    MessageBoxA(nullptr, "waiting", "VOKA", MB_OK);
    poll.stop();
    worker.join();
    EXPECT_TRUE(served);
}
} // namespace
