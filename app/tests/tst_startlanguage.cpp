#include "LanguageFile.h"
#include "ProgramStart.h"
#include "Prompt.h"
#include "TableEngine.h"
#include "Wizard.h"
#include "isButton.h"

#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString builtLanguageFile()
{
    return qEnvironmentVariable("KORVALIS_BUILD_DIR") + QStringLiteral("/app/languages.sir");
}

// A program folder holding a copy of the built language file, with `saved` stored as the
// saved language when it is not null.
bool prepareFolder(const QTemporaryDir& folder, const QString& saved)
{
    const QString file = folder.filePath(QStringLiteral("languages.sir"));
    if (!QFile::copy(builtLanguageFile(), file))
        return false;
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    if (!saved.isNull()) {
        TableEngine engine;
        engine.SetValue(saved, QLatin1Char('"') + file + QStringLiteral("\"/[2,1]"));
        engine.CloseAll();
    }
    return true;
}

// The texts of one language straight from the file.
LangTexts textsOf(const QString& file, int language)
{
    TableEngine engine;
    LanguageFile languages(engine, file);
    LangTexts texts;
    languages.load(language, texts);
    return texts;
}

} // namespace

class TestStartLanguage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY2(QFile::exists(builtLanguageFile()), qPrintable(builtLanguageFile())); }

    void savedLanguageChoosesTheFlag_data()
    {
        QTest::addColumn<QString>("saved");
        QTest::addColumn<int>("flag");
        QTest::newRow("nothing saved") << QString() << 0;
        QTest::newRow("zero") << QStringLiteral("0") << 0;
        QTest::newRow("negative") << QStringLiteral("-1") << 0;
        QTest::newRow("not a number") << QStringLiteral("abc") << 0;
        QTest::newRow("Russian") << QStringLiteral("2") << 1;
        QTest::newRow("Spanish") << QStringLiteral("4") << 3;
    }

    void savedLanguageChoosesTheFlag()
    {
        QFETCH(QString, saved);
        QFETCH(int, flag);
        QTemporaryDir folder;
        QVERIFY(prepareFolder(folder, saved));
        auto wizard = startWizard(folder.path());
        QVERIFY(wizard);
        QCOMPARE(wizard->currentLanguage(), flag + 1);
        QCOMPARE(wizard->findChild<QLabel*>(QStringLiteral("FlagsArrow"))->x(),
                 wizard->findChild<QLabel*>(QStringLiteral("Flags(%1)").arg(flag))->x());
        const LangTexts texts = textsOf(folder.filePath(QStringLiteral("languages.sir")), flag + 1);
        QCOMPARE(wizard->findChild<isButton*>(QStringLiteral("Command11"))->Caption(),
                 QStringLiteral("  ") + texts[38]);
        QCOMPARE(wizard->findChild<QListWidget*>(QStringLiteral("MainMenu"))->count(), 3);
        QCOMPARE(wizard->flow().WizardMode, int(ModeRecoverToFolder));
        QCOMPARE(wizard->findChild<QLabel*>(QStringLiteral("Flags(2)"))->toolTip(), QStringLiteral("French"));
    }

    void savedLanguageFiveEndsInTheLoadError()
    {
        QTemporaryDir folder;
        QVERIFY(prepareFolder(folder, QStringLiteral("5")));
        QList<Prompt::Message> shown;
        Prompt::ScopedAnswerer answers([&](const Prompt::Message& m) {
            shown.append(m);
            return QMessageBox::Ok;
        });
        QVERIFY(!startWizard(folder.path()));
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].icon, QMessageBox::Critical);
        QVERIFY2(shown[0].text.startsWith(
                     QStringLiteral("Load Error #9\nInform us about this problem, please.\n")),
                 qPrintable(shown[0].text));
        QVERIFY(shown[0].text.contains(QLatin1Char('@')));
    }

    void missingLanguageFileIsNamed()
    {
        QTemporaryDir folder;
        QList<Prompt::Message> shown;
        Prompt::ScopedAnswerer answers([&](const Prompt::Message& m) {
            shown.append(m);
            return QMessageBox::Ok;
        });
        QVERIFY(!startWizard(folder.path()));
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].text, QStringLiteral("File not found.\n\nFile: ") + folder.path() +
                                    QStringLiteral("/languages.sir"));
        QCOMPARE(shown[0].title, QStringLiteral("Korvalis"));
    }

    void flagSwitchRewritesCaptionsAndTheSavedLanguage()
    {
        QTemporaryDir folder;
        QVERIFY(prepareFolder(folder, QStringLiteral("1")));
        auto wizard = startWizard(folder.path());
        QVERIFY(wizard);
        const QString file = folder.filePath(QStringLiteral("languages.sir"));
        const LangTexts french = textsOf(file, 3);
        wizard->clickFlag(2);
        QCOMPARE(wizard->currentLanguage(), 3);
        QCOMPARE(wizard->findChild<isButton*>(QStringLiteral("Command12"))->Caption(),
                 QStringLiteral("  ") + french[36]);
        QCOMPARE(wizard->windowTitle(),
                 french[1] + QLatin1Char(' ') + french[2] + QLatin1Char(' ') + french[3]);
        QCOMPARE(wizard->findChild<QListWidget*>(QStringLiteral("MainMenu"))->item(0)->text(), french[8]);
        QCOMPARE(wizard->findChild<QLabel*>(QStringLiteral("FlagsArrow"))->x(),
                 wizard->findChild<QLabel*>(QStringLiteral("Flags(2)"))->x());
        {
            TableEngine engine;
            QCOMPARE(LanguageFile(engine, file).savedLanguage(), 3);
        }
        // Choosing the same language again still writes it.
        wizard->clickFlag(2);
        {
            TableEngine engine;
            QCOMPARE(LanguageFile(engine, file).savedLanguage(), 3);
        }
    }
};

QTEST_MAIN(TestStartLanguage)
#include "tst_startlanguage.moc"
