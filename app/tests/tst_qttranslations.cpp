#include "QtTranslations.h"

#include <QApplication>
#include <QDate>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

namespace {

QString plain(QString text)
{
    return text.remove(QLatin1Char('&'));
}

} // namespace

// Qt's own buttons and the locale follow the program's language, and switch with it.
class TestQtTranslations : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { QtTranslations::apply(1); }

    void standardButtonsSpeakTheLanguage_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("retry");
        QTest::addColumn<QString>("cancel");
        QTest::addColumn<QString>("yes");
        QTest::addColumn<QString>("no");
        QTest::newRow("English") << 1 << "Retry"
                                 << "Cancel"
                                 << "Yes"
                                 << "No";
        QTest::newRow("Russian") << 2 << "Повторить"
                                 << "Отмена"
                                 << "Да"
                                 << "Нет";
        QTest::newRow("French") << 3 << "Réessayer"
                                << "Annuler"
                                << "Oui"
                                << "Non";
        QTest::newRow("Spanish") << 4 << "Reintentar"
                                 << "Cancelar"
                                 << "Sí"
                                 << "No";
    }

    void standardButtonsSpeakTheLanguage()
    {
        QFETCH(int, language);
        QFETCH(QString, retry);
        QFETCH(QString, cancel);
        QFETCH(QString, yes);
        QFETCH(QString, no);
        QVERIFY(QtTranslations::apply(language));

        // The Retry/Cancel question of a file error, and a Yes/No question.
        QMessageBox box(QMessageBox::Critical, QString(), QStringLiteral("x"),
                        QMessageBox::Retry | QMessageBox::Cancel | QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(plain(box.button(QMessageBox::Retry)->text()), retry);
        QCOMPARE(plain(box.button(QMessageBox::Cancel)->text()), cancel);
        QCOMPARE(plain(box.button(QMessageBox::Yes)->text()), yes);
        QCOMPARE(plain(box.button(QMessageBox::No)->text()), no);
    }

    void anOpenButtonBoxFollowsASwitch()
    {
        QDialogButtonBox buttons(QDialogButtonBox::Cancel);
        QCOMPARE(plain(buttons.button(QDialogButtonBox::Cancel)->text()), QStringLiteral("Cancel"));
        QVERIFY(QtTranslations::apply(3));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        QCOMPARE(plain(buttons.button(QDialogButtonBox::Cancel)->text()), QStringLiteral("Annuler"));
        QVERIFY(QtTranslations::apply(1));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        QCOMPARE(plain(buttons.button(QDialogButtonBox::Cancel)->text()), QStringLiteral("Cancel"));
    }

    void datesFollowTheLanguage_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QLocale::Language>("locale");
        QTest::addColumn<QString>("month");
        QTest::newRow("English") << 1 << QLocale::English << "December";
        QTest::newRow("Russian") << 2 << QLocale::Russian << "декабря";
        QTest::newRow("French") << 3 << QLocale::French << "décembre";
        QTest::newRow("Spanish") << 4 << QLocale::Spanish << "diciembre";
        QTest::newRow("out of range") << 9 << QLocale::English << "December";
    }

    void datesFollowTheLanguage()
    {
        QFETCH(int, language);
        QFETCH(QLocale::Language, locale);
        QFETCH(QString, month);
        QtTranslations::apply(language);
        QCOMPARE(QLocale().language(), locale);
        QVERIFY2(QLocale().toString(QDate(2026, 12, 8), QLocale::LongFormat).contains(month),
                 qPrintable(QLocale().toString(QDate(2026, 12, 8), QLocale::LongFormat)));
    }
};

QTEST_MAIN(TestQtTranslations)
#include "tst_qttranslations.moc"
