// The progress panel's own texts in every language of the built language file: the time left
// in words with each language's plural forms, the start and stop buttons, the time-left label.
#include "BuiltLanguage.h"
#include "QtTranslations.h"
#include "RecoveryProcess.h"
#include "TextIds.h"
#include "TimeLeftText.h"
#include "isButton.h"

#include <QLabel>
#include <QTest>

class TestProgressTexts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY2(QFile::exists(BuiltLanguage::file()), qPrintable(BuiltLanguage::file())); }

    void timeLeftInWords_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("shown");
        const auto rows = [](const char* name, int language,
                             const QList<std::pair<qint64, const char*>>& cases) {
            for (const auto& [seconds, shown] : cases)
                QTest::addRow("%s %lld", name, static_cast<long long>(seconds))
                    << language << seconds << QString::fromUtf8(shown);
        };
        constexpr qint64 Min = 60;
        constexpr qint64 Hour = 3600;
        rows("English", 1,
             {{3, "5 seconds"},
              {45, "45 seconds"},
              {Min, "1 minute"},
              {2 * Min, "2 minutes"},
              {Hour + Min, "1 hour 1 minute"},
              {2 * Hour + 5 * Min, "2 hours 5 minutes"}});
        rows("Russian", 2,
             {{5, "5 секунд"},
              {Min, "1 минута"},
              {2 * Min, "2 минуты"},
              {5 * Min, "5 минут"},
              {11 * Min, "11 минут"},
              {21 * Min, "21 минута"},
              {22 * Min, "22 минуты"},
              {Hour + Min, "1 час 1 минута"},
              {2 * Hour, "2 часа"},
              {5 * Hour + 3 * Min, "5 часов 3 минуты"},
              {21 * Hour, "21 час"}});
        rows("French", 3,
             {{5, "5 secondes"},
              {Min, "1 minute"},
              {2 * Min, "2 minutes"},
              {Hour, "1 heure"},
              {2 * Hour + 5 * Min, "2 heures 5 minutes"}});
        rows("Spanish", 4,
             {{45, "45 segundos"},
              {Min, "1 minuto"},
              {2 * Min, "2 minutos"},
              {Hour + Min, "1 hora 1 minuto"},
              {2 * Hour + 5 * Min, "2 horas 5 minutos"}});
    }

    void timeLeftInWords()
    {
        QFETCH(int, language);
        QFETCH(qint64, seconds);
        QFETCH(QString, shown);
        const BuiltLanguage::Texts texts = BuiltLanguage::load(language);
        const TimeLeftText::Units units{texts.main[TextId::TimeLeftSeconds],
                                        texts.main[TextId::TimeLeftMinutes],
                                        texts.main[TextId::TimeLeftHours]};
        QCOMPARE(TimeLeftText::text(seconds, units, QtTranslations::localeOf(language)), shown);
    }

    void panelCaptions_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("timeLeft");
        QTest::newRow("English") << 1 << QStringLiteral("Start") << QStringLiteral("Time left:");
        QTest::newRow("Russian") << 2 << QStringLiteral("Начать") << QStringLiteral("Осталось:");
        QTest::newRow("French") << 3 << QStringLiteral("Démarrer") << QStringLiteral("Temps restant\u00a0:");
        QTest::newRow("Spanish") << 4 << QStringLiteral("Iniciar") << QStringLiteral("Tiempo restante:");
    }

    void panelCaptions()
    {
        QFETCH(int, language);
        QFETCH(QString, start);
        QFETCH(QString, timeLeft);
        const BuiltLanguage::Texts texts = BuiltLanguage::load(language);
        RecoveryProcess engine;
        for (int i = 1; i < texts.controls.engineTexts.size(); ++i)
            engine.setLangValue(i, texts.controls.engineTexts[i]);
        QCOMPARE(engine.findChild<isButton*>(QStringLiteral("Command1"))->Caption(), start);
        QCOMPARE(engine.findChild<isButton*>(QStringLiteral("Command2"))->Caption(),
                 texts.controls.engineTexts[75]);
        QCOMPARE(engine.findChild<QLabel*>(QStringLiteral("TimeLeftLabel"))->text(), timeLeft);
        // The speed's pattern keeps the size.
        QVERIFY(texts.controls.engineTexts[77].contains(QLatin1String("%1")));
    }
};

QTEST_MAIN(TestProgressTexts)
#include "tst_progresstexts.moc"
