#include "FileNames.h"
#include "PathAt.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Platform;

class TestFileNames : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void namesComeBackAsTheirOwnBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("ascii") << QByteArray("plain.txt") << QStringLiteral("plain.txt");
        QTest::newRow("utf-8") << QByteArray("f\xc3\xa9"
                                             "te \xe2\x82\xac.txt")
                               << QStringLiteral("f\u00e9te \u20ac.txt");
        QTest::newRow("four bytes") << QByteArray("\xf0\x9f\x93\xb7")
                                    << QString::fromUtf8("\xf0\x9f\x93\xb7");
        QTest::newRow("latin-1 byte") << QByteArray("photo\xff.jpg") << QStringLiteral("photo\\xFF.jpg");
        QTest::newRow("replacement char")
            << QByteArray("photo\xef\xbf\xbd.jpg") << QStringLiteral("photo\ufffd.jpg");
        QTest::newRow("cut sequence") << QByteArray("a\xc3") << QStringLiteral("a\\xC3");
        QTest::newRow("overlong slash") << QByteArray("a\xc0\xaf") << QStringLiteral("a\\xC0\\xAF");
        QTest::newRow("encoded surrogate") << QByteArray("\xed\xb3\xbf") << QStringLiteral("\\xED\\xB3\\xBF");
        QTest::newRow("beyond unicode")
            << QByteArray("\xf4\x90\x80\x80") << QStringLiteral("\\xF4\\x90\\x80\\x80");
        QTest::newRow("cp1251") << QByteArray("\xcf\xf0\xe8\xe2\xe5\xf2")
                                << QStringLiteral("\\xCF\\xF0\\xE8\\xE2\\xE5\\xF2");
    }

    void namesComeBackAsTheirOwnBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        const QString text = FileNames::fromBytes(bytes);
        QCOMPARE(FileNames::toBytes(text), bytes);
        QCOMPARE(FileNames::displayText(text), shown);
        QCOMPARE(FileNames::hasRawBytes(text), shown.contains(QStringLiteral("\\x")));
    }

    void twoNamesNeverShareAText()
    {
        // The pair that once copied one file's contents under both names.
        const QString invalid = FileNames::fromBytes("photo\xff.jpg");
        const QString replacement = FileNames::fromBytes("photo\xef\xbf\xbd.jpg");
        QVERIFY(invalid != replacement);
        QVERIFY(FileNames::displayText(invalid) != FileNames::displayText(replacement));
    }

    void longPathsAreReachedInPieces()
    {
        QTemporaryDir dir;
        QByteArray path = QFile::encodeName(dir.path());
        // 600 levels of 10-byte names: about 6,600 bytes, well past PATH_MAX.
        for (int level = 0; level < 600; ++level) {
            path += "/level_";
            path += QByteArray::number(level % 1000).rightJustified(3, '0');
            const PathAt at = PathAt::of(path);
            QVERIFY2(at.ok(), strerror(at.error()));
            QCOMPARE(::mkdirat(at.folder(), at.name(), 0755), 0);
        }
        QVERIFY(path.size() > PATH_MAX);
        const QByteArray file = QByteArray(path + "/deep.bin");
        {
            const PathAt at = PathAt::of(file);
            QVERIFY(at.ok());
            const UniqueFd fd(::openat(at.folder(), at.name(), O_WRONLY | O_CREAT | O_EXCL, 0644));
            QVERIFY(fd);
            QCOMPARE(::write(fd.get(), "deep", 4), ssize_t(4));
        }
        struct stat st = {};
        QCOMPARE(::stat(file.constData(), &st), -1); // the whole path is refused...
        QCOMPARE(errno, ENAMETOOLONG);
        const PathAt at = PathAt::of(file); // ...and reached in pieces
        QCOMPARE(::fstatat(at.folder(), at.name(), &st, 0), 0);
        QCOMPARE(st.st_size, off_t(4));
        // QTemporaryDir removes by whole paths; rm walks by descriptors.
        QCOMPARE(QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-rf"), dir.path()}), 0);
    }
};

QTEST_GUILESS_MAIN(TestFileNames)
#include "tst_filenames.moc"
