#include "ui/core/LoadingSaveStateWC.h"
#include "ui/core/WindowPlacement.h"

#include "platform/NotificationHub.h"
#include "support/EventLoop.h"
#include "support/ModalDriver.h"
#include "support/ScriptedDialogAnswerer.h"

#include <gtest/gtest.h>

#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

const QString kTitle = QStringLiteral("Cancel loading the SaveState");
const QString kInfo = QStringLiteral(
    "If you cancel then your previously saved queue entries will be lost. Are you sure you want this? ");

// Counts how often the restore was told to stop.
struct Restore
{
    int cancelled = 0;
    std::function<void()> cancelLoading()
    {
        return [this] { ++cancelled; };
    }
};

// Answers questions by running `onAsk` and giving its code.
class CallbackPresenter : public DialogPresenter
{
public:
    explicit CallbackPresenter(std::function<long()> onAsk) : onAsk_(std::move(onAsk))
    {
        DialogBoxes::setPresenter(this);
    }
    ~CallbackPresenter() override { DialogBoxes::setPresenter(previous_); }
    long runModal(const DialogRequest&) override { return onAsk_(); }

private:
    std::function<long()> onAsk_;
    DialogPresenter* previous_ = DialogBoxes::presenter();
};

} // namespace

TEST(LoadingSaveStateWC, ShowsABusyIndicatorAndStartsWithCodeOne)
{
    QMainWindow main;
    main.setGeometry(60, 40, 640, 480);
    main.show();
    LoadingSaveStateWC wc;
    EXPECT_EQ(wc.responseCode(), 1);
    EXPECT_EQ(wc.progressIndicator()->minimum(), 0);
    EXPECT_EQ(wc.progressIndicator()->maximum(), 0);
    const QRect visible = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(wc.pos(), WindowPlacement::centeredOrigin(main.frameGeometry(), wc.frameGeometry().size(),
                                                        visible, WindowPlacement::kLoadingWindowDistance));
    EXPECT_EQ(wc.y(), main.frameGeometry().top() + 100);
}

TEST(LoadingSaveStateWC, CancelAnsweredNoKeepsTheWindowUntilTheRestoreEnds)
{
    // 1001 is "No"; 0 is no answer at all (the self-closing question lost
    // focus), which must count as No too.
    for (const long answer : {1001L, 0L}) {
        ScriptedDialogAnswerer answers;
        answers.script({answer});
        Restore restore;
        LoadingSaveStateWC wc;
        bool visibleAfterCancel = false;
        whenShown<LoadingSaveStateWC>([&](LoadingSaveStateWC* w) {
            EXPECT_TRUE(w->progressIndicator()->isVisible());
            w->cancelButton()->click();
            visibleAfterCancel = w->isVisible();
            QTest::keyClick(w, Qt::Key_Escape); // not a way to cancel
            // The restore finishes a little later and closes the window.
            QTimer::singleShot(50, w, [w] { w->closeWindow(); });
        });
        EXPECT_EQ(wc.runModal(restore.cancelLoading()), 1);
        EXPECT_TRUE(visibleAfterCancel);
        EXPECT_EQ(restore.cancelled, 0);
        EXPECT_EQ(wc.responseCode(), 1);

        ASSERT_EQ(answers.asked().size(), 1);
        const DialogRequest q = answers.asked().first();
        EXPECT_EQ(q.title, kTitle);
        EXPECT_EQ(q.info, kInfo);
        ASSERT_EQ(q.buttons.size(), 2);
        EXPECT_EQ(q.buttons[0].title, "Yes");
        EXPECT_EQ(q.buttons[1].title, "No");
        EXPECT_EQ(q.activeButton, 2) << "No is the default button";
        EXPECT_TRUE(q.selfClosing);
    }
}

TEST(LoadingSaveStateWC, CancelAnsweredYesEndsWithZeroAndCancelsTheRestore)
{
    ScriptedDialogAnswerer answers;
    answers.script({1000});
    Restore restore;
    LoadingSaveStateWC wc;
    whenShown<LoadingSaveStateWC>([](LoadingSaveStateWC* w) { w->cancelButton()->click(); });
    EXPECT_EQ(wc.runModal(restore.cancelLoading()), 0);
    EXPECT_EQ(restore.cancelled, 1);
    EXPECT_EQ(wc.responseCode(), 0);
    EXPECT_FALSE(wc.isVisible());
    // The restore's own close afterwards changes nothing.
    wc.closeWindow();
    EXPECT_EQ(wc.responseCode(), 0);
}

TEST(LoadingSaveStateWC, TerminationClosesItWithItsCurrentCode)
{
    Restore restore;
    LoadingSaveStateWC wc;
    whenShown<LoadingSaveStateWC>(
        [](LoadingSaveStateWC*) { NotificationHub::defaultCenter().post("ApplicationWillTerminate"); });
    EXPECT_EQ(wc.runModal(restore.cancelLoading()), 1);
    EXPECT_EQ(restore.cancelled, 0);
}

TEST(LoadingSaveStateWC, AWindowClosedBeforeItRunsReturnsAtOnce)
{
    Restore restore;
    LoadingSaveStateWC wc;
    wc.closeWindow();
    EXPECT_EQ(wc.runModal(restore.cancelLoading()), 1);
    EXPECT_EQ(restore.cancelled, 0);
}

TEST(LoadingSaveStateWC, ARestoreThatEndsDuringTheQuestionWinsOverALateYes)
{
    // The restore finishes while the question is open: it closes the window
    // (and may drop it) before the user answers Yes.
    enum class Drop { Keep, Later, Now };
    for (const Drop drop : {Drop::Keep, Drop::Later, Drop::Now}) {
        Restore restore;
        auto* wc = new LoadingSaveStateWC;
        QPointer<LoadingSaveStateWC> guard(wc);
        CallbackPresenter presenter([&] {
            wc->closeWindow();
            if (drop == Drop::Later)
                wc->deleteLater();
            else if (drop == Drop::Now)
                delete wc;
            return 1000L;
        });
        whenShown<LoadingSaveStateWC>([](LoadingSaveStateWC* w) { w->cancelButton()->click(); });
        const long code = wc->runModal(restore.cancelLoading());
        EXPECT_EQ(restore.cancelled, 0) << int(drop);
        if (drop == Drop::Keep) {
            EXPECT_EQ(code, 1);
            EXPECT_EQ(wc->responseCode(), 1);
        }
        if (guard) delete guard.data();
        spinEventLoop(10);
    }
}
