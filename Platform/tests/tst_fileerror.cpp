#include "FileError.h"

#include <QTest>

#include <cerrno>

using namespace Platform;

class TestFileError : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void mapping_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<int>("code");
        QTest::newRow("ENOENT") << ENOENT << 53;
        QTest::newRow("ENOSPC") << ENOSPC << 61;
        QTest::newRow("EDQUOT") << EDQUOT << 61;
        QTest::newRow("EACCES") << EACCES << 70;
        QTest::newRow("EPERM") << EPERM << 70;
        QTest::newRow("ENOMEDIUM") << ENOMEDIUM << 71;
        QTest::newRow("ENODEV") << ENODEV << 71;
        QTest::newRow("ENXIO") << ENXIO << 71;
        QTest::newRow("EIO") << EIO << 75;
        QTest::newRow("EBADMSG") << EBADMSG << 75;
        QTest::newRow("EUCLEAN") << EUCLEAN << 75;
        QTest::newRow("ENODATA") << ENODATA << 75;
        QTest::newRow("ENAMETOOLONG") << ENAMETOOLONG << 52;
        QTest::newRow("EBADF") << EBADF << 52;
        QTest::newRow("EINVAL") << EINVAL << 52;
        QTest::newRow("EROFS keeps its own") << EROFS << FileErrorCode::OtherBase + EROFS;
        QTest::newRow("ETIMEDOUT keeps its own") << ETIMEDOUT << FileErrorCode::OtherBase + ETIMEDOUT;
    }

    void mapping()
    {
        QFETCH(int, error);
        QFETCH(int, code);
        const FileError e = fileErrorFromErrno(error);
        QCOMPARE(e.code, code);
        QCOMPARE(e.systemError, error);
        QVERIFY(!e.description.isEmpty());
    }

    void descriptionIsTheSystems()
    {
        QCOMPARE(fileErrorFromErrno(ENOSPC).description, QString::fromLocal8Bit(strerror(ENOSPC)));
    }
};

QTEST_APPLESS_MAIN(TestFileError)
#include "tst_fileerror.moc"
