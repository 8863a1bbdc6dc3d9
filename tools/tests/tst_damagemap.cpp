#include "DamageMap.h"
#include "DamageState.h"

#include <QTest>

using Medium::DamageMap;
using Medium::DamageRange;
using Medium::DamageState;
using Ranges = std::vector<DamageRange>;

Q_DECLARE_METATYPE(Ranges)

namespace {

DamageRange range(const char* path, qint64 first, qint64 length, int line, int delayMs = 0, int weak = 0)
{
    DamageRange r;
    r.path = path;
    r.first = first;
    r.length = length;
    r.delayMs = delayMs;
    r.weakReads = weak;
    r.line = line;
    return r;
}

} // namespace

class tst_DamageMap : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void validMaps_data();
    void validMaps();
    void invalidLines_data();
    void invalidLines();
    void readsTouchingARange_data();
    void readsTouchingARange();
    void weakRangeCountsTouchingReads();
    void delayIsTheLongestOfTheFailingRanges();
};

void tst_DamageMap::validMaps_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<Ranges>("expected");

    QTest::newRow("empty") << QByteArray() << Ranges{};
    QTest::newRow("only comments and blanks") << QByteArray("# nothing\n\n   \t\n# more") << Ranges{};
    QTest::newRow("plain") << QByteArray("data.bin 4096 512\n") << Ranges{range("data.bin", 4096, 512, 1)};
    QTest::newRow("no closing newline") << QByteArray("a 1 2") << Ranges{range("a", 1, 2, 1)};
    QTest::newRow("quoted with blanks") << QByteArray("\"My Documents/a b.txt\"  10\t20\n")
                                        << Ranges{range("My Documents/a b.txt", 10, 20, 1)};
    QTest::newRow("escapes in quotes")
        << QByteArray(R"("say \"hi\" \\ now" 1 1)") << Ranges{range(R"(say "hi" \ now)", 1, 1, 1)};
    QTest::newRow("hash inside quotes")
        << QByteArray("\"a#b\" 0 1 # comment\n") << Ranges{range("a#b", 0, 1, 1)};
    QTest::newRow("comment right after a word") << QByteArray("a 0 1# why\n") << Ranges{range("a", 0, 1, 1)};
    QTest::newRow("options in any order") << QByteArray("a 1 2 weak=3 delay=40\nb 5 6 delay=0\n")
                                          << Ranges{range("a", 1, 2, 1, 40, 3), range("b", 5, 6, 2)};
    QTest::newRow("line numbers count every line") << QByteArray("# head\n\n  a 1 2 # tail\n\tb 3 4\n")
                                                   << Ranges{range("a", 1, 2, 3), range("b", 3, 4, 4)};
    QTest::newRow("CRLF line ends") << QByteArray("a 1 2\r\nb 3 4\r\n")
                                    << Ranges{range("a", 1, 2, 1), range("b", 3, 4, 2)};
    QTest::newRow("path normalised") << QByteArray("./x//y/./z 0 1") << Ranges{range("x/y/z", 0, 1, 1)};
    QTest::newRow("non-ASCII path") << QByteArray("\"Fotos/Ürlaub é.jpg\" 0 1")
                                    << Ranges{range("Fotos/Ürlaub é.jpg", 0, 1, 1)};
    QTest::newRow("largest range") << QByteArray("a 9223372036854775806 1")
                                   << Ranges{range("a", 9223372036854775806LL, 1, 1)};
    QTest::newRow("overlapping ranges kept")
        << QByteArray("a 0 10\na 5 10 weak=1\n") << Ranges{range("a", 0, 10, 1), range("a", 5, 10, 2, 0, 1)};
}

void tst_DamageMap::validMaps()
{
    QFETCH(QByteArray, text);
    QFETCH(Ranges, expected);

    DamageMap map;
    std::string error = "stale";
    QVERIFY2(map.parse(text.toStdString(), error), error.c_str());
    QVERIFY(error.empty());
    QCOMPARE(map.ranges().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        QCOMPARE(QString::fromStdString(map.ranges()[i].path), QString::fromStdString(expected[i].path));
        QVERIFY(map.ranges()[i] == expected[i]);
    }
}

void tst_DamageMap::invalidLines_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("expected"); // the start of the message

    QTest::newRow("too few fields") << QByteArray("a 1") << QStringLiteral("line 1: expected PATH");
    QTest::newRow("path only") << QByteArray("\"a b\"") << QStringLiteral("line 1: expected PATH");
    QTest::newRow("negative first") << QByteArray("a -1 2") << QStringLiteral("line 1: FIRST");
    QTest::newRow("hexadecimal first") << QByteArray("a 0x10 2") << QStringLiteral("line 1: FIRST");
    QTest::newRow("quoted number") << QByteArray("a \"1\" 2") << QStringLiteral("line 1: FIRST");
    QTest::newRow("zero length") << QByteArray("a 1 0") << QStringLiteral("line 1: LENGTH");
    QTest::newRow("length with unit") << QByteArray("a 1 2k") << QStringLiteral("line 1: LENGTH");
    QTest::newRow("too many digits") << QByteArray("a 99999999999999999999 1")
                                     << QStringLiteral("line 1: FIRST");
    QTest::newRow("end overflows") << QByteArray("a 9223372036854775807 1")
                                   << QStringLiteral("line 1: the range");
    QTest::newRow("unknown option") << QByteArray("a 1 2 slow=3") << QStringLiteral("line 1: unknown option");
    QTest::newRow("stray word") << QByteArray("a 1 2 3") << QStringLiteral("line 1: unknown option");
    QTest::newRow("option twice") << QByteArray("a 1 2 delay=1 delay=2")
                                  << QStringLiteral("line 1: delay is given twice");
    QTest::newRow("weak zero") << QByteArray("a 1 2 weak=0") << QStringLiteral("line 1: weak must");
    QTest::newRow("delay not a number")
        << QByteArray("a 1 2 delay=fast") << QStringLiteral("line 1: delay must");
    QTest::newRow("delay too long") << QByteArray("a 1 2 delay=3600001")
                                    << QStringLiteral("line 1: delay must");
    QTest::newRow("absolute path") << QByteArray("/etc/passwd 0 1") << QStringLiteral("line 1: the path");
    QTest::newRow("climbs out") << QByteArray("a/../../x 0 1") << QStringLiteral("line 1: the path");
    QTest::newRow("only dots") << QByteArray("./. 0 1") << QStringLiteral("line 1: the path");
    QTest::newRow("quote not closed") << QByteArray("\"a 0 1") << QStringLiteral("line 1: the closing");
    QTest::newRow("unknown escape") << QByteArray(R"("a\n" 0 1)") << QStringLiteral("line 1: only");
    QTest::newRow("quote inside a word")
        << QByteArray("a\"b 0 1") << QStringLiteral("line 1: a double quote");
    QTest::newRow("text after the quote") << QByteArray("\"a\"b 0 1") << QStringLiteral("line 1: a blank");
    QTest::newRow("third line, after good ones")
        << QByteArray("a 0 1\n# fine\nb zero 1\nc 0 1\n") << QStringLiteral("line 3: FIRST");
}

void tst_DamageMap::invalidLines()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, expected);

    DamageMap map;
    std::string error;
    QVERIFY(!map.parse(text.toStdString(), error));
    QVERIFY2(QString::fromStdString(error).startsWith(expected), error.c_str());
    QVERIFY(map.ranges().empty()); // nothing of a bad map is used
}

void tst_DamageMap::readsTouchingARange_data()
{
    QTest::addColumn<qint64>("offset");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("fails");

    // The file is 10000 bytes, bad at [4096, 4608) and at [9990, 10090), past its end.
    QTest::newRow("ends at the first bad byte") << qint64(0) << qint64(4096) << false;
    QTest::newRow("holds the first bad byte") << qint64(0) << qint64(4097) << true;
    QTest::newRow("starts at the last bad byte") << qint64(4607) << qint64(10) << true;
    QTest::newRow("starts after the range") << qint64(4608) << qint64(100) << false;
    QTest::newRow("inside") << qint64(4200) << qint64(1) << true;
    QTest::newRow("covers it") << qint64(0) << qint64(9000) << true;
    QTest::newRow("before the tail range") << qint64(9000) << qint64(990) << false;
    QTest::newRow("into the tail range") << qint64(9000) << qint64(991) << true;
    QTest::newRow("at the end of the file") << qint64(10000) << qint64(4096) << false;
    QTest::newRow("past the end of the file") << qint64(10050) << qint64(10) << false;
    QTest::newRow("empty read") << qint64(4200) << qint64(0) << false;
}

void tst_DamageMap::readsTouchingARange()
{
    QFETCH(qint64, offset);
    QFETCH(qint64, size);
    QFETCH(bool, fails);

    DamageState state({range("f", 4096, 512, 1), range("f", 9990, 100, 2)});
    QCOMPARE(state.read("f", offset, size, 10000).fails, fails);
    QVERIFY(!state.read("g", offset, size, 10000).fails);
    QVERIFY(state.isDamaged("f"));
    QVERIFY(!state.isDamaged("g"));
}

void tst_DamageMap::weakRangeCountsTouchingReads()
{
    DamageState state({range("f", 100, 10, 1, 0, 2)});
    QVERIFY(!state.read("f", 0, 100, 1000).fails); // beside it: not counted
    QVERIFY(state.read("f", 105, 1, 1000).fails);
    QVERIFY(!state.read("f", 110, 50, 1000).fails);
    QVERIFY(state.read("f", 0, 1000, 1000).fails);
    QVERIFY(!state.read("f", 0, 1000, 1000).fails);
    QVERIFY(!state.read("f", 100, 10, 1000).fails);
}

void tst_DamageMap::delayIsTheLongestOfTheFailingRanges()
{
    DamageState state({range("f", 0, 10, 1, 30), range("f", 20, 10, 2, 70, 1), range("f", 40, 10, 3)});
    QCOMPARE(state.read("f", 0, 50, 100).delayMs, 70);
    // The weak range reads now, so its delay no longer applies.
    const auto verdict = state.read("f", 0, 50, 100);
    QVERIFY(verdict.fails);
    QCOMPARE(verdict.delayMs, 30);
    QCOMPARE(state.read("f", 40, 10, 100).delayMs, 0);
    QCOMPARE(state.read("f", 10, 10, 100).delayMs, 0);
}

QTEST_GUILESS_MAIN(tst_DamageMap)
#include "tst_damagemap.moc"
