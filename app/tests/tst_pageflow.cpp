#include "PageFlow.h"

#include <QTest>

class TestPageFlow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void slideFromMenuToProgressPage()
    {
        PageFlow flow;
        flow.PageStep = 4;
        int start = 0;
        QVERIFY(flow.beginSlide(&start));
        QCOMPARE(start, 2560);
        const QList<int> target = {540, 440, 340, 240, 140, 40, 0};
        const QList<int> old = {-100, -200, -300, -400, -500, -600, -640};
        for (int i = 0; i < 7; ++i) {
            const auto frame = flow.tick();
            QCOMPARE(frame.targetPageLeft, target[i]);
            QCOMPARE(frame.oldPageLeft, old[i]);
            QCOMPARE(frame.finished, i == 6);
        }
        const auto states = flow.finishSlide();
        QCOMPARE(flow.CurrentPage, 4);
        QVERIFY(!states.back && !states.next && !states.exit);
    }

    void backwardSlideMirrorsTheForwardOne()
    {
        PageFlow flow;
        flow.CurrentPage = 6;
        flow.PageStep = -6;
        int start = 0;
        QVERIFY(flow.beginSlide(&start));
        QCOMPARE(start, -3840);
        auto frame = flow.tick();
        QCOMPARE(frame.oldPageLeft, 100);
        QCOMPARE(frame.targetPageLeft, -540);
        int ticks = 1;
        while (!frame.finished) {
            frame = flow.tick();
            ++ticks;
        }
        QCOMPARE(ticks, 7);
        QCOMPARE(frame.targetPageLeft, 0);
        QCOMPARE(frame.oldPageLeft, 640);
        const auto states = flow.finishSlide();
        QCOMPARE(flow.CurrentPage, 0);
        QCOMPARE(states.back, std::optional<bool>(false));
        QCOMPARE(states.next, std::optional<bool>(true));
    }

    void noSecondSlideWhileOneRuns()
    {
        PageFlow flow;
        flow.PageStep = 1;
        QVERIFY(flow.beginSlide());
        flow.PageStep = 2;
        QVERIFY(!flow.beginSlide());
        flow.PageStep = 1;
        while (!flow.tick().finished) {
        }
        flow.finishSlide();
        QCOMPARE(flow.CurrentPage, 1);
        flow.PageStep = 9; // no page there
        QVERIFY(!flow.beginSlide());
        flow.PageStep = 0;
        QVERIFY(!flow.beginSlide());
    }

    void titleColourFadesAndSaturates()
    {
        QCOMPARE(PageFlow::titleColourFor(0), qRgb(0, 0, 150));
        QCOMPARE(PageFlow::titleColourFor(-100), qRgb(50, 50, 200));
        QCOMPARE(PageFlow::titleColourFor(300), qRgb(150, 150, 255));
        QCOMPARE(PageFlow::titleColourFor(-640), qRgb(255, 255, 255));
    }

    void backSteps_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("step"); // 0: Back has no way
        QTest::newRow("menu") << 0 << 1 << 0;
        QTest::newRow("source") << 1 << 1 << -1;
        QTest::newRow("disc, disc to disc") << 2 << 2 << -2;
        QTest::newRow("disc, through the temporary folder") << 2 << 6 << -1;
        QTest::newRow("destination") << 3 << 1 << -2;
        QTest::newRow("destination after the temporary route") << 3 << 6 << -2;
        QTest::newRow("progress") << 4 << 1 << 0;
        QTest::newRow("burn") << 5 << 3 << -5;
        QTest::newRow("report") << 6 << 1 << -6;
        QTest::newRow("history") << 7 << 4 << -7;
    }

    void backSteps()
    {
        QFETCH(int, page);
        QFETCH(int, mode);
        QFETCH(int, step);
        PageFlow flow;
        flow.CurrentPage = page;
        flow.WizardMode = mode;
        QCOMPARE(flow.backStep().value_or(0), step);
    }

    void menuPositionsGiveModes()
    {
        PageFlow flow;
        QCOMPARE(flow.modeForMenuPosition(1), int(ModeRecoverToFolder));
        QCOMPARE(flow.modeForMenuPosition(3), int(ModeRecoverToDisc));
        flow.MenuIndexOffset = 1;
        QCOMPARE(flow.modeForMenuPosition(1), int(ModeRestart));
        QCOMPARE(flow.modeForMenuPosition(4), int(ModeRecoverToDisc));
    }

    void captionsAndStepLabels()
    {
        QCOMPARE(PageFlow::captionTexts(3).value(), (PageFlow::CaptionTexts{37, 38, 36}));
        QCOMPARE(PageFlow::captionTexts(4).value(), (PageFlow::CaptionTexts{37, 38, 35}));
        QCOMPARE(PageFlow::captionTexts(5).value(), (PageFlow::CaptionTexts{61, 34, 36}));
        QCOMPARE(PageFlow::captionTexts(6).value(), (PageFlow::CaptionTexts{61, 38, 36}));
        QVERIFY(!PageFlow::captionTexts(2));
        QVERIFY(!PageFlow::captionTexts(7));
        const auto labels = PageFlow::stepLabels(ModeRecoverToDiscViaTemp);
        QCOMPARE(labels.size(), 2);
        QCOMPARE(labels[1].tipsIndex, 6);
        QCOMPARE(labels[1].step, 4);
        QVERIFY(PageFlow::stepLabels(ModeRecoverToFolder).isEmpty());
        // A page is the same step on every road that shows it.
        for (const int mode : {ModeRestart, ModeRecoverToFolder, ModeDiscToDisc, ModeRecoverToDiscViaTemp})
            QCOMPARE(PageFlow::recoveryStepNumber(mode), 3);
        for (const int mode : {ModeDiscToDisc, ModeRecoverToDisc, ModeRecoverToDiscViaTemp}) {
            const auto steps = PageFlow::stepLabels(mode);
            QCOMPARE(steps.size(), 2);
            QCOMPARE(steps[1].step, int(PageFlow::BurnStep)); // the burn page
            // The disc page: the disc to copy (and its temporary folder), or the temporary folder.
            QCOMPARE(steps[0].step, mode == ModeDiscToDisc ? 1 : 2);
        }
    }
};

QTEST_GUILESS_MAIN(TestPageFlow)
#include "tst_pageflow.moc"
