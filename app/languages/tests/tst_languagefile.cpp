#include "LanguageFile.h"

#include "LanguageTables.h"
#include "TableEngine.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace LanguageTables;

namespace {

// A language file with the given number of main rows; row 1 holds the character set, row r
// the text "L<language> T<r - 1>".
void writeFile(const QString& path, int mainRows, int browserRows = 9, int burnerRows = 28,
               const QString& russianCharset = QStringLiteral("204"))
{
    QFile::remove(path);
    TableEngine engine;
    TableTransaction write = engine.BeginWrite(path);
    const QString main = TableReference::of(path, MainTable, 1);
    write.SetRowCount(main, mainRows);
    for (int language = 1; language <= LanguageCount; ++language) {
        write.SetCell(main, 1, language, language == Russian ? russianCharset : QStringLiteral("0"));
        for (int row = 2; row <= mainRows; ++row)
            write.SetCell(main, row, language, QStringLiteral("L%1 T%2").arg(language).arg(row - 1));
        for (int slot = 1; slot <= EngineTextCount; ++slot)
            write.SetCell(TableReference::of(path, EngineTable, 1), slot + 1, language,
                          QStringLiteral("L%1 E%2").arg(language).arg(slot));
        for (int slot = 1; slot <= browserRows; ++slot)
            write.SetCell(TableReference::of(path, BrowserTable, 1), slot, language,
                          QStringLiteral("L%1 F%2").arg(language).arg(slot));
        for (int slot = 0; slot <= burnerRows; ++slot)
            write.SetCell(TableReference::of(path, BurnerTable, 1), slot, language,
                          QStringLiteral("L%1 B%2").arg(language).arg(slot));
    }
    write.commit();
}

QString corrupt(const QString& path)
{
    return QStringLiteral("Access denied or file corrupted.\n\nFile: ") + path;
}

} // namespace

class TestLanguageFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void loadsEveryList()
    {
        const QString file = path("full.sir");
        writeFile(file, MainRowLimit);
        TableEngine engine;
        LanguageFile languages(engine, file);
        LangTexts texts;
        int language = Russian;
        const LanguageTexts loaded = languages.load(language, texts);
        QCOMPARE(language, Russian);
        QCOMPARE(texts[0], QStringLiteral("204"));
        QCOMPARE(loaded.charset, quint16(204));
        QCOMPARE(texts[1], QStringLiteral("L2 T1"));
        QCOMPARE(texts[MainTextCount], QStringLiteral("L2 T%1").arg(MainTextCount));
        QCOMPARE(loaded.engineTexts.size(), EngineTextCount + 1);
        QCOMPARE(loaded.engineTexts.at(1), QStringLiteral("L2 E1"));
        QCOMPARE(loaded.engineTexts.at(39), QStringLiteral("L2 E39"));
        QCOMPARE(loaded.browserTexts.size(), 10);
        QCOMPARE(loaded.browserTexts.at(9), QStringLiteral("L2 F9"));
        QCOMPARE(loaded.burnerTexts.size(), 29);
        QCOMPARE(loaded.burnerTexts.at(0), QStringLiteral("L2 B0"));
        QCOMPARE(loaded.burnerTexts.at(28), QStringLiteral("L2 B28"));
        QCOMPARE(languages.savedLanguage(), Russian);
    }

    void rowLimit_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("loads");
        QTest::newRow("all rows") << MainRowLimit << true;
        QTest::newRow("one row more") << MainRowLimit + 1 << false;
    }

    void rowLimit()
    {
        QFETCH(int, rows);
        QFETCH(bool, loads);
        const QString file = path("rows.sir");
        writeFile(file, rows);
        TableEngine engine;
        LanguageFile languages(engine, file);
        LangTexts texts;
        texts[MainTextCount] = QStringLiteral("before");
        int language = French;
        if (loads) {
            languages.load(language, texts);
            QCOMPARE(texts[MainTextCount], QStringLiteral("L3 T%1").arg(MainTextCount));
            return;
        }
        try {
            languages.load(language, texts);
            QFAIL("a table with too many rows was loaded");
        } catch (const LanguageFileError& error) {
            QCOMPARE(error.message(), corrupt(file));
        }
        QCOMPARE(texts[MainTextCount], QStringLiteral("before"));
        // A broken file is not written to.
        QCOMPARE(engine.GetValue(TableReference::of(file, MainTable, 1)), QString());
    }

    void fewerRowsKeepEarlierTexts()
    {
        const QString file = path("short.sir");
        writeFile(file, 11);
        TableEngine engine;
        LanguageFile languages(engine, file);
        LangTexts texts;
        texts[10] = QStringLiteral("old 10");
        texts[11] = QStringLiteral("old 11");
        int language = Spanish;
        languages.load(language, texts);
        QCOMPARE(texts[10], QStringLiteral("L4 T10"));
        QCOMPARE(texts[11], QStringLiteral("old 11"));
        QCOMPARE(texts[MainTextCount], QString());
    }

    void savedLanguage_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("saved");
        QTest::addColumn<int>("loaded");
        QTest::newRow("nothing") << QString() << 1 << 1;
        QTest::newRow("0") << QStringLiteral("0") << 1 << 1;
        QTest::newRow("-1") << QStringLiteral("-1") << 1 << 1;
        QTest::newRow("abc") << QStringLiteral("abc") << 1 << 1;
        QTest::newRow("2") << QStringLiteral("2") << 2 << 2;
        QTest::newRow(" 3 with blanks") << QStringLiteral("  3  ") << 3 << 3;
        QTest::newRow("4 and text") << QStringLiteral("4x") << 4 << 4;
        QTest::newRow("2.5 rounds to even") << QStringLiteral("2.5") << 2 << 2;
        QTest::newRow("3.5 rounds to even") << QStringLiteral("3.5") << 4 << 4;
        QTest::newRow("5 has no flag") << QStringLiteral("5") << 5 << 1;
    }

    void savedLanguage()
    {
        QFETCH(QString, stored);
        QFETCH(int, saved);
        QFETCH(int, loaded);
        const QString file = path("saved.sir");
        writeFile(file, MainRowLimit);
        TableEngine engine;
        if (!stored.isNull())
            engine.SetValue(stored, TableReference::of(file, MainTable, 1));
        LanguageFile languages(engine, file);
        QCOMPARE(languages.savedLanguage(), saved);
        int language = languages.savedLanguage();
        LangTexts texts;
        languages.load(language, texts);
        QCOMPARE(language, loaded);
        QCOMPARE(texts[1], QStringLiteral("L%1 T1").arg(loaded));
        // Loading rewrites the saved language as trimmed decimal text, changed or not.
        QCOMPARE(engine.GetValue(TableReference::of(file, MainTable, 1)), QString::number(loaded));
    }

    void unusableFiles_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("missing");
        QTest::newRow("missing file") << 0 << true;
        QTest::newRow("text file") << 1 << false;
        QTest::newRow("no main table") << 2 << false;
        QTest::newRow("character set not a number") << 3 << false;
        QTest::newRow("101 browser texts") << 4 << false;
        QTest::newRow("too many burner texts") << 5 << false;
    }

    void unusableFiles()
    {
        QFETCH(int, kind);
        QFETCH(bool, missing);
        const QString file = path("unusable.sir");
        QFile::remove(file);
        if (kind == 1) {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write("not a language file\n");
        } else if (kind == 2) {
            TableEngine writer;
            writer.SetCell(TableReference::of(file), 1, 1, QStringLiteral("x"));
        } else if (kind == 3) {
            writeFile(file, MainRowLimit, 9, 28, QStringLiteral("Cyrillic"));
        } else if (kind == 4) {
            writeFile(file, MainRowLimit, 101);
        } else if (kind == 5) {
            writeFile(file, MainRowLimit, 9, BurnerTextLimit + 1);
        }
        TableEngine engine;
        LanguageFile languages(engine, file);
        QCOMPARE(languages.savedLanguage(), 1);
        LangTexts texts;
        int language = Russian;
        try {
            languages.load(language, texts);
            QFAIL("an unusable language file was loaded");
        } catch (const LanguageFileError& error) {
            const QString expected =
                missing ? QStringLiteral("File not found.\n\nFile: ") + file : corrupt(file);
            QCOMPARE(error.message(), expected);
        }
        QCOMPARE(texts[1], QString());
        if (missing)
            QVERIFY(!QFile::exists(file));
    }

    void outOfRangeLanguageLoadsEnglish_data()
    {
        QTest::addColumn<int>("language");
        QTest::newRow("0") << 0;
        QTest::newRow("-3") << -3;
        QTest::newRow("5") << 5;
    }

    void outOfRangeLanguageLoadsEnglish()
    {
        QFETCH(int, language);
        const QString file = path("range.sir");
        writeFile(file, MainRowLimit);
        TableEngine engine;
        LanguageFile languages(engine, file);
        LangTexts texts;
        languages.load(language, texts);
        QCOMPARE(language, English);
        QCOMPARE(texts[2], QStringLiteral("L1 T2"));
        QCOMPARE(languages.savedLanguage(), English);
    }
};

QTEST_GUILESS_MAIN(TestLanguageFile)
#include "tst_languagefile.moc"
