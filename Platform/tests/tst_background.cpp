#include "Background.h"

#include <QSemaphore>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>

using namespace std::chrono_literals;
using Platform::Abandon;
using Platform::Background;

namespace {

// A call that stays stuck until the test lets it go, as a read of a dead device would: the test
// releases every gate before it ends so no thread outlives it.
struct Gate
{
    std::shared_ptr<QSemaphore> semaphore = std::make_shared<QSemaphore>();
    auto stuckCall(int value) const
    {
        return [s = semaphore, value] {
            s->acquire();
            return value;
        };
    }
    void open(int calls = 1) const { semaphore->release(calls); }
};

} // namespace

class TestBackground : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void returnsTheResult_data()
    {
        QTest::addColumn<bool>("keepEventsAlive");
        QTest::newRow("blocking") << false;
        QTest::newRow("serving events") << true;
    }

    void returnsTheResult()
    {
        QFETCH(bool, keepEventsAlive);
        const auto call = [] {
            std::this_thread::sleep_for(20ms); // long enough to need the event loop
            return QStringLiteral("done");
        };
        const std::optional<QString> result = keepEventsAlive
                                                  ? Background::callKeepingEventsAlive(call)
                                                  : Background::callWithin(Background::Forever, call);
        QCOMPARE(result, std::optional<QString>(QStringLiteral("done")));
    }

    void aCallThatNeverReturnsIsAbandonedAfterItsBound_data() { returnsTheResult_data(); }

    void aCallThatNeverReturnsIsAbandonedAfterItsBound()
    {
        QFETCH(bool, keepEventsAlive);
        const Gate gate;
        const std::optional<int> result =
            keepEventsAlive ? Background::callKeepingEventsAlive(gate.stuckCall(1), nullptr, 50ms)
                            : Background::callWithin(50ms, gate.stuckCall(1));
        QVERIFY(!result);
        gate.open();
    }

    void theCallerServesItsEventsWhileWaiting()
    {
        const Gate gate;
        int ticks = 0;
        QTimer tick;
        // The call returns only once the caller's own timer has fired three times: proof that
        // the wait serves the caller's event loop rather than blocking it.
        connect(&tick, &QTimer::timeout, this, [&] {
            if (++ticks == 3)
                gate.open();
        });
        tick.start(5);
        QCOMPARE(Background::callKeepingEventsAlive(gate.stuckCall(7)), std::optional<int>(7));
        QVERIFY(ticks >= 3);
    }

    void abandonEndsTheWait()
    {
        const Gate gate;
        Abandon abandon;
        QTimer::singleShot(10, &abandon, &Abandon::abandon);
        QVERIFY(!Background::callKeepingEventsAlive(gate.stuckCall(1), &abandon));
        QVERIFY(abandon.isAbandoned());
        // Already abandoned: a new wait on it does not start.
        QVERIFY(!Background::callKeepingEventsAlive(gate.stuckCall(2), &abandon));
        gate.open(2);
    }

    void destroyingTheAbandonEndsTheWait()
    {
        const Gate gate;
        auto* abandon = new Abandon;
        QTimer::singleShot(10, abandon, [abandon] { delete abandon; });
        QVERIFY(!Background::callKeepingEventsAlive(gate.stuckCall(1), abandon));
        gate.open();
    }

    void stuckCallsDoNotHoldUpNewOnes()
    {
        const Gate gate;
        for (int i = 0; i < 8; ++i)
            QVERIFY(!Background::callWithin(1ms, gate.stuckCall(i)));
        QCOMPARE(Background::callWithin(Background::Forever, [] { return 42; }), std::optional<int>(42));
        gate.open(8);
    }

    void startedCallsRunSideBySide()
    {
        // Two calls that each wait for the other: they finish only if both run at once, as
        // the size queries of several volumes do.
        auto first = std::make_shared<QSemaphore>();
        auto second = std::make_shared<QSemaphore>();
        auto a = Background::start([first, second] {
            first->release();
            second->acquire();
            return 1;
        });
        auto b = Background::start([first, second] {
            second->release();
            first->acquire();
            return 2;
        });
        QVERIFY(a.waitFor(Background::Forever));
        QVERIFY(b.waitFor(Background::Forever));
        QCOMPARE(a.take() + b.take(), 3);
    }

    void anExceptionReachesTheCaller()
    {
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, Background::callKeepingEventsAlive([]() -> int {
                                     throw std::runtime_error("unreadable");
                                 }));
    }
};

QTEST_MAIN(TestBackground)
#include "tst_background.moc"
