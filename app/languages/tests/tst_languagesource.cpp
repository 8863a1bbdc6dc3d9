#include "LanguageFileWriter.h"
#include "LanguageSource.h"

#include <QTest>

namespace {

QString header(int number = 1)
{
    return QStringLiteral("[language]\nnumber = %1\nname = Test\ncharset = 0\n").arg(number);
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
                                << QStringLiteral(":6: text 0 is outside 1 to 269");
        QTest::newRow("main 270") << header() + QStringLiteral("[main]\n270 = x\n")
                                  << QStringLiteral("outside 1 to 269");
        QTest::newRow("engine 60") << header() + QStringLiteral("[engine]\n60 = x\n")
                                   << QStringLiteral("outside 1 to 59");
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
