#include "SizeText.h"

#include <QTest>

#include <cmath>
#include <limits>

class TestSizeText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void table_data()
    {
        QTest::addColumn<double>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0 << QStringLiteral("0 b");
        QTest::newRow("512") << 512.0 << QStringLiteral("512 b");
        QTest::newRow("last bytes") << 5120.0 << QStringLiteral("5120 b");
        QTest::newRow("first Kb") << 5121.0 << QStringLiteral("5 Kb");
        QTest::newRow("remainder dropped") << 6143.0 << QStringLiteral("5 Kb");
        QTest::newRow("6 Kb") << 6144.0 << QStringLiteral("6 Kb");
        QTest::newRow("last Kb") << 5242880.0 << QStringLiteral("5120 Kb");
        QTest::newRow("first Mb") << 5242881.0 << QStringLiteral("5 Mb");
        QTest::newRow("10 Mb") << 10485760.0 << QStringLiteral("10 Mb");
        QTest::newRow("9.9 Mb") << 10380902.0 << QStringLiteral("9 Mb");
        QTest::newRow("last Mb") << 1073741824.0 << QStringLiteral("1024 Mb");
        QTest::newRow("first Gb") << 1073741825.0 << QStringLiteral("1 Gb");
        QTest::newRow("4 Gb") << 4294967296.0 << QStringLiteral("4 Gb");
        QTest::newRow("negative") << -3.0 << QStringLiteral("-3 b");
        QTest::newRow("fraction") << 1.5 << QStringLiteral("1.5 b");
        QTest::newRow("largest that fits") << 2251799813160959.0 << QStringLiteral("2097151 Gb");
        QTest::newRow("overflow edge") << 2251799813160960.0 << QStringLiteral("0b");
        QTest::newRow("3 x 2^50") << 3.0 * std::pow(2.0, 50) << QStringLiteral("0b");
        QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << QStringLiteral("0b");
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << QStringLiteral("0b");
    }

    void table()
    {
        QFETCH(double, bytes);
        QFETCH(QString, text);
        QCOMPARE(Platform::sizeText(bytes), text);
    }
};

QTEST_APPLESS_MAIN(TestSizeText)
#include "tst_sizetext.moc"
