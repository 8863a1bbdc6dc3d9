// Checks the language file the build produced: every text the program shows is there, in all
// four languages, and fits the way the program uses it.

#include "LanguageFile.h"

#include "LanguageTables.h"
#include "TableEngine.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

using namespace LanguageTables;

namespace {

// Main texts the program shows.
const QList<int> UsedMainTexts = {
    1,   2,   3,   5,   6,   7,   8,   9,   10,  11,  12,  13,  19,  20,  21,  22,  25,  26,  28,
    29,  30,  31,  32,  33,  34,  35,  36,  37,  38,  39,  40,  41,  51,  52,  53,  54,  55,  57,
    61,  62,  66,  67,  70,  71,  75,  78,  86,  88,  90,  91,  92,  95,  112, 113, 115, 120, 123,
    126, 127, 128, 129, 130, 136, 137, 151, 152, 153, 154, 155, 156, 157, 158, 159, 160, 161, 162,
    170, 171, 172};
// The drive pickers' states and mount messages.
const QList<int> DrivePickerTexts = {220, 221, 222, 223, 224};
// Texts the program follows with ":", ": ", "..." or a step number.
const QList<int> JoinedMainTexts = {21, 39, 57, 86, 113};

// Engine slots the recovery engine reads (13, 31 and 34 to 39 it does not).
const QList<int> UsedEngineTexts = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 14,
                                    15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27,
                                    28, 29, 30, 32, 33, 40, 41, 42, 43, 44, 45, 46, 47};
// Field labels (":" follows) and log prefixes (": " follows).
const QList<int> JoinedEngineTexts = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 40};
// Log endings, written after "file - ".
const QList<int> EngineLogEndings = {12, 20, 21, 32, 33, 40, 42, 44};

const QList<int> UsedBrowserTexts = {1, 2, 3, 4, 6, 7, 8, 9, 20};
const QList<int> JoinedBrowserTexts = {1, 9};

// Burner slots the burning control shows.
const QList<int> UsedBurnerTexts = {3, 5, 7, 8, 9, 10, 11, 12, 13, 16, 18, 19, 21, 23, 24, 25, 26, 27, 28};

const int ExpectedCharsets[] = {0, 0, 204, 0, 0};

bool endsWithJoiner(const QString& text)
{
    return text.endsWith(QLatin1Char(':')) || text.endsWith(QChar(0xff1a)) ||
           text.endsWith(QLatin1String("...")) || text.endsWith(QChar(0x2026)) ||
           (!text.isEmpty() && text.back().isSpace());
}

bool hasCyrillic(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x0400 && c.unicode() <= 0x04ff)
            return true;
    }
    return false;
}

} // namespace

class TestBuiltLanguages : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_file;

private Q_SLOTS:
    void initTestCase()
    {
        const QString built =
            QDir(qEnvironmentVariable("KORVALIS_BUILD_DIR")).filePath(QStringLiteral("app/languages.sir"));
        QVERIFY2(QFile::exists(built), qPrintable(built + QStringLiteral(" was not built")));
        // Loading writes the saved language; work on a copy.
        m_file = m_dir.filePath(QStringLiteral("languages.sir"));
        QVERIFY(QFile::copy(built, m_file));
    }

    void everyLanguage_data()
    {
        QTest::addColumn<int>("language");
        const QStringList names = LanguageFile::languageNames();
        for (int language = 1; language <= LanguageCount; ++language)
            QTest::newRow(qPrintable(names.at(language - 1))) << language;
    }

    void everyLanguage()
    {
        QFETCH(int, language);
        TableEngine engine;
        LanguageFile languages(engine, m_file);
        LangTexts texts;
        int applied = language;
        const LanguageTexts loaded = languages.load(applied, texts);
        QCOMPARE(applied, language);

        bool numeric = false;
        QCOMPARE(texts[0].toInt(&numeric), ExpectedCharsets[language]);
        QVERIFY(numeric);
        QCOMPARE(int(loaded.charset), ExpectedCharsets[language]);

        for (const int number : UsedMainTexts + DrivePickerTexts)
            QVERIFY2(!texts[number].trimmed().isEmpty(),
                     qPrintable(QStringLiteral("main text %1").arg(number)));
        for (const int number : JoinedMainTexts)
            QVERIFY2(!endsWithJoiner(texts[number]), qPrintable(QStringLiteral("main text %1").arg(number)));
        // "Step" + " 2.   " + the step: no full stop of its own.
        QVERIFY(!texts[39].endsWith(QLatin1Char('.')));
        QCOMPARE(texts[3], QStringLiteral(KORVALIS_VERSION));
        // The subtitle is printed right after the name: it starts with a blank.
        QVERIFY(texts[11].startsWith(QLatin1Char(' ')) && !texts[11].startsWith(QLatin1String("  ")));

        QCOMPARE(loaded.engineTexts.size(), EngineTextCount + 1);
        for (const int slot : UsedEngineTexts)
            QVERIFY2(!loaded.engineTexts.at(slot).trimmed().isEmpty(),
                     qPrintable(QStringLiteral("engine %1").arg(slot)));
        for (const int slot : JoinedEngineTexts)
            QVERIFY2(!endsWithJoiner(loaded.engineTexts.at(slot)),
                     qPrintable(QStringLiteral("engine %1").arg(slot)));
        for (const int slot : EngineLogEndings) {
            const QString& ending = loaded.engineTexts.at(slot);
            QVERIFY2(!ending.startsWith(QLatin1Char('-')) && !ending.front().isSpace() &&
                         !ending.endsWith(QLatin1Char('.')),
                     qPrintable(QStringLiteral("engine %1").arg(slot)));
        }

        QVERIFY(loaded.browserTexts.size() - 1 <= BrowserTextLimit);
        for (const int slot : UsedBrowserTexts) {
            QVERIFY2(slot < loaded.browserTexts.size() && !loaded.browserTexts.at(slot).trimmed().isEmpty(),
                     qPrintable(QStringLiteral("browser %1").arg(slot)));
        }
        for (const int slot : JoinedBrowserTexts)
            QVERIFY2(!endsWithJoiner(loaded.browserTexts.at(slot)),
                     qPrintable(QStringLiteral("browser %1").arg(slot)));

        QVERIFY(loaded.burnerTexts.size() - 1 <= BurnerTextLimit);
        for (const int slot : UsedBurnerTexts) {
            QVERIFY2(slot < loaded.burnerTexts.size() && !loaded.burnerTexts.at(slot).trimmed().isEmpty(),
                     qPrintable(QStringLiteral("burner %1").arg(slot)));
        }

        // Nothing left unreplaced, and the Russian texts are written in Russian.
        QStringList all(texts.begin(), texts.end());
        all << loaded.engineTexts << loaded.browserTexts << loaded.burnerTexts;
        for (const QString& text : all)
            QVERIFY2(!text.contains(QLatin1Char('{')), qPrintable(text));
        if (language == Russian) {
            for (const int number : UsedMainTexts + DrivePickerTexts) {
                if (number != 1 && number != 3)
                    QVERIFY2(hasCyrillic(texts[number]),
                             qPrintable(QStringLiteral("main text %1").arg(number)));
            }
            for (const int slot : UsedEngineTexts)
                QVERIFY2(hasCyrillic(loaded.engineTexts.at(slot)),
                         qPrintable(QStringLiteral("engine %1").arg(slot)));
        }
        QCOMPARE(languages.savedLanguage(), language);
    }

    void languagesDiffer()
    {
        TableEngine engine;
        LanguageFile languages(engine, m_file);
        QList<LangTexts> all(LanguageCount);
        for (int language = 1; language <= LanguageCount; ++language)
            languages.load(language, all[language - 1]);
        // Each translation is a translation: most texts differ from the English ones.
        for (int language = 2; language <= LanguageCount; ++language) {
            int same = 0;
            for (const int number : UsedMainTexts + DrivePickerTexts)
                same += all[language - 1][number] == all[0][number];
            QVERIFY2(
                same <= 6,
                qPrintable(QStringLiteral("language %1 repeats %2 English texts").arg(language).arg(same)));
        }
    }

    void bannerPictures()
    {
        TableEngine engine;
        const QString pictures = TableReference::of(m_file, PictureTable, 1);
        QCOMPARE(engine.GetRowCount(pictures), PictureRows);
        QByteArray first;
        for (int row = 1; row <= PictureRows; ++row) {
            for (int column = 1; column <= 2; ++column) {
                // The picture as bytes, and as text written out byte by byte.
                const QByteArray bytes = engine.GetCellData(pictures, row, column);
                QCOMPARE(engine.GetCell(pictures, row, column).toLatin1(), bytes);
                const QImage image = QImage::fromData(bytes, "PNG");
                QVERIFY(!image.isNull());
                QCOMPARE(image.size(), QSize(468, 60));
                QCOMPARE(LanguageFile(engine, m_file).picture(row), bytes);
                if (row == 1)
                    first = bytes;
                else
                    QVERIFY(bytes != first);
            }
        }
    }

    void freshFileStartsInEnglish()
    {
        TableEngine engine;
        const QString fresh = m_dir.filePath(QStringLiteral("fresh.sir"));
        QVERIFY(QFile::copy(
            QDir(qEnvironmentVariable("KORVALIS_BUILD_DIR")).filePath(QStringLiteral("app/languages.sir")),
            fresh));
        QCOMPARE(LanguageFile(engine, fresh).savedLanguage(), English);
    }
};

QTEST_GUILESS_MAIN(TestBuiltLanguages)
#include "tst_builtlanguages.moc"
