// The history page and the details window as the user meets them: real widgets, real
// message boxes and dialogs, a real history file.
#include "HistoryList.h"
#include "HistoryPanel.h"
#include "HistoryWriter.h"
#include "ModalDriver.h"
#include "Prompt.h"
#include "RefreshHistory.h"
#include "ReportDetails.h"
#include "ReportDetailsWindow.h"
#include "ReportsFile.h"
#include "TableEngine.h"
#include "TextRegister.h"
#include "isButton.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

namespace {

TextRegister numberedTexts()
{
    TextRegister texts;
    for (int n = 1; n <= 150; ++n)
        texts.setText(n, QStringLiteral("t%1").arg(n));
    // The refresh's texts keep their places for numbers.
    for (int n = 173; n <= 189; ++n)
        texts.setText(n, QStringLiteral("t%1").arg(n));
    for (const int n : {173, 181, 182, 183, 184})
        texts.setText(n, QStringLiteral("t%1 %2").arg(n).arg(QStringLiteral("%1")));
    texts.setText(180, QStringLiteral("t180 %1 %2"));
    return texts;
}

HistoryRun run(const QString& source, int damaged)
{
    HistoryRun r;
    r.when = QDateTime(QDate(2026, 5, 1), QTime(9, 30));
    r.source = source;
    r.destination = QStringLiteral("/dest/");
    r.files = 3;
    r.badFiles = damaged;
    for (int i = 1; i <= damaged; ++i)
        r.damaged.append({source + QStringLiteral("f%1").arg(i), QStringLiteral("/dest/f%1").arg(i), 1000 * i,
                          900 * i, 100 * i, QStringLiteral("2026-04-01"),
                          QStringLiteral(" %1 - %2,").arg(i).arg(i + 99)});
    return r;
}

} // namespace

class TestHistoryPage : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_folder;
    TextRegister m_texts = numberedTexts();
    int m_n = 0;

    QString freshFolder()
    {
        m_folder = m_dir.path() + QStringLiteral("/p%1/").arg(++m_n);
        QDir().mkpath(m_folder);
        return m_folder;
    }
    QString reports() const { return ReportsFile::pathIn(m_folder); }

    static isButton* button(HistoryPanel& page, const char* name)
    {
        return page.findChild<isButton*>(QLatin1String(name));
    }

    // A page with three runs: no damage (row 1), two damaged files (row 2), one (row 3).
    std::unique_ptr<HistoryPanel> pageWithRuns(TableEngine& engine)
    {
        HistoryWriter writer(engine, reports());
        writer.append(run(QStringLiteral("/one/"), 0));
        writer.append(run(QStringLiteral("/two/"), 2));
        writer.append(run(QStringLiteral("/three/"), 1));
        auto page = std::make_unique<HistoryPanel>(engine, m_texts, m_folder);
        page->resize(600, 380);
        page->applyTexts();
        page->show();
        return page;
    }

    static void select(HistoryPanel& page, int index)
    {
        QTreeWidgetItem* item = page.list()->topLevelItem(index);
        page.list()->setCurrentItem(item);
        const QRect rect = page.list()->visualItemRect(item);
        QTest::mouseClick(page.list()->viewport(), Qt::LeftButton, {}, rect.center());
    }

private Q_SLOTS:
    void columnsAndCaptions()
    {
        freshFolder();
        TableEngine engine;
        HistoryPanel page(engine, m_texts, m_folder);
        page.applyTexts();
        QTreeWidget* list = page.list();
        QCOMPARE(list->objectName(), QStringLiteral("ReportsHistoryList"));
        QCOMPARE(list->columnCount(), 11); // the status is the last column, shown after Time
        QCOMPARE(list->headerItem()->text(0), QStringLiteral("Date"));
        QCOMPARE(list->headerItem()->text(7), QStringLiteral("Lost Bytes"));
        QCOMPARE(list->headerItem()->text(9), QStringLiteral("Q"));
        QVERIFY(list->isColumnHidden(8));
        QVERIFY(list->isColumnHidden(9));
        QVERIFY(!list->isColumnHidden(2));
        QCOMPARE(list->columnWidth(0), 1000 / 15);
        QCOMPARE(button(page, "RecovryDetailsView")->Caption(), QStringLiteral("t141"));
        QCOMPARE(button(page, "RefreshRecovery")->Caption(), QStringLiteral("t142"));
        QCOMPARE(button(page, "ClearHistory")->Caption(), QStringLiteral("t143"));
    }

    void loadShowsRowsLastFirstWithTheirColours()
    {
        freshFolder();
        TableEngine engine;
        auto page = pageWithRuns(engine);
        QVERIFY(page->LoadHistory());
        QTreeWidget* list = page->list();
        QCOMPARE(list->topLevelItemCount(), 3);
        QCOMPARE(list->topLevelItem(0)->text(2), QStringLiteral("/three/"));
        QCOMPARE(list->topLevelItem(2)->text(2), QStringLiteral("/one/"));
        QCOMPARE(list->topLevelItem(0)->foreground(0).color(), QColor(0, 150, 0));
        QCOMPARE(list->topLevelItem(2)->foreground(0).color(), QColor(0, 0, 0));
        QCOMPARE(list->topLevelItem(1)->text(8), QStringLiteral("2"));
        QCOMPARE(list->topLevelItem(1)->text(9), QStringLiteral("2"));
        QVERIFY(!button(*page, "RecovryDetailsView")->isEnabled());
        QVERIFY(!button(*page, "RefreshRecovery")->isEnabled());
    }

    void clickAndKeysSetTheButtons()
    {
        freshFolder();
        TableEngine engine;
        auto page = pageWithRuns(engine);
        QVERIFY(page->LoadHistory());
        isButton* details = button(*page, "RecovryDetailsView");
        isButton* refresh = button(*page, "RefreshRecovery");

        select(*page, 0);
        QVERIFY(details->isEnabled());
        QVERIFY(refresh->isEnabled());
        select(*page, 2); // the run without damaged files
        QVERIFY(!details->isEnabled());
        QVERIFY(!refresh->isEnabled());

        // Keyboard: up from the last row reaches a run with details.
        page->list()->setFocus();
        QTest::keyClick(page->list(), Qt::Key_Up);
        QCOMPARE(page->list()->indexOfTopLevelItem(page->list()->currentItem()), 1);
        QVERIFY(details->isEnabled());
        QVERIFY(refresh->isEnabled());
        QTest::keyClick(page->list(), Qt::Key_Down);
        QVERIFY(!details->isEnabled());

        // No selection: nothing to act on.
        page->list()->clearSelection();
        page->listClicked();
        QVERIFY(!details->isEnabled());
        page->detailsClicked(); // does nothing, opens nothing
    }

    void missingOrUnreadableHistoryTellsAndStays_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("create");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("icon");
        QTest::newRow("missing") << QByteArray() << false << "t127" << int(QMessageBox::Information);
        QTest::newRow("empty") << QByteArray() << true << "t127" << int(QMessageBox::Information);
        QTest::newRow("foreign") << QByteArray("PK\x03\x04 zip") << true << "Unable to load Recovery History!"
                                 << int(QMessageBox::Critical);
    }
    void missingOrUnreadableHistoryTellsAndStays()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, create);
        QFETCH(QString, text);
        QFETCH(int, icon);
        freshFolder();
        if (create) {
            QFile f(reports());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        TableEngine engine;
        HistoryPanel page(engine, m_texts, m_folder);
        QList<Prompt::Message> shown;
        Prompt::ScopedAnswerer answers([&](const Prompt::Message& m) {
            shown.append(m);
            return QMessageBox::Ok;
        });
        QVERIFY(!page.LoadHistory());
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].text, text);
        QCOMPARE(int(shown[0].icon), icon);
        QCOMPARE(shown[0].title, QStringLiteral("Korvalis"));
    }

    void clearWithNoKeepsTheFileAndYesDeletesIt()
    {
        freshFolder();
        TableEngine engine;
        auto page = pageWithRuns(engine);
        QVERIFY(page->LoadHistory());
        const QByteArray before = [&] {
            QFile f(reports());
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }();
        QSignalSpy cleared(page.get(), &HistoryPanel::historyCleared);

        bool acted = false;
        ModalDriver::onNextModal(
            [](QWidget* modal) {
                auto* box = qobject_cast<QMessageBox*>(modal);
                QVERIFY(box);
                QCOMPARE(box->text(), QStringLiteral("t128"));
                QCOMPARE(box->icon(), QMessageBox::Question);
                ModalDriver::clickButton(modal, QStringLiteral("No"));
            },
            &acted);
        button(*page, "ClearHistory")->click();
        QVERIFY(acted);
        QCOMPARE(cleared.size(), 0);
        QFile f(reports());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
        f.close();

        acted = false;
        ModalDriver::onNextModal(
            [](QWidget* modal) { ModalDriver::clickButton(modal, QStringLiteral("Yes")); }, &acted);
        button(*page, "ClearHistory")->click();
        QVERIFY(acted);
        QCOMPARE(cleared.size(), 1);
        QVERIFY(!QFile::exists(reports()));
        QCOMPARE(page->list()->topLevelItemCount(), 0);

        // With no file, Yes reports nothing and the page stays.
        Prompt::ScopedAnswerer yes([](const Prompt::Message&) { return QMessageBox::Yes; });
        QVERIFY(!page->ClearHistoryFile());
        // And a history written afterwards starts anew.
        HistoryWriter(engine, reports()).append(run(QStringLiteral("/new/"), 0));
        QVERIFY(page->LoadHistory());
        QCOMPARE(page->list()->topLevelItemCount(), 1);
    }

    void detailsWindowShowsTheDamagedFiles()
    {
        freshFolder();
        TableEngine engine;
        auto page = pageWithRuns(engine);
        QVERIFY(page->LoadHistory());
        select(*page, 1); // two damaged files

        bool acted = false;
        QStringList seen;
        ModalDriver::onNextModal(
            [&](QWidget* modal) {
                auto* window = qobject_cast<ReportDetailsWindow*>(modal);
                QVERIFY(window);
                QCOMPARE(window->ReportMtx(), QLatin1Char('"') + reports() + QStringLiteral("\"/[2,9]"));
                auto* list = window->findChild<QTreeWidget*>(QStringLiteral("DetailsList"));
                for (int i = 0; i < list->topLevelItemCount(); ++i)
                    seen.append(list->topLevelItem(i)->text(0) + QLatin1Char('|') +
                                list->topLevelItem(i)->text(4));
                ModalDriver::clickButton(modal, QStringLiteral("CloseDetails"));
            },
            &acted);
        button(*page, "RecovryDetailsView")->click();
        QVERIFY(acted);
        QCOMPARE(seen,
                 QStringList({QStringLiteral("/two/f1| 1 - 100,"), QStringLiteral("/two/f2| 2 - 101,")}));
    }

    void corruptedDetailsAreReported()
    {
        freshFolder();
        TableEngine engine;
        auto page = pageWithRuns(engine);
        QVERIFY(page->LoadHistory());
        // The detail table of row 2 loses a size after the list was read.
        engine.SetCell(TableReference::of(reports(), 2, 9), 1, ReportsFile::DetailSize, QStringLiteral("?"));
        select(*page, 1);
        bool acted = false;
        ModalDriver::onNextModal(
            [&](QWidget* modal) {
                auto* box = qobject_cast<QMessageBox*>(modal);
                QVERIFY(box);
                QCOMPARE(box->text(),
                         QStringLiteral("File '") + reports() + QStringLiteral("' is corrupted."));
                QCOMPARE(box->icon(), QMessageBox::Critical);
                ModalDriver::clickButton(modal, QStringLiteral("OK"));
            },
            &acted);
        button(*page, "RecovryDetailsView")->click();
        QVERIFY(acted);
    }

    void detailsSortCopyAndSave()
    {
        freshFolder();
        TableEngine engine;
        HistoryRun r = run(QStringLiteral("/s/"), 0);
        r.damaged = {{QStringLiteral("/s/b"), QStringLiteral("/d/b"), 900, 10, 5, QStringLiteral("x"),
                      QStringLiteral(" 1 - 5,")},
                     {QStringLiteral("/s/a"), QStringLiteral("/d/a"), 10000, 20, 7, QStringLiteral("y"),
                      QStringLiteral(" 3 - 9,")},
                     {QStringLiteral("/s/c, \"q\""), QStringLiteral("/d/c"), 95, 0, 95, QStringLiteral("z"),
                      QStringLiteral(" 1 - 95,")}};
        r.badFiles = 3;
        HistoryWriter(engine, reports()).append(r);
        ReportDetailsWindow window(engine, m_texts);
        window.setReportMtx(TableReference::of(reports(), 1, 9));
        QVERIFY(window.loaded());
        auto* list = window.findChild<QTreeWidget*>(QStringLiteral("DetailsList"));
        QCOMPARE(list->topLevelItemCount(), 3);
        QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("/s/a"));

        // Sizes sort as numbers: 95 < 900 < 10000, not as texts.
        list->sortByColumn(1, Qt::AscendingOrder);
        QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("/s/c, \"q\""));
        QCOMPARE(list->topLevelItem(2)->text(0), QStringLiteral("/s/a"));

        window.copyToClipboard();
        const QStringList lines =
            QApplication::clipboard()->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines[1].startsWith(QStringLiteral("/s/c, \"q\"\t")));

        // Saving goes through the real file dialog.
        const QString csv = m_folder + QStringLiteral("details.csv");
        bool acted = false;
        ModalDriver::onNextModal(
            [&](QWidget* modal) {
                auto* dialog = qobject_cast<QFileDialog*>(modal);
                QVERIFY(dialog);
                dialog->selectFile(csv);
                static_cast<QDialog*>(dialog)->accept();
            },
            &acted);
        QVERIFY(window.saveAsCsv());
        QVERIFY(acted);
        QFile f(csv);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray saved = f.readAll();
        QVERIFY(
            saved.startsWith("File,Destination,Size,Copied,Lost,Modified,Ranges,Left out,Result\r\n\"/s/c, "
                             "\"\"q\"\"\",/d/c,95,0,95,z,\"1 - 95,\",,partial\r\n"));

        // A file that cannot be written says so.
        QList<Prompt::Message> shown;
        Prompt::ScopedAnswerer answers([&](const Prompt::Message& m) {
            shown.append(m);
            return QMessageBox::Ok;
        });
        QVERIFY(!window.writeCsv(m_folder + QStringLiteral("no such folder/x.csv")));
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].icon, QMessageBox::Critical);
    }

    // A copy counts as changed when it was modified after its run ended: the exact end stored with
    // the run, or for rows written without it, the end of the minute the row shows.
    void runEndedFromTheRowOrItsDateAndTime()
    {
        freshFolder();
        TableEngine engine;
        HistoryRun r = run(QStringLiteral("/one/"), 1);
        r.when = QDateTime(QDate(2026, 5, 1), QTime(9, 30, 12, 345));
        HistoryWriter(engine, reports()).append(r);
        QList<HistoryList::Item> items = HistoryList::load(engine, reports()).items;
        QCOMPARE(items.size(), 1);
        QCOMPARE(RefreshHistory::runEnded(engine, reports(), items[0]), r.when);

        engine.SetCell(TableReference::of(reports()), 1, ReportsFile::RunEndedColumn, QVariant());
        QCOMPARE(RefreshHistory::runEnded(engine, reports(), items[0]),
                 QDateTime(QDate(2026, 5, 1), QTime(9, 30, 59, 999)));
        items[0].texts[0] = QStringLiteral("not a date");
        QVERIFY(!RefreshHistory::runEnded(engine, reports(), items[0]).isValid());
    }

    // Refresh asks first, saying how many damaged files it reads again; No changes nothing.
    void refreshAsksFirst()
    {
        freshFolder();
        TableEngine engine;
        auto page = pageWithRuns(engine);
        QVERIFY(page->LoadHistory());
        QList<Prompt::Message> shown;
        Prompt::ScopedAnswerer answers(
            [&](const Prompt::Message& m) {
                shown.append(m);
                return QMessageBox::No;
            },
            [](QDialog&) {
                QTest::qFail("no reading without a Yes", __FILE__, __LINE__);
                return 0;
            });
        select(*page, 1);
        button(*page, "RefreshRecovery")->click();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].icon, QMessageBox::Question);
        QCOMPARE(shown[0].text, QStringLiteral("t173 2"));
        QCOMPARE(shown[0].defaultButton, QMessageBox::No);
        QVERIFY(page->LoadHistory());
        QCOMPARE(page->list()->topLevelItemCount(), 3);
    }

    // A refresh adds a run of its own, listed first: every file of the run with what is lost now,
    // the copies it left alone with the reason, and a message with the result. The sources here are
    // plain files that read whole.
    void refreshAddsARunWithTheNewLosses()
    {
        freshFolder();
        const QString src = m_folder + QStringLiteral("src/");
        const QString dest = m_folder + QStringLiteral("dest/");
        QDir().mkpath(src);
        QDir().mkpath(dest);
        const QByteArray data(10000, 'k');
        const auto write = [](const QString& path, const QByteArray& bytes) {
            QFile f(path);
            return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
        };
        QByteArray holed = data;
        holed.replace(2000, 1000, QByteArray(1000, '\0'));
        HistoryRun earlier;
        earlier.source = src;
        earlier.destination = dest;
        earlier.files = 4;
        earlier.badFiles = 4;
        earlier.lostBytes = 4000;
        for (const QString& name : {QStringLiteral("whole"), QStringLiteral("unread"),
                                    QStringLiteral("missing"), QStringLiteral("changed")}) {
            if (name != QLatin1String("unread"))
                QVERIFY(write(src + name, data));
            if (name != QLatin1String("missing"))
                QVERIFY(write(dest + name, holed));
            earlier.damaged.append({src + name, dest + name, 10000, 10000, 1000, QStringLiteral("d"),
                                    QStringLiteral(" 2001 - 3000,")});
        }
        earlier.when = QDateTime::currentDateTime();
        QVERIFY(write(dest + QStringLiteral("changed"), holed + "x"));
        TableEngine engine;
        HistoryWriter(engine, reports()).append(earlier);
        HistoryPanel page(engine, m_texts, m_folder);
        page.applyTexts();
        page.resize(600, 380);
        page.show();
        QVERIFY(page.LoadHistory());

        QList<Prompt::Message> shown;
        bool ran = false;
        Prompt::ScopedAnswerer answers(
            [&](const Prompt::Message& m) {
                shown.append(m);
                return QMessageBox::Yes;
            },
            [&](QDialog& dialog) {
                ran = true;
                return dialog.exec();
            });
        select(page, 0);
        button(page, "RefreshRecovery")->click();
        QVERIFY(ran);
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0].text, QStringLiteral("t173 4"));
        QCOMPARE(shown[1].icon, QMessageBox::Information);
        QCOMPARE(shown[1].text, QStringLiteral("t180 1000 b 1000 b\nt181 1\nt182 1\nt183 1\nt184 1"));
        QCOMPARE(QFile(dest + QStringLiteral("whole")).size(), 10000);
        QFile whole(dest + QStringLiteral("whole"));
        QVERIFY(whole.open(QIODevice::ReadOnly));
        QCOMPARE(whole.readAll(), data);
        QVERIFY(!QFile::exists(dest + QStringLiteral("missing")));

        // The new run is listed first and selected: one file still damaged, so it can be refreshed.
        QTreeWidget* list = page.list();
        QCOMPARE(list->topLevelItemCount(), 2);
        QCOMPARE(list->topLevelItem(0), list->currentItem());
        QCOMPARE(list->topLevelItem(0)->text(2), src);
        QCOMPARE(list->topLevelItem(0)->text(4), QStringLiteral("1"));
        QCOMPARE(list->topLevelItem(0)->text(6), QStringLiteral("1"));
        QCOMPARE(list->topLevelItem(0)->text(9), QStringLiteral("1"));
        QVERIFY(button(page, "RefreshRecovery")->isEnabled());
        const auto rows =
            ReportDetails::read(engine, HistoryList::detailsReference(m_folder, page.items()[0]));
        QVERIFY(rows);
        QCOMPARE(rows->size(), 4);
        QCOMPARE(rows->at(0).source, src + QStringLiteral("whole"));
        QCOMPARE(rows->at(0).lostBytes, 0);
        QCOMPARE(rows->at(0).ranges, QString());
        QCOMPARE(rows->at(1).source, src + QStringLiteral("unread"));
        QCOMPARE(rows->at(1).lostBytes, 1000);
        QCOMPARE(rows->at(1).ranges, QStringLiteral(" 2001 - 3000,"));
        QCOMPARE(rows->at(2).leftOut, QStringLiteral("t187"));
        QCOMPARE(rows->at(3).leftOut, QStringLiteral("t188"));
    }
};

QTEST_MAIN(TestHistoryPage)
#include "tst_historypage.moc"
