#include "BuiltLanguage.h"
#include "DialogAudit.h"
#include "EngineMessages.h"
#include "EngineTexts.h"
#include "EraseMediaForm.h"
#include "FilesAndFoldersList.h"
#include "IfFileExist.h"
#include "ModalDriver.h"
#include "QtTranslations.h"
#include "ReportDetailsWindow.h"
#include "ScriptedRecorder.h"
#include "frmAbout.h"
#include "toAbortProcess.h"

#include <QDialog>
#include <QTest>
#include <QToolButton>

#include <array>
#include <functional>
#include <memory>
#include <utility>

namespace {

// Texts that stay as they are in every language: names, and words the languages share.
const QStringList ProperNames = {
    QStringLiteral("Korvalis Plus"), QStringLiteral("Korvalis"), QStringLiteral("libburn"),
    QStringLiteral("libisofs"),      QStringLiteral("SQLite"),   QStringLiteral("Qt"),
    QStringLiteral("CSV"),           QStringLiteral("ISO"),      QStringLiteral("OK")};
// A French or Spanish word spelt as its English one is no English text left over.
const QStringList SharedWords = {QStringLiteral("Options"),     QStringLiteral("Source"),
                                 QStringLiteral("Destination"), QStringLiteral("Date"),
                                 QStringLiteral("Type"),        QStringLiteral("Licence"),
                                 QStringLiteral("Pause"),       QStringLiteral("Version")};

const std::array<std::pair<const char*, int>, 3> Languages = {
    {{"Russian", 2}, {"French", 3}, {"Spanish", 4}}};

// The texts a shown window holds, and what of it is clipped.
QMap<QString, QString> audit(QWidget* window, QStringList& clippedTexts)
{
    window->show();
    QCoreApplication::processEvents();
    clippedTexts = DialogAudit::clipped(window);
    return DialogAudit::shownTexts(window);
}

// The texts of a modal dialog that open() opens; the dialog is closed once read.
QMap<QString, QString> auditModal(const std::function<void()>& open, QStringList& clippedTexts)
{
    QMap<QString, QString> texts;
    bool done = false;
    ModalDriver::onNextModal(
        [&](QWidget* modal) {
            clippedTexts = DialogAudit::clipped(modal);
            texts = DialogAudit::shownTexts(modal);
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            else
                modal->close();
        },
        &done);
    open();
    return texts;
}

} // namespace

// Every dialog, in every language: no English text left outside English, and nothing clipped.
class TestDialogLanguages : public QObject
{
    Q_OBJECT

    // Makes language the program's, as applying it does for these dialogs.
    BuiltLanguage::Texts use(int language)
    {
        QtTranslations::apply(language);
        BuiltLanguage::Texts texts = BuiltLanguage::load(language);
        for (int i = 1; i < texts.controls.engineTexts.size(); ++i)
            EngineTexts::setSlot(i, texts.controls.engineTexts[i]);
        return texts;
    }

    QMap<QString, QString> open(const QString& dialog, const BuiltLanguage::Texts& texts,
                                QStringList& clippedTexts)
    {
        if (dialog == QLatin1String("overwrite")) {
            IfFileExist box;
            box.setExFile(QStringLiteral("/media/disc/photos/2019/holiday.jpg"));
            return audit(&box, clippedTexts);
        }
        if (dialog == QLatin1String("abort")) {
            toAbortProcess box;
            return audit(&box, clippedTexts);
        }
        if (dialog == QLatin1String("retry")) {
            return auditModal([] { EngineMessages::mediumGone(); }, clippedTexts);
        }
        if (dialog == QLatin1String("erase")) {
            ScriptedRecorder recorder;
            EraseMediaForm form(recorder,
                                EraseMediaForm::Texts{texts.main[113], texts.main[191], texts.main[192]});
            return audit(&form, clippedTexts);
        }
        if (dialog == QLatin1String("details")) {
            TableEngine engine;
            ReportDetailsWindow window(engine, texts.main);
            auto shown = audit(&window, clippedTexts);
            engine.CloseAll();
            return shown;
        }
        if (dialog == QLatin1String("new folder")) {
            FilesAndFoldersList browser;
            for (int i = 1; i < texts.controls.browserTexts.size(); ++i)
                browser.setLangValue(i, texts.controls.browserTexts[i]);
            auto* button = browser.findChild<QToolButton*>(QStringLiteral("Buttons(3)"));
            if (!button)
                return {};
            return auditModal([button] { button->click(); }, clippedTexts);
        }
        if (dialog == QLatin1String("about")) {
            frmAbout about(texts.main);
            return audit(&about, clippedTexts);
        }
        return {};
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY2(QFile::exists(BuiltLanguage::file()), qPrintable(BuiltLanguage::file())); }
    void cleanupTestCase() { QtTranslations::apply(1); }

    void dialogSpeaksTheLanguage_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<int>("language");
        for (const char* dialog : {"overwrite", "abort", "retry", "erase", "details", "new folder", "about"})
            for (const auto& [name, language] : Languages)
                QTest::addRow("%s, %s", dialog, name) << QString::fromLatin1(dialog) << language;
    }

    void dialogSpeaksTheLanguage()
    {
        QFETCH(QString, dialog);
        QFETCH(int, language);
        QStringList ignored;
        const QMap<QString, QString> english = open(dialog, use(1), ignored);
        QVERIFY2(english.size() > 1, qPrintable(dialog));

        QStringList clippedTexts;
        const QMap<QString, QString> shown = open(dialog, use(language), clippedTexts);
        // KORVALIS_DIALOG_TEXTS=1 lists what was compared, to review a language by eye.
        if (qEnvironmentVariableIsSet("KORVALIS_DIALOG_TEXTS"))
            for (auto it = shown.cbegin(); it != shown.cend(); ++it)
                qInfo().noquote() << it.key() << "|" << english.value(it.key()) << "|" << it.value();
        QCOMPARE(shown.keys(), english.keys());
        QStringList allowed = ProperNames;
        if (language != 2)
            allowed += SharedWords;
        const QStringList left = DialogAudit::untranslated(english, shown, allowed);
        QVERIFY2(left.isEmpty(), qPrintable(left.join(QLatin1Char('\n'))));
        QVERIFY2(clippedTexts.isEmpty(), qPrintable(clippedTexts.join(QLatin1Char('\n'))));
    }

    void englishIsNotClipped_data()
    {
        QTest::addColumn<QString>("dialog");
        for (const char* dialog : {"overwrite", "abort", "retry", "erase", "details", "new folder", "about"})
            QTest::newRow(dialog) << QString::fromLatin1(dialog);
    }

    void englishIsNotClipped()
    {
        QFETCH(QString, dialog);
        QStringList clippedTexts;
        open(dialog, use(1), clippedTexts);
        QVERIFY2(clippedTexts.isEmpty(), qPrintable(clippedTexts.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(TestDialogLanguages)
#include "tst_dialoglanguages.moc"
