// Every page of the main window in Russian, French and Spanish: no English text left outside
// English. The page is read in English and in the language, place by place, as the dialogs are.
#include "BuiltLanguage.h"
#include "DialogAudit.h"
#include "LanguageFile.h"
#include "ProgramStart.h"
#include "Prompt.h"
#include "Wizard.h"

#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

const char* const PageNames[] = {"menu",     "source", "disc",   "destination",
                                 "progress", "burn",   "report", "history"};
// The task each page is seen in: the progress page with the engine's panel, the burn page with
// the burning control.
constexpr int PageModes[] = {ModeRecoverToFolder, ModeRecoverToFolder, ModeDiscToDisc,
                             ModeRecoverToFolder, ModeRecoverToFolder, ModeRecoverToDisc,
                             ModeRecoverToFolder, ModeHistory};

// The lists of the browsers and drive pickers hold the machine's files and drives: data, not
// texts of the program. Their captions, headers and buttons are read.
bool holdsData(const QListWidget* list)
{
    return list->objectName() == QLatin1String("FilesList");
}

} // namespace

class TestPageLanguages : public QObject
{
    Q_OBJECT

    QTemporaryDir m_program;
    QTemporaryDir m_config;
    std::unique_ptr<Wizard> m_window;

    // What the page shows in language: the window's texts, with the items of its menus.
    QMap<QString, QString> read(int page, int language)
    {
        m_window->clickFlag(language - 1);
        m_window->preparePageForPicture(page, PageModes[page]);
        QApplication::processEvents();
        QMap<QString, QString> texts = DialogAudit::shownTexts(m_window.get());
        for (QListWidget* list : m_window->findChildren<QListWidget*>())
            if (list->isVisibleTo(m_window.get()) && !holdsData(list))
                DialogAudit::addItems(texts, m_window.get(), list);
        return texts;
    }

private Q_SLOTS:
    void initTestCase()
    {
        // The remembered folders go to a settings file of this test only.
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
        QVERIFY(BuiltLanguage::copyInto(m_program.path()));
        // The start may say that burning needs access to the drives.
        Prompt::ScopedAnswerer answers([](const Prompt::Message&) { return QMessageBox::No; });
        m_window = startWizard(m_program.path());
        QVERIFY(m_window);
        m_window->show();
    }

    void cleanupTestCase() { m_window.reset(); }

    void pageSpeaksTheLanguage_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("language");
        for (int page = 0; page < PageCount; ++page)
            for (const auto& [name, language] : DialogAudit::OtherLanguages)
                QTest::addRow("%s, %s", PageNames[page], name) << page << language;
    }

    void pageSpeaksTheLanguage()
    {
        QFETCH(int, page);
        QFETCH(int, language);
        Prompt::ScopedAnswerer answers([](const Prompt::Message& m) {
            qWarning().noquote() << "asked:" << m.text;
            return QMessageBox::No;
        });
        const QMap<QString, QString> english = read(page, 1);
        QVERIFY(english.size() > 3);
        const QMap<QString, QString> shown = read(page, language);
        // KORVALIS_DIALOG_TEXTS=1 lists what was compared, to review a language by eye.
        if (qEnvironmentVariableIsSet("KORVALIS_DIALOG_TEXTS"))
            for (auto it = shown.cbegin(); it != shown.cend(); ++it)
                qInfo().noquote() << it.key() << "|" << english.value(it.key()) << "|" << it.value();
        // The flags are named in English in every language, by design of the language switch.
        QStringList left = DialogAudit::untranslated(
            english, shown, DialogAudit::allowedIn(language) + LanguageFile::languageNames());
        QVERIFY2(left.isEmpty(), qPrintable(left.join(QLatin1Char('\n'))));
        // The same places show a text in both: nothing went missing in the language.
        QStringList missing;
        for (auto it = english.cbegin(); it != english.cend(); ++it)
            if (!shown.contains(it.key()))
                missing << it.key() + QStringLiteral(" = \"") + it.value() + QLatin1Char('"');
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(TestPageLanguages)
#include "tst_pagelanguages.moc"
