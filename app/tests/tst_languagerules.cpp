#include "BuiltLanguage.h"
#include "FormatSize.h"
#include "PluralText.h"
#include "QtTranslations.h"
#include "SizeText.h"

#include <QFile>
#include <QTest>

#include <array>
#include <tuple>
#include <utility>

namespace {

constexpr int StallFormsSlot = 82; // the burner's "no progress for %1 seconds", in plural forms

} // namespace

// The plural forms and the size units of every language, from the built language file.
class TestLanguageRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY2(QFile::exists(BuiltLanguage::file()), qPrintable(BuiltLanguage::file())); }
    void cleanupTestCase()
    {
        Platform::setSizeUnits(Platform::SizeUnits{});
        QtTranslations::apply(1);
    }

    void pluralForms_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<qint64>("count");
        QTest::addColumn<QString>("word");
        const auto rows = [](const char* name, int language,
                             const QList<std::pair<qint64, const char*>>& cases) {
            for (const auto& [count, word] : cases)
                QTest::addRow("%s %lld", name, static_cast<long long>(count))
                    << language << count << QString::fromUtf8(word);
        };
        rows("English", 1,
             {{0, "seconds."},
              {1, "second."},
              {2, "seconds."},
              {5, "seconds."},
              {11, "seconds."},
              {21, "seconds."},
              {101, "seconds."}});
        rows("Russian", 2,
             {{0, "секунд."},
              {1, "секунду."},
              {2, "секунды."},
              {5, "секунд."},
              {11, "секунд."},
              {12, "секунд."},
              {14, "секунд."},
              {21, "секунду."},
              {22, "секунды."},
              {101, "секунду."},
              {111, "секунд."},
              {1004, "секунды."}});
        rows("French", 3,
             {{0, "seconde."},
              {1, "seconde."},
              {2, "secondes."},
              {5, "secondes."},
              {11, "secondes."},
              {21, "secondes."},
              {101, "secondes."}});
        rows("Spanish", 4,
             {{0, "segundos."},
              {1, "segundo."},
              {2, "segundos."},
              {5, "segundos."},
              {11, "segundos."},
              {21, "segundos."},
              {101, "segundos."}});
    }

    void pluralForms()
    {
        QFETCH(int, language);
        QFETCH(qint64, count);
        QFETCH(QString, word);
        const QString forms = BuiltLanguage::load(language).controls.burnerTexts.value(StallFormsSlot);
        QVERIFY(!forms.isEmpty());
        const QString shown = Platform::PluralText::text(forms, count, QtTranslations::localeOf(language));
        QVERIFY2(shown.endsWith(QLatin1Char(' ') + word), qPrintable(shown));
        QVERIFY2(shown.contains(QtTranslations::localeOf(language).toString(count)), qPrintable(shown));
    }

    void sizeUnits_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<double>("bytes");
        QTest::addColumn<QString>("text");
        // The byte count, the number shown, and its unit (0 bytes, 1 kilo, 2 mega, 3 giga).
        const QList<std::tuple<double, const char*, int>> thresholds = {
            {0, "0", 0},       {5120, "5120", 0},       {5121, "5", 1},       {5242880, "5120", 1},
            {5242881, "5", 2}, {1073741824, "1024", 2}, {1073741825, "1", 3}, {4294967296.0, "4", 3},
        };
        const QList<std::tuple<const char*, int, std::array<const char*, 4>>> languages = {
            {"English", 1, {"B", "KB", "MB", "GB"}},
            {"Russian", 2, {"Б", "КБ", "МБ", "ГБ"}},
            {"French", 3, {"o", "Ko", "Mo", "Go"}},
            {"Spanish", 4, {"B", "KB", "MB", "GB"}},
        };
        for (const auto& [name, language, units] : languages)
            for (const auto& [bytes, number, unit] : thresholds)
                QTest::addRow("%s %.0f", name, bytes)
                    << language << bytes
                    << QString::fromUtf8(number) + QLatin1Char(' ') + QString::fromUtf8(units[size_t(unit)]);
    }

    void sizeUnits()
    {
        QFETCH(int, language);
        QFETCH(double, bytes);
        QFETCH(QString, text);
        SetSizeUnits(BuiltLanguage::load(language).main);
        QCOMPARE(FormatSize(bytes), text);
    }
};

QTEST_MAIN(TestLanguageRules)
#include "tst_languagerules.moc"
