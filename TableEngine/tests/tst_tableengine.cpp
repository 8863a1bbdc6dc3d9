#include "TableEngine.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QString ref(const QString& path)
{
    return TableReference::of(path);
}

QString ref(const QString& path, int row, int column)
{
    return TableReference::of(path, row, column);
}

QByteArray allBytes()
{
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes.append(char(i));
    return bytes;
}

// Runs work in a child process and returns its exit status (or 128 + signal).
template <typename Work>
int inChild(Work work)
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(work());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The number of descriptors of this process open on path.
int openDescriptors(const QString& path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    int count = 0;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QFileInfo& fd : fds.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        if (fd.symLinkTarget() == target)
            ++count;
    }
    return count;
}

} // namespace

class TestTableEngine : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    // A small file: top table rows 1-2, a nested table in (2,1) and a value on it.
    QString makeSample(const char* name)
    {
        const QString file = path(name);
        TableEngine engine;
        TableTransaction write = engine.BeginWrite(file);
        write.SetCell(ref(file), 1, 1, QStringLiteral("top"));
        write.SetCell(ref(file, 2, 1), 1, 1, QStringLiteral("nested one"));
        write.SetCell(ref(file, 2, 1), 2, 3, QStringLiteral("nested two"));
        write.SetValue(QStringLiteral("3"), ref(file, 2, 1));
        write.commit();
        return file;
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void references_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("top") << "\"/a/b.sir\"" << true << "/a/b.sir"
                             << "";
        QTest::newRow("cell") << "\"/a/b.sir\"/[2,1]" << true << "/a/b.sir"
                              << "/[2,1]";
        QTest::newRow("blank in path") << "\"/my disk/l.sir\"/[10,9]" << true << "/my disk/l.sir"
                                       << "/[10,9]";
        QTest::newRow("row 0") << "\"/x\"/[0,9]" << true << "/x"
                               << "/[0,9]";
        QTest::newRow("two levels") << "\"/x\"/[3,9]/[1,2]" << true << "/x"
                                    << "/[3,9]/[1,2]";
        QTest::newRow("no quotes") << "/a/b.sir" << false << ""
                                   << "";
        QTest::newRow("unclosed") << "\"/a/b.sir" << false << ""
                                  << "";
        QTest::newRow("empty path") << "\"\"/[1,1]" << false << ""
                                    << "";
        QTest::newRow("blank inside") << "\"/x\"/[2, 1]" << false << ""
                                      << "";
        QTest::newRow("missing column") << "\"/x\"/[2,]" << false << ""
                                        << "";
        QTest::newRow("negative") << "\"/x\"/[-1,1]" << false << ""
                                  << "";
        QTest::newRow("letters") << "\"/x\"/[a,1]" << false << ""
                                 << "";
        QTest::newRow("trailing text") << "\"/x\"/[1,1]x" << false << ""
                                       << "";
        QTest::newRow("too large") << "\"/x\"/[99999999999,1]" << false << ""
                                   << "";
    }

    void references()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(QString, path);
        QFETCH(QString, suffix);
        if (!valid) {
            QVERIFY_THROWS_EXCEPTION(TableError, TableReference::parse(text));
            TableEngine engine;
            QCOMPARE(engine.CheckTable(text), -1);
            QVERIFY_THROWS_EXCEPTION(TableError, engine.GetRowCount(text));
            return;
        }
        const TableReference parsed = TableReference::parse(text);
        QCOMPARE(parsed.path, path);
        QCOMPARE(parsed.suffix(), suffix);
        QCOMPARE(parsed.toString(), text);
    }

    void topAndNestedTables()
    {
        const QString file = makeSample("nested.sir");
        TableEngine engine;
        QCOMPARE(engine.CheckTable(ref(file)), 1);
        QCOMPARE(engine.CheckTable(ref(file, 2, 1)), 1);
        QCOMPARE(engine.CheckTable(ref(file, 5, 5)), 0);
        QCOMPARE(engine.GetRowCount(ref(file)), 2);
        QCOMPARE(engine.GetRowCount(ref(file, 2, 1)), 2);
        QCOMPARE(engine.GetColumnCount(ref(file, 2, 1)), 3);
        QCOMPARE(engine.GetCell(ref(file), 1, 1), QStringLiteral("top"));
        QCOMPARE(engine.GetCell(ref(file, 2, 1), 1, 1), QStringLiteral("nested one"));
        QCOMPARE(engine.GetCell(ref(file, 2, 1), 2, 3), QStringLiteral("nested two"));
        // A cell holding a table reads as the suffix that reaches it, never as empty.
        QCOMPARE(engine.GetCell(ref(file), 2, 1), QStringLiteral("/[2,1]"));
        // Missing cells, rows and tables read as empty.
        QCOMPARE(engine.GetCell(ref(file), 1, 7), QString());
        QCOMPARE(engine.GetCell(ref(file), 99, 1), QString());
        QCOMPARE(engine.GetCell(ref(file, 5, 5), 1, 1), QString());
        QCOMPARE(engine.GetRowCount(ref(file, 5, 5)), 0);
        QVERIFY_THROWS_EXCEPTION(TableError, engine.GetCell(ref(file), -1, 1));

        // Deeper tables through a chain of suffixes.
        engine.SetCell(ref(file) + QStringLiteral("/[2,1]/[4,2]"), 1, 1, QStringLiteral("deep"));
        QCOMPARE(engine.GetCell(ref(file, 2, 1), 4, 2), QStringLiteral("/[2,1]/[4,2]"));
        QCOMPARE(engine.GetRowCount(ref(file, 2, 1)), 4);
        QCOMPARE(engine.GetCell(ref(file) + QStringLiteral("/[2,1]/[4,2]"), 1, 1), QStringLiteral("deep"));

        // A value replaces a table, and the table's contents go with it.
        engine.SetCell(ref(file), 2, 1, QStringLiteral("plain"));
        QCOMPARE(engine.GetCell(ref(file), 2, 1), QStringLiteral("plain"));
        QCOMPARE(engine.CheckTable(ref(file, 2, 1)), 0);
        QCOMPARE(engine.GetCell(ref(file, 2, 1), 1, 1), QString());
        QCOMPARE(engine.GetRowCount(ref(file) + QStringLiteral("/[2,1]/[4,2]")), 0);
    }

    void cellKinds()
    {
        const QString file = path("kinds.sir");
        TableEngine engine;
        const QByteArray bytes = allBytes();
        engine.SetCell(ref(file), 1, 1, bytes);
        engine.SetCell(ref(file), 1, 2, 42);
        engine.SetCell(ref(file), 1, 3, 2.5);
        engine.SetCell(ref(file), 1, 4, QStringLiteral("Файл «é»"));
        engine.SetCell(ref(file), 1, 5, QString());
        engine.CloseAll();

        QCOMPARE(engine.GetCellData(ref(file), 1, 1), bytes);
        QCOMPARE(engine.GetCell(ref(file), 1, 1).toLatin1(), bytes);
        QCOMPARE(engine.GetCell(ref(file), 1, 2), QStringLiteral("42"));
        QCOMPARE(engine.GetCellValue(ref(file), 1, 2).toLongLong(), 42);
        QCOMPARE(engine.GetCell(ref(file), 1, 3), QStringLiteral("2.5"));
        QCOMPARE(engine.GetCell(ref(file), 1, 4), QStringLiteral("Файл «é»"));
        QCOMPARE(engine.GetCellData(ref(file), 1, 4), QStringLiteral("Файл «é»").toUtf8());
        QCOMPARE(engine.GetCell(ref(file), 1, 5), QString());

        // A large picture-sized blob survives too.
        QByteArray big(3 * 1024 * 1024, '\0');
        for (qsizetype i = 0; i < big.size(); ++i)
            big[i] = char((i * 7919) % 251);
        engine.SetCell(ref(file, 1, 1), 2, 1, big);
        engine.ResetEngine();
        QCOMPARE(engine.GetCellData(ref(file, 1, 1), 2, 1), big);

        engine.SetCell(ref(file), 1, 2, QVariant());
        QCOMPARE(engine.GetCell(ref(file), 1, 2), QString());
    }

    void valuesSurviveReopen()
    {
        const QString file = makeSample("values.sir");
        {
            TableEngine engine;
            QCOMPARE(engine.GetValue(ref(file, 2, 1)), QStringLiteral("3"));
            QCOMPARE(engine.GetValue(ref(file)), QString());
            engine.SetValue(QStringLiteral("2"), ref(file, 2, 1));
            engine.SetValue(QStringLiteral("top value"), ref(file));
            engine.CloseAll();
            QCOMPARE(engine.GetValue(ref(file, 2, 1)), QStringLiteral("2"));
        }
        TableEngine restarted;
        QCOMPARE(restarted.GetValue(ref(file, 2, 1)), QStringLiteral("2"));
        QCOMPARE(restarted.GetValue(ref(file)), QStringLiteral("top value"));
        // A value under a table that does not exist yet creates that table.
        restarted.SetValue(QStringLiteral("x"), ref(file, 7, 7));
        QCOMPARE(restarted.CheckTable(ref(file, 7, 7)), 1);
        // A missing file has no value and is not created by reading.
        QCOMPARE(restarted.GetValue(ref(path("absent.sir"), 2, 1)), QString());
        QVERIFY(!QFile::exists(path("absent.sir")));
    }

    void rowZero()
    {
        const QString file = path("rowzero.sir");
        TableEngine engine;
        engine.SetCell(ref(file), 0, 9, 5);
        QCOMPARE(engine.GetRowCount(ref(file)), 0);
        TableTransaction write = engine.BeginWrite(file);
        QCOMPARE(write.AppendRow(ref(file), {QStringLiteral("a"), QStringLiteral("b")}), 1);
        QCOMPARE(write.AppendRow(ref(file), {QStringLiteral("c")}), 2);
        write.CreateTable(ref(file), 2, 9);
        write.SetCell(ref(file, 2, 9), 1, 1, QStringLiteral("detail"));
        write.commit();
        QCOMPARE(engine.GetRowCount(ref(file)), 2);
        QCOMPARE(engine.GetCell(ref(file), 0, 9), QStringLiteral("5"));
        QCOMPARE(engine.GetCell(ref(file), 1, 2), QStringLiteral("b"));
        QCOMPARE(engine.GetCell(ref(file), 2, 9), QStringLiteral("/[2,9]"));
        QCOMPARE(engine.GetCell(ref(file, 2, 9), 1, 1), QStringLiteral("detail"));

        // Shrinking drops rows above the count with their tables; row 0 stays.
        engine.SetRowCount(ref(file), 1);
        QCOMPARE(engine.GetRowCount(ref(file)), 1);
        QCOMPARE(engine.CheckTable(ref(file, 2, 9)), 0);
        QCOMPARE(engine.GetCell(ref(file), 0, 9), QStringLiteral("5"));
        // Trailing empty rows count.
        engine.SetRowCount(ref(file), 4);
        QCOMPARE(engine.GetRowCount(ref(file)), 4);
    }

    void unusableFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("kind"); // 0 bytes, 1 foreign SQLite, 2 truncated table file
        QTest::newRow("empty") << QByteArray() << 0;
        QTest::newRow("text file") << QByteArray("Hello, this is not a table file.\n") << 0;
        QTest::newRow("random bytes") << QByteArray(8192, '\x5a') << 0;
        QTest::newRow("foreign SQLite") << QByteArray() << 1;
        QTest::newRow("truncated") << QByteArray() << 2;
    }

    void unusableFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, kind);
        const QString file = path(QTest::currentDataTag()) + QStringLiteral(".sir");
        if (kind == 0) {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(content);
        } else if (kind == 1) {
            sqlite3* db = nullptr;
            QCOMPARE(sqlite3_open(QFile::encodeName(file).constData(), &db), SQLITE_OK);
            QCOMPARE(
                sqlite3_exec(db, "CREATE TABLE t(a); INSERT INTO t VALUES(1);", nullptr, nullptr, nullptr),
                SQLITE_OK);
            sqlite3_close(db);
        } else {
            {
                TableEngine writer;
                TableTransaction write = writer.BeginWrite(file);
                for (int row = 1; row <= 400; ++row)
                    write.SetCell(ref(file, row % 7 + 1, 1), row, 1, QString(200, QLatin1Char('x')));
                write.commit();
            }
            QVERIFY(QFile::resize(file, QFileInfo(file).size() / 2));
        }

        TableEngine engine;
        QVERIFY(engine.CheckTable(ref(file)) < 1);
        QVERIFY(engine.CheckTable(ref(file, 2, 1)) < 1);
        try {
            engine.GetRowCount(ref(file, 2, 1));
            // A truncated file may keep its first pages readable; what it lost must still fail.
            for (int row = 1; row <= 400; ++row)
                engine.GetCell(ref(file, row % 7 + 1, 1), row, 1);
            QFAIL("reading an unusable file did not fail");
        } catch (const TableError& error) {
            QCOMPARE(error.kind(), TableError::Kind::Damaged);
            QVERIFY(error.message().contains(file));
        }
        QVERIFY_THROWS_EXCEPTION(TableError, engine.GetValue(ref(file, 2, 1)));
        QVERIFY_THROWS_EXCEPTION(TableError, engine.GetCell(ref(file), 1, 1));
        if (kind != 0 || !content.isEmpty()) {
            // Nothing of ours gets written over a file we do not understand.
            const QByteArray before = [&] {
                QFile in(file);
                return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
            }();
            QVERIFY_THROWS_EXCEPTION(TableError, engine.SetValue(QStringLiteral("1"), ref(file, 2, 1)));
            QFile in(file);
            QVERIFY(in.open(QIODevice::ReadOnly));
            QCOMPARE(in.readAll(), before);
        } else {
            // An empty file holds nothing to lose: a write makes it a table file.
            engine.SetValue(QStringLiteral("1"), ref(file, 2, 1));
            QCOMPARE(engine.CheckTable(ref(file, 2, 1)), 1);
        }
    }

    void missingFile()
    {
        const QString file = path("missing/none.sir");
        TableEngine engine;
        QCOMPARE(engine.CheckTable(ref(file)), 0);
        QCOMPARE(engine.GetRowCount(ref(file)), 0);
        QCOMPARE(engine.GetCell(ref(file), 1, 1), QString());
        // The folder does not exist either: the write fails with a clear error.
        QVERIFY_THROWS_EXCEPTION(TableError, engine.SetCell(ref(file), 1, 1, 1));
    }

    void failedWriteRollsBack()
    {
        const QString file = makeSample("rollback.sir");
        TableEngine engine;
        try {
            TableTransaction write = engine.BeginWrite(file);
            write.SetCell(ref(file), 1, 1, QStringLiteral("changed"));
            write.SetRowCount(ref(file, 2, 1), 0);
            write.SetCell(ref(path("other.sir")), 1, 1, 1); // another file: throws
            write.commit();
            QFAIL("a write to another file was accepted");
        } catch (const TableError& error) {
            QCOMPARE(error.kind(), TableError::Kind::BadReference);
        }
        QCOMPARE(engine.GetCell(ref(file), 1, 1), QStringLiteral("top"));
        QCOMPARE(engine.GetRowCount(ref(file, 2, 1)), 2);
        QVERIFY(!QFile::exists(path("other.sir")));
    }

    void crashDuringWrite()
    {
        const QString file = makeSample("crash.sir");
        // The child writes far more than SQLite's page cache holds, so changed pages reach the
        // file before the commit, then dies without committing.
        const int status = inChild([&] {
            TableEngine engine;
            TableTransaction write = engine.BeginWrite(file);
            const QString filler(4000, QLatin1Char('y'));
            for (int row = 1; row <= 3000; ++row)
                write.SetCell(ref(file, 2, 1), row, 1, filler);
            write.SetCell(ref(file), 1, 1, QStringLiteral("half written"));
            ::kill(::getpid(), SIGKILL);
            return 0;
        });
        QCOMPARE(status, 128 + SIGKILL);
        // The dead writer left its journal behind: the next open must roll the file back.
        QVERIFY(QFile::exists(file + QStringLiteral("-journal")));
        TableEngine engine;
        QCOMPARE(engine.CheckTable(ref(file, 2, 1)), 1);
        QCOMPARE(engine.GetCell(ref(file), 1, 1), QStringLiteral("top"));
        QCOMPARE(engine.GetRowCount(ref(file, 2, 1)), 2);
        QCOMPARE(engine.GetCell(ref(file, 2, 1), 1, 1), QStringLiteral("nested one"));
        QCOMPARE(engine.GetValue(ref(file, 2, 1)), QStringLiteral("3"));
    }

    void diskFullDuringWrite()
    {
        const QString file = makeSample("full.sir");
        const qint64 size = QFileInfo(file).size();
        // No file of the child may grow past a little over the current size: the write
        // runs into the limit halfway, as on a full disk.
        const int status = inChild([&] {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{rlim_t(size + 16384), rlim_t(size + 16384)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            TableEngine engine;
            try {
                engine.SetCell(ref(file, 2, 1), 1, 1, QByteArray(1024 * 1024, 'z'));
            } catch (const TableError&) {
                return engine.GetCell(ref(file, 2, 1), 1, 1) == QLatin1String("nested one") ? 0 : 2;
            }
            return 1;
        });
        QCOMPARE(status, 0);
        TableEngine engine;
        QCOMPARE(engine.CheckTable(ref(file, 2, 1)), 1);
        QCOMPARE(engine.GetCell(ref(file, 2, 1), 1, 1), QStringLiteral("nested one"));
        QCOMPARE(engine.GetCell(ref(file, 2, 1), 2, 3), QStringLiteral("nested two"));
        // And the file takes writes again once there is room.
        engine.SetCell(ref(file, 2, 1), 1, 1, QStringLiteral("after"));
        QCOMPARE(engine.GetCell(ref(file, 2, 1), 1, 1), QStringLiteral("after"));
    }

    void closeAllReleasesTheFile()
    {
        const QString file = makeSample("close.sir");
        TableEngine engine;
        QCOMPARE(engine.GetRowCount(ref(file)), 2);
        QVERIFY(openDescriptors(file) > 0);
        engine.CloseAll();
        QCOMPARE(openDescriptors(file), 0);

        // After ResetEngine the file may be deleted and made anew under the same name.
        QCOMPARE(engine.GetRowCount(ref(file)), 2);
        engine.ResetEngine();
        QVERIFY(QFile::remove(file));
        QCOMPARE(engine.CheckTable(ref(file)), 0);
        engine.SetCell(ref(file), 1, 1, QStringLiteral("new"));
        QCOMPARE(engine.GetRowCount(ref(file)), 1);
        QVERIFY(!QFile::exists(file + QStringLiteral("-journal")));
    }

    void transactionOutlivesCloseAll()
    {
        const QString file = makeSample("outlive.sir");
        TableEngine engine;
        TableTransaction write = engine.BeginWrite(file);
        engine.CloseAll();
        write.SetCell(ref(file), 3, 1, QStringLiteral("kept"));
        write.commit();
        QVERIFY_THROWS_EXCEPTION(TableError, write.commit());
        QCOMPARE(engine.GetCell(ref(file), 3, 1), QStringLiteral("kept"));
    }
};

QTEST_GUILESS_MAIN(TestTableEngine)
#include "tst_tableengine.moc"
