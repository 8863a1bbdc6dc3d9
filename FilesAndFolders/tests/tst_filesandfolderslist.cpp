#include "FileNames.h"
#include "FilesAndFoldersList.h"
#include "ModalDriver.h"
#include "Prompt.h"
#include "TreeBuilder.h"

#include <QDialogButtonBox>
#include <QFrame>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <stdexcept>

namespace {

struct Browser
{
    FilesAndFoldersList widget;
    QListWidget* list = nullptr;
    QLineEdit* pathLine = nullptr;
    QFrame* panel = nullptr;

    Browser()
    {
        list = widget.findChild<QListWidget*>(QStringLiteral("FilesList"));
        pathLine = widget.findChild<QLineEdit*>(QStringLiteral("PathCaption"));
        panel = widget.findChild<QFrame*>(QStringLiteral("Error_Mes"));
        widget.setLangValue(1, QStringLiteral("Folder"));
        widget.setLangValue(9, QStringLiteral("Collecting"));
        widget.resize(360, 300);
        widget.show();
    }

    QToolButton* button(int n) const
    {
        return widget.findChild<QToolButton*>(QStringLiteral("Buttons(%1)").arg(n));
    }

    QStringList names() const
    {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out.append(list->item(i)->text());
        return out;
    }

    QListWidgetItem* item(const QString& name) const
    {
        const auto found = list->findItems(name, Qt::MatchExactly);
        return found.isEmpty() ? nullptr : found.first();
    }

    void select(const QStringList& names) const
    {
        list->clearSelection();
        for (const QString& n : names)
            item(n)->setSelected(true);
    }
};

} // namespace

class TestFilesAndFoldersList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listsFoldersFirstWithTypeImages()
    {
        QTemporaryDir dir;
        makeTree(dir.path(),
                 {QStringLiteral("b.TXT"), QStringLiteral("a.txt"), QStringLiteral("noext"),
                  QStringLiteral(".hidden.txt"), QStringLiteral("sub/"), QStringLiteral(".conf/")});
        Browser b;
        b.widget.setCurrentPath(dir.path()); // no closing "/": one is added
        const QString cur = dir.path() + QLatin1Char('/');
        QCOMPARE(b.widget.CurrentPath(), cur);
        QCOMPARE(b.names(),
                 (QStringList{QStringLiteral(".conf"), QStringLiteral("sub"), QStringLiteral("a.txt"),
                              QStringLiteral("b.TXT"), QStringLiteral("noext")}));
        QCOMPARE(b.pathLine->text(), QStringLiteral("Folder: ") + cur);
        QCOMPARE(b.item(QStringLiteral("sub"))->data(FilesAndFoldersList::ImageRole).toInt(), 1);
        QCOMPARE(b.item(QStringLiteral("a.txt"))->data(FilesAndFoldersList::ImageRole).toInt(), 2);
        QCOMPARE(b.item(QStringLiteral("b.TXT"))->data(FilesAndFoldersList::ImageRole).toInt(), 2);
        QCOMPARE(b.item(QStringLiteral("noext"))->data(FilesAndFoldersList::ImageRole).toInt(), 3);
        QCOMPARE(b.widget.imageList().size(), 3);
        QVERIFY(!b.panel->isVisible());
        QVERIFY(b.button(2)->isEnabled());

        b.widget.setShowHidden(true);
        b.widget.ShowFilesList();
        QVERIFY(b.names().contains(QStringLiteral(".hidden.txt")));
        QCOMPARE(b.widget.imageList().size(), 3); // same type key, same image
    }

    // Names that are not UTF-8 are shown with their odd bytes escaped and exported as their own
    // bytes; the switch shows and collects hidden files, and the list turns with it at once.
    void rawNamesAndTheHiddenSwitch()
    {
        QTemporaryDir dir;
        const QByteArray root = QFile::encodeName(dir.path());
        for (const QByteArray& name : {QByteArray("photo\xff.jpg"), QByteArray("photo\xef\xbf\xbd.jpg"),
                                       QByteArray(".hidden.txt"), QByteArray("README")})
            QVERIFY(LinuxTree::writeRaw(QByteArray(root + '/' + name), name));
        Browser b;
        b.widget.setAllowMultySelect(true);
        b.widget.setLangValue(FilesAndFoldersList::ShowHiddenText, QStringLiteral("Show hidden files"));
        b.widget.setCurrentPath(dir.path() + QLatin1Char('/'));
        QCOMPARE(b.names(), (QStringList{QStringLiteral("photo\\xFF.jpg"), QStringLiteral("photo\ufffd.jpg"),
                                         QStringLiteral("README")}));
        auto* hidden = b.widget.findChild<QToolButton*>(QStringLiteral("ShowHiddenFiles"));
        QVERIFY(hidden && hidden->isCheckable() && !hidden->isChecked());
        QCOMPARE(hidden->text(), QStringLiteral("Show hidden files"));
        QCOMPARE(hidden->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_H));
        hidden->click();
        QVERIFY(b.widget.ShowHidden());
        QCOMPARE(b.names().size(), 4);
        QCOMPARE(b.names().first(), QStringLiteral(".hidden.txt"));

        b.list->selectAll();
        QVERIFY(b.widget.CreateListOfSelected());
        QList<QByteArray> exported;
        for (int i = 1; i <= b.widget.Items_Count(); ++i)
            exported.append(Platform::FileNames::toBytes(b.widget.SelectedItemName(i)));
        QCOMPARE(exported, (QList<QByteArray>{
                               QByteArray(root + "/.hidden.txt"), QByteArray(root + "/photo\xff.jpg"),
                               QByteArray(root + "/photo\xef\xbf\xbd.jpg"), QByteArray(root + "/README")}));
        QVERIFY(b.widget.LeftOut().isEmpty());

        // Programmatic changes move the switch without listing again.
        b.widget.setShowHidden(false);
        QVERIFY(!hidden->isChecked());
        QCOMPARE(b.names().size(), 4);
        hidden->click();
        hidden->click();
        QCOMPARE(b.names().size(), 3);
    }

    void unreadableFolderShowsThePanel()
    {
        Browser b;
        b.widget.setCurrentPath(QStringLiteral("/no/such/place/"));
        QVERIFY(b.panel->isVisible());
        QCOMPARE(b.widget.findChild<QLabel*>(QStringLiteral("Err_Mes_Cap"))->text(),
                 QStringLiteral("Disk is Unavailable"));
        QVERIFY(b.list->count() == 0);
        QVERIFY(b.button(2)->isEnabled()); // the way up stays open
    }

    void navigatesByMouseKeysAndButtons()
    {
        QTemporaryDir dir;
        makeTree(dir.path(), {QStringLiteral("one/two/file.dat"), QStringLiteral("x.dat")});
        const QString cur = dir.path() + QLatin1Char('/');
        Browser b;
        b.widget.setCurrentPath(cur);
        QVERIFY(!b.button(1)->isEnabled());

        QListWidgetItem* one = b.item(QStringLiteral("one"));
        const QPoint at = b.list->visualItemRect(one).center();
        QTest::mouseClick(b.list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(b.list->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(b.widget.CurrentPath(), cur + QStringLiteral("one/"));
        QVERIFY(b.button(1)->isEnabled());

        b.list->setCurrentItem(b.item(QStringLiteral("two")));
        QTest::keyClick(b.list, Qt::Key_Return);
        QCOMPARE(b.widget.CurrentPath(), cur + QStringLiteral("one/two/"));
        // Enter on a file does nothing.
        b.list->setCurrentItem(b.item(QStringLiteral("file.dat")));
        QTest::keyClick(b.list, Qt::Key_Return);
        QCOMPARE(b.widget.CurrentPath(), cur + QStringLiteral("one/two/"));

        QTest::keyClick(b.list, Qt::Key_Backspace);
        QCOMPARE(b.widget.CurrentPath(), cur + QStringLiteral("one/"));
        QTest::mouseClick(b.button(2), Qt::LeftButton);
        QCOMPARE(b.widget.CurrentPath(), cur);

        QTest::mouseClick(b.button(1), Qt::LeftButton);
        QCOMPARE(b.widget.CurrentPath(), cur + QStringLiteral("one/"));
        QTest::mouseClick(b.button(1), Qt::LeftButton);
        QCOMPARE(b.widget.CurrentPath(), cur + QStringLiteral("one/two/"));
    }

    void backHistoryAfterElevenMoves()
    {
        QTemporaryDir dir;
        QString deep = dir.path();
        for (int i = 0; i < 11; ++i)
            deep += QStringLiteral("/d%1").arg(i);
        QVERIFY(QDir().mkpath(deep));
        Browser b;
        QString path = dir.path() + QLatin1Char('/');
        b.widget.setCurrentPath(path);
        QStringList visited{path};
        for (int i = 0; i < 11; ++i) {
            b.list->setCurrentItem(b.item(QStringLiteral("d%1").arg(i)));
            QTest::keyClick(b.list, Qt::Key_Enter);
            path += QStringLiteral("d%1/").arg(i);
            QCOMPARE(b.widget.CurrentPath(), path);
            visited.append(path);
        }
        for (int i = 0; i < 10; ++i) {
            QVERIFY(b.button(1)->isEnabled());
            QTest::mouseClick(b.button(1), Qt::LeftButton);
            QCOMPARE(b.widget.CurrentPath(), visited[visited.size() - 2 - i]);
        }
        QVERIFY(!b.button(1)->isEnabled()); // the first folder was dropped from the history
        QCOMPARE(b.widget.CurrentPath(), visited[1]);
    }

    void rootIsItsOwnParent()
    {
        Browser b;
        b.widget.setCurrentPath(QStringLiteral("/"));
        QVERIFY(!b.button(2)->isEnabled());
        QTest::keyClick(b.list, Qt::Key_Backspace);
        QCOMPARE(b.widget.CurrentPath(), QStringLiteral("/"));
    }

    void newFolderThroughTheRealInputBox()
    {
        QTemporaryDir dir;
        makeTree(dir.path(), {QStringLiteral("exists/"), QStringLiteral("file.txt")});
        Browser b;
        b.widget.setLangValue(2, QStringLiteral("Name of the new folder"));
        b.widget.setLangValue(3, QStringLiteral("New folder"));
        b.widget.setLangValue(4, QStringLiteral("Cannot create the folder"));
        b.widget.setCurrentPath(dir.path() + QLatin1Char('/'));
        QCOMPARE(b.button(3)->toolTip(), QStringLiteral("New folder"));

        bool acted = false;
        QString title;
        ModalDriver::onNextModal(
            [&](QWidget* modal) {
                title = modal->windowTitle();
                modal->findChild<QLineEdit*>()->setText(QStringLiteral("fresh"));
                ModalDriver::clickButton(modal, QStringLiteral("OK"));
            },
            &acted);
        QTest::mouseClick(b.button(3), Qt::LeftButton);
        QVERIFY(acted);
        QCOMPARE(title, QStringLiteral("New folder"));
        QVERIFY(QFileInfo(dir.path() + QStringLiteral("/fresh")).isDir());
        QCOMPARE(b.list->currentItem()->text(), QStringLiteral("fresh"));
        QVERIFY(b.list->currentItem()->isSelected());
    }

    void newFolderAnswers_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("error");
        QTest::addColumn<QString>("selected");
        QTest::newRow("existing folder counts as made")
            << QStringLiteral("exists") << false << QStringLiteral("exists");
        QTest::newRow("a file of that name") << QStringLiteral("file.txt") << true << QString();
        QTest::newRow("a path, not a name") << QStringLiteral("a/b") << true << QString();
        QTest::newRow("empty does nothing") << QString() << false << QString();
    }

    void newFolderAnswers()
    {
        QFETCH(QString, name);
        QFETCH(bool, error);
        QFETCH(QString, selected);
        QTemporaryDir dir;
        makeTree(dir.path(), {QStringLiteral("exists/"), QStringLiteral("file.txt")});
        Browser b;
        b.widget.setLangValue(4, QStringLiteral("Cannot create the folder"));
        b.widget.setCurrentPath(dir.path());
        QStringList messages;
        const Prompt::ScopedAnswerer answerer(
            [&](const Prompt::Message& m) {
                if (m.icon == QMessageBox::Critical)
                    messages.append(m.text);
                return QMessageBox::Ok;
            },
            [&](QDialog& d) {
                static_cast<QInputDialog&>(d).setTextValue(name);
                return static_cast<int>(QDialog::Accepted);
            });
        QTest::mouseClick(b.button(3), Qt::LeftButton);
        QCOMPARE(messages, error ? QStringList{QStringLiteral("Cannot create the folder")} : QStringList{});
        if (!selected.isEmpty())
            QCOMPARE(b.list->currentItem()->text(), selected);
        QCOMPARE(b.widget.CurrentPath(), dir.path() + QLatin1Char('/'));
    }

    void exportsTheSelection()
    {
        QTemporaryDir dir;
        makeTree(
            dir.path(),
            {QStringLiteral("folder/a.dat"), QStringLiteral("folder/s/b.dat"), QStringLiteral("loose.dat")},
            1000);
        const QString cur = dir.path() + QLatin1Char('/');
        Browser b;
        b.widget.setAllowMultySelect(true);
        QCOMPARE(b.list->selectionMode(), QAbstractItemView::ExtendedSelection);
        b.widget.setCurrentPath(cur);
        QVERIFY(!b.widget.CreateListOfSelected());
        QCOMPARE(b.widget.Items_Count(), 0);

        b.select({QStringLiteral("folder"), QStringLiteral("loose.dat")});
        QVERIFY(b.widget.CreateListOfSelected());
        QCOMPARE(b.widget.Items_Count(), 5);
        QCOMPARE(b.widget.Items_TotalSize(), 3000.0);
        const QString tab = QStringLiteral("\t");
        const QStringList expected{tab + cur + QStringLiteral("folder"), cur + QStringLiteral("folder/a.dat"),
                                   tab + cur + QStringLiteral("folder/s/"),
                                   cur + QStringLiteral("folder/s/b.dat"), cur + QStringLiteral("loose.dat")};
        for (int i = 1; i <= 5; ++i)
            QCOMPARE(b.widget.SelectedItemName(i), expected[i - 1]);
        QCOMPARE(b.pathLine->text(), QStringLiteral("Folder: ") + cur); // restored
        QVERIFY(!b.widget.isBuilding() && b.list->isEnabled());

        // The whole folder; the path line keeps the last file collected.
        QVERIFY(b.widget.CreateFilesList());
        QCOMPARE(b.widget.Items_Count(), 5);
        QCOMPARE(b.pathLine->text(), QStringLiteral("Collecting: ") + cur + QStringLiteral("folder/s/b.dat"));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, b.widget.SelectedItemName(0));

        // Appending below a folder keeps what is there.
        QVERIFY(b.widget.GetFileNames(cur, QStringLiteral("folder/s")));
        QCOMPARE(b.widget.Items_Count(), 6);
        QCOMPARE(b.widget.SelectedItemName(6), cur + QStringLiteral("folder/s/b.dat"));
        QVERIFY(!b.widget.GetFileNames(cur, QStringLiteral("missing")));

        b.widget.setEntryLimit(2);
        b.select({QStringLiteral("folder")});
        QVERIFY_THROWS_EXCEPTION(std::length_error, b.widget.CreateListOfSelected());
        QCOMPARE(b.widget.Items_Count(), 2);
        QVERIFY(!b.widget.isBuilding() && b.list->isEnabled());
    }

    void windowServesEventsDuringALongWalk()
    {
        QTemporaryDir dir;
        QStringList many;
        for (int i = 0; i < 4000; ++i)
            many.append(QStringLiteral("d%1/f%2.dat").arg(i % 40).arg(i));
        makeTree(dir.path(), many, 1);
        Browser b;
        b.widget.setCurrentPath(dir.path());
        const QString start = b.widget.CurrentPath();
        bool sawBuilding = false;
        bool secondBuildRefused = false;
        QTimer::singleShot(0, &b.widget, [&] {
            sawBuilding = b.widget.isBuilding() && !b.list->isEnabled();
            try {
                b.widget.CreateFilesList();
            } catch (const std::logic_error&) {
                secondBuildRefused = true;
            }
            QTest::keyClick(b.list, Qt::Key_Backspace); // ignored while the list is built
        });
        QVERIFY(b.widget.CreateFilesList());
        QVERIFY(sawBuilding);
        QVERIFY(secondBuildRefused);
        QCOMPARE(b.widget.Items_Count(), 4040);
        QCOMPARE(b.widget.CurrentPath(), start);
    }

    void textsAndSwitches()
    {
        Browser b;
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, b.widget.setLangValue(0, QStringLiteral("x")));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, b.widget.setLangValue(101, QStringLiteral("x")));
        b.widget.setLangValue(100, QStringLiteral("last"));
        b.widget.setLangValue(7, QStringLiteral("Back"));
        b.widget.setLangValue(8, QStringLiteral("Up"));
        QCOMPARE(b.button(1)->toolTip(), QStringLiteral("Back"));
        QCOMPARE(b.button(2)->toolTip(), QStringLiteral("Up"));
        b.widget.setLangValue(1, QStringLiteral("Path"));
        QVERIFY(b.pathLine->text().startsWith(QStringLiteral("Path: ")));

        b.widget.setAllowCreateFolders(false);
        QTRY_VERIFY(!b.button(3)->isVisible());
        QVERIFY(!b.widget.AllowCreateFolders());
        b.widget.setAllowCreateFolders(true);
        QTRY_VERIFY(b.button(3)->isVisible());
        b.widget.setFontCharSet(238);
        QCOMPARE(b.widget.FontCharSet(), 238);
        QCOMPARE(b.widget.property("Items_Count").toInt(), 0);
    }

    void hiddenCommandButtonBuildsTheWholeFolder()
    {
        QTemporaryDir dir;
        makeTree(dir.path(), {QStringLiteral("a.dat"), QStringLiteral("b/c.dat")});
        Browser b;
        b.widget.setCurrentPath(dir.path());
        b.widget.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        QCOMPARE(b.widget.Items_Count(), 3);
    }

    void layoutFollowsTheSize()
    {
        Browser b;
        b.widget.setCurrentPath(QStringLiteral("/no/such/"));
        b.widget.resize(500, 400);
        QTest::qWait(0);
        QCOMPARE(b.list->geometry().top(), 30);
        QCOMPARE(b.pathLine->geometry().bottom(), 399);
        QCOMPARE(b.list->geometry().bottom() + 1, b.pathLine->geometry().top());
        QCOMPARE(b.panel->geometry(), b.list->geometry().adjusted(2, 2, -2, -2));
        saveScreenshot();
    }

private:
    static void saveScreenshot()
    {
        const QByteArray shots = qgetenv("KORVALIS_SCREENSHOTS");
        if (shots.isEmpty())
            return;
        QTemporaryDir dir;
        makeTree(dir.path(),
                 {QStringLiteral("Photos 2024/"), QStringLiteral("Documents/"), QStringLiteral("notes.txt"),
                  QStringLiteral("report.pdf"), QStringLiteral("holiday.jpg"), QStringLiteral("song.mp3"),
                  QStringLiteral("archive.tar.gz")});
        Browser b;
        b.widget.setLangValue(1, QStringLiteral("Current folder"));
        b.widget.setAllowMultySelect(true);
        b.widget.setCurrentPath(dir.path());
        b.select({QStringLiteral("Documents"), QStringLiteral("report.pdf")});
        b.widget.resize(420, 300);
        QTest::qWait(50);
        QVERIFY(
            b.widget.grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/files-and-folders.png")));
    }
};

QTEST_MAIN(TestFilesAndFoldersList)
#include "tst_filesandfolderslist.moc"
