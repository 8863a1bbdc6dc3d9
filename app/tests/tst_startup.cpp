#include "FormatSize.h"
#include "RunSummary.h"
#include "StartUp.h"

#include <QTest>

#include <cmath>

class TestStartUp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void programFolderEndsInASlash()
    {
        QCOMPARE(StartUp::appFolderFrom(QStringLiteral("/home/ann/data")), QStringLiteral("/home/ann/data/"));
        QCOMPARE(StartUp::appFolderFrom(QStringLiteral("/")), QStringLiteral("/"));
        QCOMPARE(StartUp::languageFileIn(QStringLiteral("/x/")), QStringLiteral("/x/languages.sir"));
    }

    void savedLanguage_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("language");
        QTest::newRow("empty") << QString() << 1;
        QTest::newRow("zero") << QStringLiteral("0") << 1;
        QTest::newRow("negative") << QStringLiteral("-1") << 1;
        QTest::newRow("not a number") << QStringLiteral("French") << 1;
        QTest::newRow("three") << QStringLiteral("3") << 3;
        QTest::newRow("blanks and tail") << QStringLiteral(" 2abc") << 2;
        QTest::newRow("fraction rounds") << QStringLiteral("2.6") << 3;
        QTest::newRow("half to even") << QStringLiteral("2.5") << 2;
        QTest::newRow("five stays") << QStringLiteral("5") << 5;
    }

    void savedLanguage()
    {
        QFETCH(QString, stored);
        QFETCH(int, language);
        QCOMPARE(StartUp::savedLanguageNumber(stored), language);
    }

    void loadErrorNamesTheNumberAndTheAddress()
    {
        const QString text = StartUp::loadErrorText(9);
        QVERIFY(text.startsWith(QStringLiteral("Load Error #9\nInform us about this problem, please.\n")));
        QVERIFY(text.endsWith(StartUp::supportAddress()));
        QVERIFY(StartUp::supportAddress().contains(QLatin1Char('@')));
        QVERIFY(StartUp::homePageAddress(2).endsWith(QStringLiteral("&l=1")));
        QVERIFY(!StartUp::homePageAddress(1).endsWith(QStringLiteral("&l=1")));
    }

    void formatSize_data()
    {
        QTest::addColumn<double>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0.0 << QStringLiteral("0 b");
        QTest::newRow("5120") << 5120.0 << QStringLiteral("5120 b");
        QTest::newRow("5121") << 5121.0 << QStringLiteral("5 Kb");
        QTest::newRow("6143") << 6143.0 << QStringLiteral("5 Kb");
        QTest::newRow("5242880") << 5242880.0 << QStringLiteral("5120 Kb");
        QTest::newRow("5242881") << 5242881.0 << QStringLiteral("5 Mb");
        QTest::newRow("10380902") << 10380902.0 << QStringLiteral("9 Mb");
        QTest::newRow("1073741824") << 1073741824.0 << QStringLiteral("1024 Mb");
        QTest::newRow("1073741825") << 1073741825.0 << QStringLiteral("1 Gb");
        QTest::newRow("-3") << -3.0 << QStringLiteral("-3 b");
        QTest::newRow("3 x 2^50") << 3.0 * std::pow(2.0, 50) << QStringLiteral("0b");
    }

    void formatSize()
    {
        QFETCH(double, bytes);
        QFETCH(QString, text);
        QCOMPARE(FormatSize(bytes), text);
    }

    void runSummary_data()
    {
        QTest::addColumn<bool>("stoppedEarly");
        QTest::addColumn<bool>("canResume");
        QTest::addColumn<qint64>("currentFile");
        QTest::addColumn<QString>("copied");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<bool>("resumeShown");
        QTest::addColumn<uint>("colour");
        QTest::addColumn<qint64>("notCopied");
        QTest::addColumn<qint64>("corrupted");
        QTest::addColumn<QString>("headline");
        QTest::addColumn<qint64>("leftOut");
        QTest::addColumn<qint64>("folders");
        // Ten entries. A run that did not copy every file never says it completed.
        QTest::newRow("done, one not copied")
            << false << true << qint64(11) << QStringLiteral("9") << QStringLiteral("t171") << false
            << uint(qRgb(176, 80, 0)) << qint64(1) << qint64(2) << QStringLiteral("t170") << qint64(0)
            << qint64(0);
        // Damaged files are a warning, not a success.
        QTest::newRow("done, damaged files")
            << false << true << qint64(11) << QStringLiteral("10") << QStringLiteral("t172") << false
            << uint(qRgb(176, 80, 0)) << qint64(0) << qint64(2) << QStringLiteral("t51") << qint64(0)
            << qint64(0);
        QTest::newRow("done, all whole")
            << false << true << qint64(11) << QStringLiteral("10") << QStringLiteral("t137") << false
            << uint(qRgb(0, 128, 0)) << qint64(0) << qint64(0) << QStringLiteral("t51") << qint64(0)
            << qint64(0);
        // Folders are entries too, but counted apart from the files, as in the history.
        QTest::newRow("done, two of the entries folders")
            << false << true << qint64(11) << QStringLiteral("8") << QStringLiteral("t137") << false
            << uint(qRgb(0, 128, 0)) << qint64(0) << qint64(0) << QStringLiteral("t51") << qint64(0)
            << qint64(2);
        // The walk left items out: never "Completed".
        QTest::newRow("done, items left out")
            << false << true << qint64(11) << QStringLiteral("10") << QStringLiteral("t151") << false
            << uint(qRgb(176, 80, 0)) << qint64(0) << qint64(0) << QStringLiteral("t152") << qint64(3)
            << qint64(0);
        // Paused says that it can be resumed, not that the run was stopped.
        QTest::newRow("paused at 4") << true << true << qint64(4) << QStringLiteral("3")
                                     << QStringLiteral("t129") << true << uint(qRgb(0, 0, 192)) << qint64(1)
                                     << qint64(2) << QStringLiteral("t129") << qint64(0) << qint64(0);
        QTest::newRow("aborted at 4") << true << false << qint64(4) << QStringLiteral("3")
                                      << QStringLiteral("t75") << false << uint(qRgb(255, 0, 0)) << qint64(1)
                                      << qint64(2) << QStringLiteral("t75") << qint64(0) << qint64(0);
    }

    void runSummary()
    {
        QFETCH(bool, stoppedEarly);
        QFETCH(bool, canResume);
        QFETCH(qint64, currentFile);
        QFETCH(QString, copied);
        QFETCH(QString, outcome);
        QFETCH(bool, resumeShown);
        QFETCH(uint, colour);
        QFETCH(qint64, notCopied);
        QFETCH(qint64, corrupted);
        QFETCH(QString, headline);
        QFETCH(qint64, leftOut);
        QFETCH(qint64, folders);
        TextRegister texts;
        for (int n : {51, 75, 129, 137, 151, 152, 170, 171, 172})
            texts.setText(n, QStringLiteral("t%1").arg(n));
        texts.setText(57, QStringLiteral("files")); // no longer shown: a count stands alone
        RunTotals totals;
        totals.itemsCount = 10;
        totals.itemsNotCopied = notCopied;
        totals.corruptedFiles = corrupted;
        totals.currentFile = currentFile;
        totals.leftOut = leftOut;
        totals.folders = folders;
        totals.totalCopiedBytes = 6143;
        totals.totalLostBytes = 8192;
        const RunSummary s = summariseRun(totals, stoppedEarly, canResume, texts);
        QCOMPARE(s.copied, copied);
        QCOMPARE(s.notCopied, QString::number(notCopied));
        QCOMPARE(s.corrupted, QString::number(corrupted));
        QCOMPARE(s.headline, headline);
        QCOMPARE(s.leftOut, QString::number(leftOut));
        QCOMPARE(s.copiedBytes, QStringLiteral("5 Kb"));
        QCOMPARE(s.lostBytes, QStringLiteral("8 Kb"));
        QCOMPARE(s.outcome, outcome);
        QCOMPARE(s.folders, QString::number(folders));
        QCOMPARE(s.resumeFrameVisible, resumeShown);
        QCOMPARE(uint(s.headlineColour), colour);
        if (resumeShown)
            QCOMPARE(s.filesLeft, QStringLiteral("6"));
    }

    void textRegisterBounds()
    {
        TextRegister texts;
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, texts.setText(TextRegister::Size, QStringLiteral("x")));
        texts.setText(TextRegister::Size - 1, QStringLiteral("last"));
        QCOMPARE(texts.text(TextRegister::Size - 1), QStringLiteral("last"));
        QCOMPARE(texts.text(TextRegister::Size), QString());
        texts.setText(0, QStringLiteral(" 204 "));
        QCOMPARE(texts.charSet(), 204);
    }
};

QTEST_GUILESS_MAIN(TestStartUp)
#include "tst_startup.moc"
