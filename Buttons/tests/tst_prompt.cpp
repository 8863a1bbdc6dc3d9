#include "ModalDriver.h"
#include "Prompt.h"

#include <QTest>

class TestPrompt : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void realBoxAnswersWithTheClickedButton()
    {
        bool acted = false;
        ModalDriver::onNextModal(
            [](QWidget* modal) { ModalDriver::clickButton(modal, QStringLiteral("Retry")); }, &acted);
        const auto answer = Prompt::show({QMessageBox::Critical, QString(), QStringLiteral("Disk full"),
                                          QMessageBox::Retry | QMessageBox::Cancel});
        QVERIFY(acted);
        QCOMPARE(answer, QMessageBox::Retry);
    }

    void answererReplacesThePersonAndIsRestored()
    {
        QString asked;
        {
            Prompt::ScopedAnswerer answerer([&](const Prompt::Message& m) {
                asked = m.text;
                return QMessageBox::Cancel;
            });
            QCOMPARE(Prompt::show({QMessageBox::Question, QStringLiteral("Korvalis"),
                                   QStringLiteral("Go on?"), QMessageBox::Yes | QMessageBox::Cancel}),
                     QMessageBox::Cancel);
        }
        QCOMPARE(asked, QStringLiteral("Go on?"));
        bool acted = false;
        ModalDriver::onNextModal(
            [](QWidget* modal) { ModalDriver::clickButton(modal, QStringLiteral("Yes")); }, &acted);
        QCOMPARE(Prompt::show({QMessageBox::Question, QString(), QStringLiteral("Again?"),
                               QMessageBox::Yes | QMessageBox::No}),
                 QMessageBox::Yes);
        QVERIFY(acted);
    }
};

QTEST_MAIN(TestPrompt)
#include "tst_prompt.moc"
