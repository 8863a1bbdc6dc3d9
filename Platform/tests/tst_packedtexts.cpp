#include "FileNames.h"
#include "PackedTexts.h"

#include <QTest>

using Platform::PackedTexts;

class TestPackedTexts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyTextComesBackExactly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("ascii") << QStringLiteral("/media/usb/photo.jpg");
        QTest::newRow("accents") << QStringLiteral("/m/Lettre à Émilie.txt");
        QTest::newRow("outside the BMP") << QStringLiteral("/m/\U0001F600.png");
        QTest::newRow("raw byte") << Platform::FileNames::fromBytes("/m/photo\xff.jpg");
        QTest::newRow("folder entry") << QStringLiteral("\t") + Platform::FileNames::fromBytes("/m/a\xe9/");
        // Not made by FileNames: a lone surrogate its bytes would not give back.
        QTest::newRow("lone surrogate") << QStringLiteral("/m/x") + QChar(0xD801) + QStringLiteral("y");
        QTest::newRow("raw-looking pair")
            << QStringLiteral("/m/") + QChar(0xDCC3) + QChar(0xDCA9); // as bytes, a valid "é"
    }

    void everyTextComesBackExactly()
    {
        QFETCH(QString, text);
        PackedTexts texts;
        texts.append(QStringLiteral("before"));
        texts.append(text);
        texts.append(QStringLiteral("after"));
        QCOMPARE(texts.at(1), text);
        QCOMPARE(texts.at(0), QStringLiteral("before"));
        QCOMPARE(texts.at(2), QStringLiteral("after"));
        // Replaced by an ordinary text, it reads as that.
        texts.set(1, QStringLiteral("plain"));
        QCOMPARE(texts.at(1), QStringLiteral("plain"));
    }

    void rewritesKeepTheOthers()
    {
        PackedTexts texts;
        QCOMPARE(texts.at(5), QString());
        texts.set(3, QStringLiteral("three"));
        QCOMPARE(texts.size(), 4);
        QCOMPARE(texts.at(0), QString()); // never set
        for (int i = 0; i < 4; ++i)
            texts.set(i, QStringLiteral("text %1").arg(i));
        // The last text changing, as a log's last line does; then shorter and longer rewrites.
        texts.set(3, QStringLiteral("text 3 - copying"));
        texts.set(3, QStringLiteral("text 3 - ok"));
        texts.set(1, QStringLiteral("1"));
        texts.set(2, QStringLiteral("a much longer text for entry two"));
        QCOMPARE(texts.at(0), QStringLiteral("text 0"));
        QCOMPARE(texts.at(1), QStringLiteral("1"));
        QCOMPARE(texts.at(2), QStringLiteral("a much longer text for entry two"));
        QCOMPARE(texts.at(3), QStringLiteral("text 3 - ok"));
        // Many longer rewrites: the old bytes are compacted away, every text stays.
        for (int round = 0; round < 200; ++round)
            for (int i = 0; i < 4; ++i)
                texts.set(i, QString(round + 400, QChar(u'a' + i)));
        for (int i = 0; i < 4; ++i)
            QCOMPARE(texts.at(i), QString(599, QChar(u'a' + i)));
        texts.truncate(2);
        QCOMPARE(texts.size(), 2);
        QCOMPARE(texts.at(1), QString(599, QChar(u'b')));
        QCOMPARE(texts.at(2), QString());
        texts.clear();
        QCOMPARE(texts.size(), 0);
    }
};

QTEST_APPLESS_MAIN(TestPackedTexts)
#include "tst_packedtexts.moc"
