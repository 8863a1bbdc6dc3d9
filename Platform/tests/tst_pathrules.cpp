#include "PathRules.h"

#include <QTest>

using namespace Platform;

class TestPathRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parent_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("parent");
        QTest::newRow("root") << QStringLiteral("/") << QStringLiteral("/");
        QTest::newRow("one level") << QStringLiteral("/a/") << QStringLiteral("/");
        QTest::newRow("one level, no slash") << QStringLiteral("/a") << QStringLiteral("/");
        QTest::newRow("two levels, no slash") << QStringLiteral("/a/b") << QStringLiteral("/a/");
        QTest::newRow("two levels") << QStringLiteral("/a/b/") << QStringLiteral("/a/");
        QTest::newRow("long names") << QStringLiteral("/home/user/Documents/")
                                    << QStringLiteral("/home/user/");
        QTest::newRow("blank in name")
            << QStringLiteral("/media/My Disk/x/") << QStringLiteral("/media/My Disk/");
    }

    void parent()
    {
        QFETCH(QString, path);
        QFETCH(QString, parent);
        QCOMPARE(PathRules::parentOf(path), parent);
    }

    void closingSlash_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("result");
        QTest::newRow("empty") << QString() << QStringLiteral("/");
        QTest::newRow("root") << QStringLiteral("/") << QStringLiteral("/");
        QTest::newRow("bare") << QStringLiteral("/mnt/usb") << QStringLiteral("/mnt/usb/");
        QTest::newRow("already") << QStringLiteral("/mnt/usb/") << QStringLiteral("/mnt/usb/");
    }

    void closingSlash()
    {
        QFETCH(QString, path);
        QFETCH(QString, result);
        QCOMPARE(PathRules::withClosingSlash(path), result);
    }

    void rootAndLastName()
    {
        QVERIFY(PathRules::isRoot(QStringLiteral("/")));
        QVERIFY(!PathRules::isRoot(QStringLiteral("/a/")));
        QCOMPARE(PathRules::lastName(QStringLiteral("/a/bc/")), QStringLiteral("bc"));
        QCOMPARE(PathRules::lastName(QStringLiteral("/a/bc")), QStringLiteral("bc"));
        QCOMPARE(PathRules::lastName(QStringLiteral("/")), QString());
    }
};

QTEST_APPLESS_MAIN(TestPathRules)
#include "tst_pathrules.moc"
