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
#include "ReportsFile.h"
#include "ScriptedRecorder.h"
#include "frmAbout.h"
#include "toAbortProcess.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <cerrno>
#include <functional>
#include <memory>
#include <utility>

namespace {

// Where the picture of the next dialog read is saved (KORVALIS_DIALOG_SHOTS=FOLDER); empty for
// none.
QString g_picture;

void keepPicture(QWidget* window)
{
    if (!g_picture.isEmpty() && !window->grab().save(g_picture))
        qWarning().noquote() << "cannot write" << g_picture;
    g_picture.clear();
}

// The texts a shown window holds, and what of it is clipped.
QMap<QString, QString> audit(QWidget* window, QStringList& clippedTexts)
{
    window->show();
    QCoreApplication::processEvents();
    keepPicture(window);
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
            keepPicture(modal);
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

    QTemporaryDir m_folder;

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
        if (dialog == QLatin1String("source file")) {
            return auditModal(
                [] { EngineMessages::missingSource(QStringLiteral("/media/disc/photos/holiday.jpg")); },
                clippedTexts);
        }
        if (dialog == QLatin1String("destination file")) {
            return auditModal(
                [] {
                    EngineMessages::errorMessage(Platform::onFile(
                        Platform::fileErrorFromErrno(ENOSPC), Platform::FileError::Side::Destination,
                        QStringLiteral("/home/me/Recovered/holiday.jpg")));
                },
                clippedTexts);
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
            window.setReportMtx(detailsOfARun(engine));
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

    // A detail table of a run with two damaged files and one left out, as the window reads one.
    QString detailsOfARun(TableEngine& engine)
    {
        using namespace ReportsFile;
        const QString table = TableReference::of(m_folder.filePath(QStringLiteral("reports.mtx")), 1, 1);
        const auto row = [&](int r, const QString& file, qint64 size, qint64 lost, const QString& ranges) {
            engine.SetCell(table, r, DetailSource, QString(QStringLiteral("/media/disc/photos/") + file));
            engine.SetCell(table, r, DetailDestination,
                           QString(QStringLiteral("/home/me/Recovered/photos/") + file));
            engine.SetCell(table, r, DetailSize, size);
            engine.SetCell(table, r, DetailCopied, size - lost);
            engine.SetCell(table, r, DetailLost, lost);
            engine.SetCell(table, r, DetailDate, QStringLiteral("2019-08-14 18:02"));
            engine.SetCell(table, r, DetailRanges, ranges);
        };
        row(1, QStringLiteral("holiday.jpg"), 4194304, 24576, QStringLiteral("1048577 - 1073152"));
        row(2, QStringLiteral("beach.mov"), 73400320, 2048, QStringLiteral("512001 - 514048"));
        return table;
    }

    // KORVALIS_DIALOG_SHOTS=FOLDER keeps a picture of every dialog read, for the documentation:
    // FOLDER/<dialog>-<language>.png.
    static QString pictureFile(const QString& dialog, int language)
    {
        const QString folder = qEnvironmentVariable("KORVALIS_DIALOG_SHOTS");
        if (folder.isEmpty())
            return {};
        const char* const names[] = {"english", "russian", "french", "spanish"};
        return QDir(folder).filePath(QString(dialog).replace(QLatin1Char(' '), QLatin1Char('-')) +
                                     QLatin1Char('-') + QLatin1String(names[language - 1]) +
                                     QStringLiteral(".png"));
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY2(QFile::exists(BuiltLanguage::file()), qPrintable(BuiltLanguage::file())); }
    void cleanupTestCase() { QtTranslations::apply(1); }

    void dialogSpeaksTheLanguage_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<int>("language");
        for (const char* dialog : {"overwrite", "abort", "retry", "source file", "destination file", "erase",
                                   "details", "new folder", "about"})
            for (const auto& [name, language] : DialogAudit::OtherLanguages)
                QTest::addRow("%s, %s", dialog, name) << QString::fromLatin1(dialog) << language;
    }

    void dialogSpeaksTheLanguage()
    {
        QFETCH(QString, dialog);
        QFETCH(int, language);
        QStringList ignored;
        if (language == 2)
            g_picture = pictureFile(dialog, 1);
        const QMap<QString, QString> english = open(dialog, use(1), ignored);
        QVERIFY2(english.size() > 1, qPrintable(dialog));

        QStringList clippedTexts;
        g_picture = pictureFile(dialog, language);
        const QMap<QString, QString> shown = open(dialog, use(language), clippedTexts);
        // KORVALIS_DIALOG_TEXTS=1 lists what was compared, to review a language by eye.
        if (qEnvironmentVariableIsSet("KORVALIS_DIALOG_TEXTS"))
            for (auto it = shown.cbegin(); it != shown.cend(); ++it)
                qInfo().noquote() << it.key() << "|" << english.value(it.key()) << "|" << it.value();
        QCOMPARE(shown.keys(), english.keys());
        const QStringList left = DialogAudit::untranslated(english, shown, DialogAudit::allowedIn(language));
        QVERIFY2(left.isEmpty(), qPrintable(left.join(QLatin1Char('\n'))));
        QVERIFY2(clippedTexts.isEmpty(), qPrintable(clippedTexts.join(QLatin1Char('\n'))));
    }

    // The saved details are for the user's spreadsheet: their header line speaks the language.
    void savedDetailsHaveHeadersInTheLanguage_data()
    {
        QTest::addColumn<int>("language");
        QTest::newRow("English") << 1;
        for (const auto& [name, language] : DialogAudit::OtherLanguages)
            QTest::newRow(name) << language;
    }

    void savedDetailsHaveHeadersInTheLanguage()
    {
        QFETCH(int, language);
        const BuiltLanguage::Texts texts = use(language);
        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("details.csv"));
        TableEngine engine;
        {
            ReportDetailsWindow window(engine, texts.main);
            QVERIFY(window.writeCsv(file));
        }
        engine.CloseAll();
        QFile saved(file);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QStringList expected;
        for (const int n : {273, 316, 274, 275, 276, 317, 277, 278, 257}) {
            QVERIFY2(!texts.main.text(n).isEmpty(), qPrintable(QString::number(n)));
            expected << texts.main.text(n);
        }
        QCOMPARE(QString::fromUtf8(saved.readLine()),
                 expected.join(QLatin1Char(',')) + QStringLiteral("\r\n"));
    }

    void englishIsNotClipped_data()
    {
        QTest::addColumn<QString>("dialog");
        for (const char* dialog : {"overwrite", "abort", "retry", "source file", "destination file", "erase",
                                   "details", "new folder", "about"})
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
