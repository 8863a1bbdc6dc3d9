#include "BurnTestSupport.h"
#include "K3Cindral.h"
#include "Prompt.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <vector>

using namespace BurnTest;

// Burns a file larger than 4 GiB; it writes that much to the temporary folder, so it carries the
// label "slow".
class TestBurnLarge : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fileOverFourGibibytesFits()
    {
        // A sparse file: a few marked places, zeros between, 4 GiB + 3 MiB long.
        const QString source = m_work.filePath(QStringLiteral("big")) + QLatin1Char('/');
        QDir().mkpath(source);
        const QString bigPath = source + QStringLiteral("большой.img");
        const qint64 size = (qint64(4) << 30) + 3 * 1024 * 1024;
        const std::vector<qint64> marks = {0, (qint64(4) << 30) - 100, size - 4096};
        {
            QFile big(bigPath);
            QVERIFY(big.open(QIODevice::WriteOnly));
            QVERIFY(big.resize(size));
            for (size_t i = 0; i < marks.size(); ++i) {
                QVERIFY(big.seek(marks[i]));
                QCOMPARE(big.write(randomBytes(4096, quint32(10 + i))), 4096);
            }
        }
        const QString image = m_work.filePath(QStringLiteral("big.iso"));
        ImageBurn burn(image);
        K3Cindral& c = *burn.control;
        const auto& messages = burn.messages;
        const QSignalSpy& finished = burn.finished;
        QVERIFY(burn.waitReady(source));
        QCOMPARE(c.PrepareBurn(), 0);
        c.AddItem(bigPath);
        c.BurnIt();
        QVERIFY(c.CDDVDBurner().ImageBlocks() > size / 2048);
        QTRY_VERIFY_WITH_TIMEOUT(!c.isBurning(), 400000);
        QVERIFY2(messages.isEmpty(), messages.isEmpty() ? "" : qPrintable(messages.first().text));
        QCOMPARE(finished.count(), 1);
        c.DisableMe();

        // Read the marked places back out of the image; the size must be whole.
        for (size_t i = 0; i < marks.size(); ++i) {
            const QString piece = m_work.filePath(QStringLiteral("piece%1").arg(i));
            QCOMPARE(
                runXorriso({QStringLiteral("-indev"), image, QStringLiteral("-osirrox"), QStringLiteral("on"),
                            QStringLiteral("-extract_cut"), QStringLiteral("/большой.img"),
                            QString::number(marks[i]), QStringLiteral("4096"), piece}),
                0);
            QFile read(piece);
            QVERIFY(read.open(QIODevice::ReadOnly));
            QVERIFY2(read.readAll() == randomBytes(4096, quint32(10 + i)),
                     qPrintable(QString::number(marks[i])));
        }
        QProcess lister;
        lister.setProcessEnvironment(utf8Environment());
        lister.start(QStringLiteral("xorriso"),
                     {QStringLiteral("-local_charset"), QStringLiteral("UTF-8"), QStringLiteral("-indev"),
                      image, QStringLiteral("-lsl"), QStringLiteral("/большой.img")});
        QVERIFY(lister.waitForFinished(60000));
        QVERIFY2(lister.readAllStandardOutput().contains(QByteArray::number(size)), "size of the big file");
        QFile::remove(image);
    }

private:
    QTemporaryDir m_work;
};

QTEST_MAIN(TestBurnLarge)
#include "tst_burnlarge.moc"
