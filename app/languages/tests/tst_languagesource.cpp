#include "LanguageFileWriter.h"
#include "LanguageSource.h"
#include "PoFile.h"

#include <QTest>

namespace {

QString header(int number = 1)
{
    return QStringLiteral("[language]\nnumber = %1\nname = Test\ncharset = 0\n").arg(number);
}

// The header of a Russian .po file, ten lines.
QString poHeader()
{
    return QStringLiteral("# Korvalis texts: Russian\n"
                          "msgid \"\"\n"
                          "msgstr \"\"\n"
                          "\"Language: ru\\n\"\n"
                          "\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
                          "\"X-Korvalis-Number: 2\\n\"\n"
                          "\"X-Korvalis-Name: Russian\\n\"\n"
                          "\"X-Korvalis-Charset: 204\\n\"\n"
                          "\n"
                          "\n");
}

} // namespace

class TestLanguageSource : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void texts()
    {
        const QString text = header() + QStringLiteral("# a comment\n"
                                                       "[main]\n"
                                                       "1 = Korvalis\n"
                                                       "11 = \" keeps its blank\"\n"
                                                       "12 = two\\nlines, a \\\\ backslash\n"
                                                       "13 = = sign and \"quotes\" inside\n"
                                                       "95 = \"\"\"\n"
                                                       "First line\n"
                                                       "\n"
                                                       "  indented line\n"
                                                       "\"\"\"\n"
                                                       "[burner]\n"
                                                       "0 = slot zero\r\n");
        const LanguageSource source = LanguageSource::parse(text, QStringLiteral("t.lang"));
        QCOMPARE(source.number, 1);
        QCOMPARE(source.main.at(1), QStringLiteral("Korvalis"));
        QCOMPARE(source.main.at(11), QStringLiteral(" keeps its blank"));
        QCOMPARE(source.main.at(12), QStringLiteral("two\nlines, a \\ backslash"));
        QCOMPARE(source.main.at(13), QStringLiteral("= sign and \"quotes\" inside"));
        QCOMPARE(source.main.at(95), QStringLiteral("First line\n\n  indented line"));
        QCOMPARE(source.burner.at(0), QStringLiteral("slot zero"));
    }

    void errors_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("main 0") << header() + QStringLiteral("[main]\n0 = x\n")
                                << QStringLiteral(":6: text 0 is outside 1 to 349");
        QTest::newRow("main 350") << header() + QStringLiteral("[main]\n350 = x\n")
                                  << QStringLiteral("outside 1 to 349");
        QTest::newRow("engine 100") << header() + QStringLiteral("[engine]\n100 = x\n")
                                    << QStringLiteral("outside 1 to 99");
        QTest::newRow("burner 100") << header() + QStringLiteral("[burner]\n100 = x\n")
                                    << QStringLiteral("outside 0 to 99");
        QTest::newRow("twice") << header() + QStringLiteral("[main]\n5 = a\n5 = b\n")
                               << QStringLiteral("given twice");
        QTest::newRow("no number") << header() + QStringLiteral("[main]\nfive = a\n")
                                   << QStringLiteral("whole number");
        QTest::newRow("no equals") << header() + QStringLiteral("[main]\njust text\n")
                                   << QStringLiteral("key = text");
        QTest::newRow("section") << header() + QStringLiteral("[menu]\n")
                                 << QStringLiteral("unknown section");
        QTest::newRow("open block") << header() + QStringLiteral("[main]\n95 = \"\"\"\ntext\n")
                                    << QStringLiteral("no closing");
        QTest::newRow("escape") << header() + QStringLiteral("[main]\n5 = a\\tb\n")
                                << QStringLiteral("unknown escape");
        QTest::newRow("language 5") << header(5) << QStringLiteral("number must be 1 to 4");
        QTest::newRow("charset") << QStringLiteral("[language]\nnumber = 1\nname = X\ncharset = cyr\n")
                                 << QStringLiteral("whole number");
    }

    void errors()
    {
        QFETCH(QString, text);
        QFETCH(QString, message);
        try {
            LanguageSource::parse(text, QStringLiteral("t.lang"));
            QFAIL("accepted");
        } catch (const LanguageSourceError& error) {
            QVERIFY2(QString::fromUtf8(error.what()).contains(message), error.what());
            QVERIFY(QString::fromUtf8(error.what()).startsWith(QLatin1String("t.lang:")));
        }
    }

    void poTexts()
    {
        const QString text =
            poHeader() + QStringLiteral("#. where it is shown\n"
                                        "msgctxt \"banner\"\n"
                                        "msgid \"Rescue\"\n"
                                        "msgstr \"Спасение\"\n"
                                        "\n"
                                        "#, qt-format\n"
                                        "msgctxt \"main:224\"\n"
                                        "msgid \"%1 could not be mounted.\"\n"
                                        "msgstr \"Не удалось \"\n"
                                        "\"подключить %1.\"\n"
                                        "\n"
                                        "msgctxt \"main:95\"\n"
                                        "msgid \"\"\n"
                                        "\"First line\\n\"\n"
                                        "\"a \\\"quoted\\\" \\\\ word\"\n"
                                        "msgstr \"\"\n"
                                        "\"Первая\\n\"\n"
                                        "\"строка\"\n"
                                        "# a translator's note; an untranslated text gives the English one\n"
                                        "msgctxt \"engine:5\"\n"
                                        "msgid \"Block size\"\n"
                                        "msgstr \"\"\n"
                                        "\n"
                                        "#, fuzzy\n"
                                        "msgctxt \"burner:0\"\n"
                                        "msgid \"Korvalis\"\n"
                                        "msgstr \"Not yet checked\"\n");
        const LanguageSource source = PoFile::parse(text, QStringLiteral("t.po"));
        QCOMPARE(source.number, 2);
        QCOMPARE(source.name, QStringLiteral("Russian"));
        QCOMPARE(source.charset, 204);
        QCOMPARE(source.banner, QStringLiteral("Спасение"));
        QCOMPARE(source.main.at(224), QStringLiteral("Не удалось подключить %1."));
        QCOMPARE(source.main.at(95), QStringLiteral("Первая\nстрока"));
        QCOMPARE(source.engine.at(5), QStringLiteral("Block size"));
        QCOMPARE(source.burner.at(0), QStringLiteral("Korvalis"));
    }

    void poErrors_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("no header") << QStringLiteral("msgctxt \"main:1\"\nmsgid \"a\"\nmsgstr \"b\"\n")
                                   << QStringLiteral("header entry");
        QTest::newRow("no context") << poHeader() + QStringLiteral("msgid \"a\"\nmsgstr \"b\"\n")
                                    << QStringLiteral(":11: every text needs a msgctxt");
        QTest::newRow("bad context") << poHeader() +
                                            QStringLiteral("msgctxt \"menu:1\"\nmsgid \"a\"\nmsgstr \"b\"\n")
                                     << QStringLiteral("not a section and number");
        QTest::newRow("range") << poHeader() +
                                      QStringLiteral("msgctxt \"engine:100\"\nmsgid \"a\"\nmsgstr \"b\"\n")
                               << QStringLiteral("outside 1 to 99");
        QTest::newRow("twice") << poHeader() +
                                      QStringLiteral("msgctxt \"main:5\"\nmsgid \"a\"\nmsgstr \"b\"\n\n"
                                                     "msgctxt \"main:5\"\nmsgid \"c\"\nmsgstr \"d\"\n")
                               << QStringLiteral("given twice");
        QTest::newRow("plural") << poHeader() + QStringLiteral(
                                                    "msgctxt \"main:5\"\nmsgid \"a\"\nmsgid_plural \"as\"\n")
                                << QStringLiteral("plural entries");
        QTest::newRow("escape") << poHeader() +
                                       QStringLiteral("msgctxt \"main:5\"\nmsgid \"a\\qb\"\nmsgstr \"\"\n")
                                << QStringLiteral("unknown escape");
        QTest::newRow("no msgstr") << poHeader() + QStringLiteral("msgctxt \"main:5\"\nmsgid \"a\"\n")
                                   << QStringLiteral("needs a msgid and a msgstr");
        QTest::newRow("charset") << QStringLiteral("msgid \"\"\nmsgstr \"X-Korvalis-Number: 1\\n\"\n")
                                 << QStringLiteral("X-Korvalis-Charset");
    }

    void poErrors()
    {
        QFETCH(QString, text);
        QFETCH(QString, message);
        try {
            PoFile::parse(text, QStringLiteral("t.po"));
            QFAIL("accepted");
        } catch (const LanguageSourceError& error) {
            QVERIFY2(QString::fromUtf8(error.what()).contains(message), error.what());
            QVERIFY(QString::fromUtf8(error.what()).startsWith(QLatin1String("t.po:")));
        }
    }

    void completeness()
    {
        QList<LanguageSource> sources;
        for (int number = 1; number <= 4; ++number)
            sources.append(LanguageSource::parse(header(number) + QStringLiteral("[main]\n1 = x\n"),
                                                 QStringLiteral("l%1.lang").arg(number)));
        LanguageFileWriter::checkComplete(sources);

        QList<LanguageSource> missingText = sources;
        missingText[2].main.erase(1);
        QVERIFY_THROWS_EXCEPTION(LanguageSourceError, LanguageFileWriter::checkComplete(missingText));

        QList<LanguageSource> twice = sources;
        twice[3].number = 1;
        QVERIFY_THROWS_EXCEPTION(LanguageSourceError, LanguageFileWriter::checkComplete(twice));
        QVERIFY_THROWS_EXCEPTION(LanguageSourceError, LanguageFileWriter::checkComplete(sources.mid(0, 3)));
    }
};

QTEST_GUILESS_MAIN(TestLanguageSource)
#include "tst_languagesource.moc"
