// The history hooks of the main window: the way to the history page and back, clearing it,
// the restart entry of the menu and what it refuses to run.
#include "FindChild.h"
#include "HistoryWriter.h"
#include "LanguageFile.h"
#include "Prompt.h"
#include "ReportsFile.h"
#include "TableEngine.h"
#include "Wizard.h"
#include "isButton.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

namespace {

LangTexts numberedTexts()
{
    LangTexts texts;
    for (int n = 1; n <= 150; ++n)
        texts[static_cast<size_t>(n)] = QStringLiteral("t%1").arg(n);
    return texts;
}

HistoryRun finishedRun(const QString& source)
{
    HistoryRun run;
    run.when = QDateTime::currentDateTime();
    run.source = source;
    run.destination = QStringLiteral("/d/");
    run.files = 1;
    return run;
}

} // namespace

class TestHistoryWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_folder;
    int m_n = 0;

    std::unique_ptr<Wizard> makeWizard()
    {
        auto wizard = std::make_unique<Wizard>(m_folder);
        wizard->applyTexts(numberedTexts(), LanguageTexts{});
        wizard->setTempPath(m_folder);
        wizard->show();
        return wizard;
    }

    void freshFolder()
    {
        m_folder = m_dir.path() + QStringLiteral("/w%1/").arg(++m_n);
        QDir().mkpath(m_folder);
    }
    QString reports() const { return ReportsFile::pathIn(m_folder); }

private Q_SLOTS:
    void historyButtonLeadsThereAndBack()
    {
        freshFolder();
        {
            TableEngine engine;
            HistoryWriter writer(engine, reports());
            writer.append(finishedRun(QStringLiteral("/a/")));
            writer.append(finishedRun(QStringLiteral("/b/")));
        }
        auto w = makeWizard();
        auto* button = child<isButton>(*w, QStringLiteral("HistoryCommand"));
        QCOMPARE(button->Caption(), QStringLiteral("t144"));
        QVERIFY(button->isVisibleTo(w->page(MenuPage)));
        QCOMPARE(child<QListWidget>(*w, QStringLiteral("MainMenu"))->count(), 3);
        w->clickMenuEntry(2);
        button->click();
        QCOMPARE(w->flow().CurrentPage, int(HistoryPage));
        QCOMPARE(child<isButton>(*w, QStringLiteral("Command11"))->isEnabled(), false);
        auto* list = child<QTreeWidget>(*w, QStringLiteral("ReportsHistoryList"));
        QCOMPARE(list->topLevelItemCount(), 2);
        QCOMPARE(list->topLevelItem(0)->text(2), QStringLiteral("/b/"));
        // The menu's choice is kept for the way back.
        w->clickBack();
        QCOMPARE(w->flow().CurrentPage, int(MenuPage));
        QCOMPARE(w->flow().WizardMode, int(ModeDiscToDisc));
    }

    void clearingTheHistoryGoesBackToTheMenu()
    {
        freshFolder();
        {
            TableEngine engine;
            HistoryWriter(engine, reports()).append(finishedRun(QStringLiteral("/a/")));
        }
        auto w = makeWizard();
        child<isButton>(*w, QStringLiteral("HistoryCommand"))->click();
        QCOMPARE(w->flow().CurrentPage, int(HistoryPage));
        QList<Prompt::Message> asked;
        Prompt::ScopedAnswerer yes([&](const Prompt::Message& m) {
            asked << m;
            return QMessageBox::Yes;
        });
        child<isButton>(*w, QStringLiteral("ClearHistory"))->click();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].text, QStringLiteral("t128"));
        QCOMPARE(w->flow().CurrentPage, int(MenuPage));
        QVERIFY(!QFile::exists(reports()));
        QCOMPARE(child<isButton>(*w, QStringLiteral("Command10"))->Caption(), QStringLiteral("  t37"));
        // Nothing left to show.
        child<isButton>(*w, QStringLiteral("HistoryCommand"))->click();
        QCOMPARE(w->flow().CurrentPage, int(MenuPage));
        QCOMPARE(asked.size(), 2);
        QCOMPARE(asked[1].text, QStringLiteral("t127"));
    }

    void restartEntryNeedsASavedPausedRun()
    {
        freshFolder();
        QDir().mkpath(m_folder + QStringLiteral("src"));
        {
            TableEngine engine;
            HistoryWriter writer(engine, reports());
            HistoryRun paused = finishedRun(m_folder + QStringLiteral("src/"));
            paused.resume = ResumeJob{m_folder + QStringLiteral("src/"),
                                      m_folder + QStringLiteral("gone/"),
                                      {{m_folder + QStringLiteral("src/f"), 10}}};
            writer.append(paused);
        }
        auto w = makeWizard();
        auto* menu = child<QListWidget>(*w, QStringLiteral("MainMenu"));
        QCOMPARE(menu->count(), 4);
        QCOMPARE(menu->item(0)->text(), QStringLiteral("t126"));
        QCOMPARE(w->flow().MenuIndexOffset, 1);

        // Its destination folder is gone: said, and nothing starts.
        QList<Prompt::Message> shown;
        Prompt::ScopedAnswerer answers([&](const Prompt::Message& m) {
            shown << m;
            return QMessageBox::Ok;
        });
        w->clickMenuEntry(1);
        w->clickNext();
        QCOMPARE(w->flow().CurrentPage, int(MenuPage));
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].text, QStringLiteral("t25"));

        // A row 0 that names a run without saved entries offers nothing.
        {
            TableEngine engine;
            engine.SetCell(TableReference::of(reports()), 0, ReportsFile::ResumeJobColumn, QVariant());
        }
        w->BuildMainMenu();
        QCOMPARE(menu->count(), 3);
        QCOMPARE(w->flow().MenuIndexOffset, 0);
    }

    void refreshRecoversTheDamagedFilesAgain()
    {
        freshFolder();
        const QString src = m_folder + QStringLiteral("src/");
        const QString dst = m_folder + QStringLiteral("dst/");
        QDir().mkpath(src);
        QDir().mkpath(dst);
        for (const QString& path :
             QStringList{src + QStringLiteral("f.bin"), dst + QStringLiteral("f.bin")}) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(path.startsWith(src) ? QByteArray(20000, 'a') : QByteArray(8192, 'b'));
        }
        {
            TableEngine engine;
            HistoryRun run = finishedRun(src);
            run.destination = dst;
            run.badFiles = 1;
            run.damaged = {{src + QStringLiteral("f.bin"), dst + QStringLiteral("f.bin"), 20000, 20000, 11808,
                            QString(), QStringLiteral(" 8193 - 20000,")}};
            HistoryWriter(engine, reports()).append(run);
        }
        auto w = makeWizard();
        child<isButton>(*w, QStringLiteral("HistoryCommand"))->click();
        QCOMPARE(w->flow().CurrentPage, int(HistoryPage));
        auto* list = child<QTreeWidget>(*w, QStringLiteral("ReportsHistoryList"));
        list->setCurrentItem(list->topLevelItem(0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->topLevelItem(0)).center());
        auto* refresh = child<isButton>(*w, QStringLiteral("RefreshRecovery"));
        QVERIFY(refresh->isEnabled());

        // Only the lost tail is read, into the copy as it is: the bytes it holds stay, it is
        // never rewritten from the start, and the window stays on the history.
        QStringList dialogs;
        QList<Prompt::Message> shown;
        Prompt::ScopedAnswerer answers(
            [&](const Prompt::Message& m) {
                shown << m;
                return m.buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
            },
            [&](QDialog& dialog) {
                dialogs << dialog.objectName();
                return dialog.exec();
            });
        refresh->click();
        QCOMPARE(w->flow().CurrentPage, int(HistoryPage));
        QCOMPARE(dialogs, QStringList{QStringLiteral("RefreshDialog")});
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0].icon, QMessageBox::Question);
        QCOMPARE(shown[1].icon, QMessageBox::Information);
        QFile kept(dst + QStringLiteral("f.bin"));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray(8192, 'b') + QByteArray(11808, 'a'));
        TableEngine engine;
        QCOMPARE(engine.GetRowCount(TableReference::of(reports())), 2);
        QCOMPARE(list->topLevelItemCount(), 2);
        w->clickBack();
        QCOMPARE(w->flow().CurrentPage, int(MenuPage));
    }

    void unsavableHistoryIsSaid()
    {
        freshFolder();
        const QString blocked = m_folder + QStringLiteral("not a folder");
        QFile f(blocked);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        TableEngine engine;
        QList<Prompt::Message> shown;
        Prompt::ScopedAnswerer answers([&](const Prompt::Message& m) {
            shown << m;
            return QMessageBox::Ok;
        });
        HistoryWriter writer(engine, blocked + QStringLiteral("/reports.sir"));
        QCOMPARE(writer.appendOrTell(finishedRun(QStringLiteral("/a/")), nullptr), 0);
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].icon, QMessageBox::Critical);
        QVERIFY(shown[0].text.startsWith(QStringLiteral("Unable to save recovery report!")));
    }
};

QTEST_MAIN(TestHistoryWindow)
#include "tst_historywindow.moc"
