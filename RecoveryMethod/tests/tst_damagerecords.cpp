#include "DamageRecords.h"

#include <QTest>

#include <stdexcept>

class TestDamageRecords : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rowOfOneFile_data()
    {
        QTest::addColumn<QList<ByteRange>>("ranges");
        QTest::addColumn<qint64>("fileSize");
        QTest::addColumn<double>("copied");
        QTest::addColumn<bool>("written");
        QTest::addColumn<qint64>("lost");
        QTest::addColumn<QString>("rangeList");
        QTest::newRow("complete and undamaged")
            << QList<ByteRange>() << qint64(5000) << 5000.0 << false << qint64(0) << QString();
        QTest::newRow("paused with no damage")
            << QList<ByteRange>() << qint64(3000000) << 1000000.0 << true << qint64(0) << QString();
        QTest::newRow("one minimum block") << QList<ByteRange>{{8193, 16384}} << qint64(30000) << 30000.0
                                           << true << qint64(8192) << QStringLiteral(" 8193 - 16384,");
        QTest::newRow("two ranges") << QList<ByteRange>{{1, 8192}, {16385, 24576}} << qint64(30000) << 30000.0
                                    << true << qint64(16384) << QStringLiteral(" 1 - 8192, 16385 - 24576,");
        QTest::newRow("beyond 4 GiB")
            << QList<ByteRange>{{5000000001LL, 5000008192LL}} << qint64(6000000000LL) << 6000000000.0 << true
            << qint64(8192) << QStringLiteral(" 5000000001 - 5000008192,");
    }

    void rowOfOneFile()
    {
        QFETCH(QList<ByteRange>, ranges);
        QFETCH(qint64, fileSize);
        QFETCH(double, copied);
        QFETCH(bool, written);
        QFETCH(qint64, lost);
        QFETCH(QString, rangeList);
        CorBlockTable table;
        for (const ByteRange& r : ranges)
            table.giveUp(r.first, r.length(), fileSize);
        DamageRecords records;
        int count = 4; // counts on from the host's value
        QVERIFY(records.RecCorruptedBlocks(count, fileSize, 32, QStringLiteral("/src/a"),
                                           QStringLiteral("/dst/a"), table, copied,
                                           QStringLiteral("01.05.24 12:30")));
        QCOMPARE(count, written ? 5 : 4);
        if (!written) {
            QCOMPARE(records.rowCount(), 0);
            return;
        }
        const DamageRecords::Row& row = records.row(5);
        QCOMPARE(row.fileSize, fileSize);
        QCOMPARE(row.fileAttr, 32);
        QCOMPARE(row.rangeCount, static_cast<int>(ranges.size()));
        QCOMPARE(row.lostBytes, lost);
        QCOMPARE(row.copied, static_cast<qint64>(copied));
        QCOMPARE(row.file, QStringLiteral("/src/a"));
        QCOMPARE(row.file2, QStringLiteral("/dst/a"));
        QCOMPARE(row.fileDTV, QStringLiteral("01.05.24 12:30"));
        QCOMPARE(row.rangeList, rangeList);
        QVERIFY(row.text2.isEmpty() && row.text4.isEmpty());
    }

    void storeHoldsTenThousandRows()
    {
        DamageRecords records;
        CorBlockTable table;
        table.giveUp(1, 8192, 10000);
        int count = DamageRecords::MaxRows - 1;
        QVERIFY(records.RecCorruptedBlocks(count, 10000, 32, QStringLiteral("a"), QStringLiteral("b"), table,
                                           10000, QString()));
        QCOMPARE(records.row(DamageRecords::MaxRows).file, QStringLiteral("a"));
        QVERIFY(!records.RecCorruptedBlocks(count, 10000, 32, QStringLiteral("c"), QStringLiteral("d"), table,
                                            10000, QString()));
        QCOMPARE(count, DamageRecords::MaxRows + 1); // the count stays raised
        QCOMPARE(records.rowCount(), DamageRecords::MaxRows);
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, records.row(DamageRecords::MaxRows + 1));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, records.row(0));
    }

    void tableExtendsARowThatReachesBeyondTheBlock()
    {
        CorBlockTable table;
        table.giveUp(1, 8192, 100000);
        table.giveUp(8193, 8192, 100000);
        QCOMPARE(table.count(), 2); // consecutive blocks give one row each
        CorBlockTable collapsed;
        for (int i = 0; i <= CorBlockTable::MaxRows; ++i)
            collapsed.giveUp(1 + qint64(i) * 16384, 8192, 100000000);
        QCOMPARE(collapsed.count(), 1);
        QCOMPARE(collapsed.row(1), (ByteRange{1, qint64(CorBlockTable::MaxRows) * 16384 + 8192}));
        // A block that lies inside the collapsed row only moves its end.
        collapsed.giveUp(100, 8192, 100000000);
        QCOMPARE(collapsed.count(), 1);
        QCOMPARE(collapsed.row(1), (ByteRange{1, 100 + 8191}));
    }
};

QTEST_GUILESS_MAIN(TestDamageRecords)
#include "tst_damagerecords.moc"
