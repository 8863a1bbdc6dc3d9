#include "JobAssembly.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestJobAssembly : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void jobFolderIsRecreatedEmpty()
    {
        QTemporaryDir temp;
        const QString root = temp.path() + QLatin1Char('/');
        const QString old = root + QStringLiteral("kvs_temp_folder/sub");
        QVERIFY(QDir().mkpath(old));
        QFile file(old + QStringLiteral("/locked.bin"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("x");
        file.close();
        QFile::setPermissions(file.fileName(), QFile::ReadOwner);
        QFile::setPermissions(old, QFile::ReadOwner | QFile::ExeOwner); // read-only folder

        const QString job = JobAssembly::CreateJobTempFolder(root);
        QCOMPARE(job, root + QStringLiteral("kvs_temp_folder/"));
        QVERIFY(QDir(job).exists());
        QVERIFY(QDir(job).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));

        JobAssembly::DeleteJobTempFolder(root);
        QVERIFY(!QDir(job).exists());
        JobAssembly::DeleteJobTempFolder(root); // nothing there: no error
    }

    void symbolicLinksAreRemovedNotFollowed()
    {
        QTemporaryDir temp;
        QTemporaryDir outside;
        QFile keep(outside.path() + QStringLiteral("/keep.txt"));
        QVERIFY(keep.open(QIODevice::WriteOnly));
        keep.close();
        const QString root = temp.path() + QLatin1Char('/');
        QVERIFY(QDir().mkpath(root + QStringLiteral("kvs_temp_folder")));
        QVERIFY(QFile::link(outside.path(), root + QStringLiteral("kvs_temp_folder/link")));
        QVERIFY(!JobAssembly::CreateJobTempFolder(root).isEmpty());
        QVERIFY(QFile::exists(keep.fileName()));
    }

    void badTemporaryFolderGivesAnEmptyPath()
    {
        QCOMPARE(JobAssembly::CreateJobTempFolder(QString()), QString());
        QCOMPARE(JobAssembly::CreateJobTempFolder(QStringLiteral("relative/")), QString());
        QCOMPARE(JobAssembly::CreateJobTempFolder(QStringLiteral("/proc/no-such-place/")), QString());
    }

    void freeSpace()
    {
        QTemporaryDir temp;
        QVERIFY(JobAssembly::DriveFreeSpace(temp.path()) > 0);
        QCOMPARE(JobAssembly::DriveFreeSpace(QStringLiteral("relative")), 0.0);
        QCOMPARE(JobAssembly::DriveFreeSpace(QString()), 0.0);
    }

    void driveTypeNames()
    {
        QCOMPARE(JobAssembly::DriveTypeName(0), QStringLiteral("Unknown"));
        QCOMPARE(JobAssembly::DriveTypeName(4), QStringLiteral("CD-ROM"));
        QCOMPARE(JobAssembly::DriveTypeName(5), QStringLiteral("Flash Drive"));
        QCOMPARE(JobAssembly::DriveTypeName(6), QString());
        QCOMPARE(JobAssembly::DriveTypeName(-1), QString());
    }

    void driveInfoListsTheRootVolume()
    {
        const auto rows = JobAssembly::driveInfoRows();
        bool root = false;
        for (const auto& row : rows)
            root = root || row.drive == QStringLiteral("/");
        QVERIFY(root);
        const auto columns = JobAssembly::driveInfoColumns();
        QCOMPARE(columns.size(), 6);
        QCOMPARE(columns[2].title, QStringLiteral("File System"));
        QCOMPARE(columns[3].widthTwips, 1500);
    }
};

QTEST_GUILESS_MAIN(TestJobAssembly)
#include "tst_jobassembly.moc"
