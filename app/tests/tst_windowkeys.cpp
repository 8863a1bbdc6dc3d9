// The main window as a keyboard and screen-reader user meets it: the keys reach only the page in
// view, a whole recovery is done with the keys alone, every control in view has a name, and every
// caption fits the room the layout gives it in every language and size.
#include "BuiltLanguage.h"
#include "ElidedLabel.h"
#include "FilesAndFoldersList.h"
#include "FindChild.h"
#include "MediumFiles.h"
#include "ProgramStart.h"
#include "Prompt.h"
#include "Wizard.h"
#include "isButton.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSettings>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

namespace {

using MediumFiles::pattern;
using MediumFiles::writeFile;

// The task each page is seen in.
constexpr int PageModes[] = {ModeRecoverToFolder, ModeRecoverToFolder, ModeDiscToDisc,
                             ModeRecoverToFolder, ModeRecoverToFolder, ModeRecoverToDisc,
                             ModeRecoverToFolder, ModeHistory};

} // namespace

class TestWindowKeys : public QObject
{
    Q_OBJECT

    QTemporaryDir m_program;
    QTemporaryDir m_config;
    QStringList m_messages;

    std::unique_ptr<Wizard> start()
    {
        auto w = startWizard(m_program.path());
        if (!w)
            qFatal("the window did not start");
        w->show();
        w->activateWindow();
        if (!QTest::qWaitForWindowActive(w.get()))
            qFatal("the window did not become active");
        m_messages.clear(); // the start may say that burning needs access to the drives
        return w;
    }

    static QWidget* focused() { return QApplication::focusWidget(); }

    // Presses Tab until `target` has the focus; false when it never gets it.
    static bool tabTo(QWidget* target)
    {
        for (int i = 0; i < 80 && focused() != target; ++i)
            QTest::keyClick(focused(), Qt::Key_Tab);
        return focused() == target;
    }

    // Inside the engine's progress panel or the burning control.
    static bool ownPanel(const QWidget* c)
    {
        for (const QWidget* p = c; p; p = p->parentWidget()) {
            if (p->objectName() == QLatin1String("RecoveryProcess1") ||
                p->objectName() == QLatin1String("K3Cindral1"))
                return true;
        }
        return false;
    }

    static QWidget* bar(Wizard& w) { return child<QWidget>(&w, QStringLiteral("Frame4")); }

private Q_SLOTS:
    void initTestCase()
    {
        // The remembered folders go to a settings file of this test only.
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
        QVERIFY(BuiltLanguage::copyInto(m_program.path()));
    }

    void tabFromTheMenuReachesOnlyTheMenuAndTheBar()
    {
        Prompt::ScopedAnswerer answers([this](const Prompt::Message& m) {
            m_messages << m.text;
            return QMessageBox::No;
        });
        auto w = start();
        auto* menu = child<QListWidget>(w.get(), QStringLiteral("MainMenu"));
        QCOMPARE(focused(), menu);
        QSet<QWidget*> reached;
        for (int i = 0; i < 40; ++i) {
            QTest::keyClick(focused(), Qt::Key_Tab);
            QWidget* f = focused();
            QVERIFY(f);
            QVERIFY2(f->isVisible(), qPrintable(f->objectName()));
            QVERIFY2(w->page(MenuPage)->isAncestorOf(f) || bar(*w)->isAncestorOf(f),
                     qPrintable(f->objectName()));
            reached << f;
        }
        for (const char* name :
             {"MainMenu", "HistoryCommand", "DesignC", "Command11", "Command12", "Flags(0)", "Flags(3)"})
            QVERIFY2(reached.contains(child<QWidget>(w.get(), QLatin1String(name))), name);
        // Back is off on the menu, so Tab passes it by.
        QVERIFY(!reached.contains(child<QWidget>(w.get(), QStringLiteral("Command10"))));

        // Space on each of them acts only on what is shown: the flags switch the language, the
        // credit line opens the about box, nothing of another page starts.
        QVERIFY(tabTo(child<QWidget>(w.get(), QStringLiteral("Flags(2)"))));
        QTest::keyClick(focused(), Qt::Key_Space);
        QCOMPARE(w->currentLanguage(), 3);
        QTest::keyClick(focused(), Qt::Key_Left); // arrows are no Tab: nothing moves
        QCOMPARE(w->flow().CurrentPage, int(MenuPage));
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(QLatin1Char('|'))));

        // Escape on the menu asks before the window goes; No keeps it.
        QTest::keyClick(menu, Qt::Key_Escape);
        QCOMPARE(m_messages.size(), 1);
        QVERIFY(!w->isUnloaded());
    }

    void theArrowsChooseTheTaskAndEnterGoesOn()
    {
        auto w = start();
        auto* menu = child<QListWidget>(w.get(), QStringLiteral("MainMenu"));
        QCOMPARE(focused(), menu);
        QTest::keyClick(menu, Qt::Key_End);
        QCOMPARE(w->flow().WizardMode, int(ModeRecoverToDisc));
        QTest::keyClick(menu, Qt::Key_Up);
        QCOMPARE(w->flow().WizardMode, int(ModeDiscToDisc));
        QTest::keyClick(menu, Qt::Key_Return);
        QTRY_COMPARE(w->flow().CurrentPage, int(DiscPage));
        // The page in view has the focus, and no page out of view is shown.
        QVERIFY(w->page(DiscPage)->isAncestorOf(focused()));
        for (int i = 0; i < PageCount; ++i)
            QCOMPARE(w->page(i)->isVisible(), i == DiscPage);
        // Escape is Back.
        QTest::keyClick(focused(), Qt::Key_Escape);
        QTRY_COMPARE(w->flow().CurrentPage, int(MenuPage));
        QCOMPARE(focused(), menu);
    }

    void aWholeRecoveryWithTheKeyboard()
    {
        QTemporaryDir source, target;
        const QByteArray a = pattern(300000, 1);
        const QByteArray c = pattern(70000, 2);
        QVERIFY(writeFile(source.filePath(QStringLiteral("a.bin")), a));
        QVERIFY(writeFile(source.filePath(QStringLiteral("docs/c.txt")), c));
        {
            // The folders of the last run: the pages open there.
            QSettings settings(QStringLiteral("korvalis"), QStringLiteral("korvalis"));
            settings.setValue(QStringLiteral("folders/lastSource"),
                              QString(source.path() + QLatin1Char('/')));
            settings.setValue(QStringLiteral("folders/lastDestination"),
                              QString(target.path() + QLatin1Char('/')));
        }
        Prompt::ScopedAnswerer answers([this](const Prompt::Message& m) {
            m_messages << m.text;
            return QMessageBox::Ok;
        });
        auto w = start();
        auto* menu = child<QListWidget>(w.get(), QStringLiteral("MainMenu"));
        QTest::keyClick(menu, Qt::Key_Home);
        QCOMPARE(w->flow().WizardMode, int(ModeRecoverToFolder));
        QTest::keyClick(menu, Qt::Key_Return);
        QTRY_COMPARE(w->flow().CurrentPage, int(SourcePage));

        // Everything of the source folder: Ctrl+A in its list, then Next.
        QWidget* sourcePage = w->page(SourcePage);
        auto* files = child<QListWidget>(child<QWidget>(sourcePage, QStringLiteral("FilesAndFoldersList1")),
                                         QStringLiteral("FilesList"));
        QTRY_COMPARE(files->count(), 2);
        QVERIFY(tabTo(files));
        QTest::keyClick(files, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(files->selectedItems().size(), 2);
        auto* next = child<QWidget>(w.get(), QStringLiteral("Command11"));
        QVERIFY(tabTo(next));
        QTest::keyClick(next, Qt::Key_Space);
        QTRY_COMPARE(w->flow().CurrentPage, int(DestinationPage));

        // The destination page opens on the last folder and says where the files go.
        QVERIFY(w->page(DestinationPage)->isAncestorOf(focused()));
        auto* copiedTo = child<ElidedLabel>(w.get(), QStringLiteral("CopiedTo"));
        QTRY_VERIFY2(copiedTo->fullText().endsWith(target.path() + QLatin1Char('/')),
                     qPrintable(copiedTo->fullText()));
        QVERIFY(tabTo(next));
        QTest::keyClick(next, Qt::Key_Space);
        QTRY_COMPARE(w->flow().CurrentPage, int(ReportPage));

        QFile copyA(target.filePath(QStringLiteral("a.bin")));
        QVERIFY(copyA.open(QIODevice::ReadOnly));
        QCOMPARE(copyA.readAll(), a);
        QFile copyC(target.filePath(QStringLiteral("docs/c.txt")));
        QVERIFY(copyC.open(QIODevice::ReadOnly));
        QCOMPARE(copyC.readAll(), c);
        // Files and folders counted apart; where they went, with the button that opens it.
        QVERIFY(child<QLineEdit>(w.get(), QStringLiteral("ConfermReportValue(0)"))->text().startsWith(u'2'));
        QCOMPARE(child<QLineEdit>(w.get(), QStringLiteral("ConfermReportValue(12)"))->text(),
                 QStringLiteral("1"));
        QCOMPARE(child<ElidedLabel>(w.get(), QStringLiteral("ReportDestination"))->fullText(),
                 target.path() + QLatin1Char('/'));
        QVERIFY(child<QWidget>(w.get(), QStringLiteral("OpenFolder"))->isEnabled());
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(QLatin1Char('|'))));

        // Escape goes back to the menu.
        QTest::keyClick(focused(), Qt::Key_Escape);
        QTRY_COMPARE(w->flow().CurrentPage, int(MenuPage));
    }

    void aHighlightedFolderIsTheDestination()
    {
        QTemporaryDir target;
        QVERIFY(QDir(target.path()).mkpath(QStringLiteral("chosen")));
        auto w = start();
        w->preparePageForPicture(DestinationPage, ModeRecoverToFolder);
        auto* browser =
            child<FilesAndFoldersList>(w->page(DestinationPage), QStringLiteral("FilesAndFoldersList2"));
        browser->setCurrentPath(target.path() + QLatin1Char('/'));
        auto* list = child<QListWidget>(browser, QStringLiteral("FilesList"));
        QTRY_COMPARE(list->count(), 1);
        auto* copiedTo = child<ElidedLabel>(w.get(), QStringLiteral("CopiedTo"));
        QVERIFY(copiedTo->fullText().endsWith(target.path() + QLatin1Char('/')));
        list->item(0)->setSelected(true);
        QVERIFY2(copiedTo->fullText().endsWith(target.path() + QStringLiteral("/chosen/")),
                 qPrintable(copiedTo->fullText()));
        QCOMPARE(copiedTo->toolTip(), copiedTo->fullText());
    }

    void onlyThePageInViewIsVisibleAndEveryControlHasAName()
    {
        auto w = start();
        for (int page = 0; page < PageCount; ++page) {
            w->preparePageForPicture(page, PageModes[page]);
            QTest::qWait(0);
            for (int i = 0; i < PageCount; ++i) {
                QAccessibleInterface* p = QAccessible::queryAccessibleInterface(w->page(i));
                QVERIFY(p);
                QCOMPARE(p->state().invisible, i != page);
            }
            // Every control a user can reach on the page and in the bar says what it is.
            QStringList unnamed;
            std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
                for (int i = 0; i < node->childCount(); ++i) {
                    QAccessibleInterface* c = node->child(i);
                    if (!c || c->state().invisible)
                        continue;
                    if (c->state().focusable && !c->state().disabled &&
                        c->text(QAccessible::Name).trimmed().isEmpty())
                        unnamed << (c->object()
                                        ? c->object()->objectName() + QLatin1Char('/') +
                                              QLatin1String(c->object()->metaObject()->className()) +
                                              QLatin1Char('/') + c->object()->property("text").toString() +
                                              QLatin1Char('/') + c->object()->property("toolTip").toString()
                                        : QStringLiteral("?"));
                    walk(c);
                }
            };
            walk(QAccessible::queryAccessibleInterface(w.get()));
            QVERIFY2(unnamed.isEmpty(),
                     qPrintable(QStringLiteral("page %1: ").arg(page) + unnamed.join(u',')));
        }
    }

    void everyCaptionFitsInEveryLanguageAndSize_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<double>("fontScale");
        QTest::newRow("smallest") << QSize() << 1.0;
        QTest::newRow("large") << QSize(1280, 860) << 1.0;
        QTest::newRow("smallest, font 1.25x") << QSize() << 1.25;
    }

    void everyCaptionFitsInEveryLanguageAndSize()
    {
        QFETCH(QSize, size);
        QFETCH(double, fontScale);
        const QFont before = QApplication::font();
        QFont font = before;
        font.setPointSizeF(before.pointSizeF() * fontScale);
        QApplication::setFont(font);
        auto w = start();
        QStringList clipped;
        for (int language = 1; language <= 4; ++language) {
            w->clickFlag(language - 1);
            for (int page = 0; page < PageCount; ++page) {
                w->preparePageForPicture(page, PageModes[page]);
                w->resize(size.isValid() ? size : w->minimumSize());
                QTest::qWait(0);
                QApplication::processEvents();
                const auto check = [&](QWidget* c, const QString& text, int room) {
                    if (!c->isVisible() || text.isEmpty())
                        return;
                    const int needed = c->fontMetrics().horizontalAdvance(text);
                    if (needed > room)
                        clipped << QStringLiteral("%1/%2/%3: \"%4\" %5>%6")
                                       .arg(language)
                                       .arg(page)
                                       .arg(c->objectName(), text)
                                       .arg(needed)
                                       .arg(room);
                };
                for (QLabel* l : w->findChildren<QLabel*>()) {
                    if (l->wordWrap() || qobject_cast<ElidedLabel*>(l) || l->text().contains(u'<'))
                        continue;
                    check(l, l->text(), l->contentsRect().width());
                }
                for (QAbstractButton* b : w->findChildren<QAbstractButton*>()) {
                    if (!qobject_cast<isButton*>(b))
                        continue;
                    // The button's own margins and frame are part of what it needs.
                    const int frame = b->sizeHint().width() - b->fontMetrics().horizontalAdvance(b->text());
                    check(b, b->text(), b->width() - frame);
                }
                for (QTabBar* t : w->findChildren<QTabBar*>()) {
                    for (int i = 0; i < t->count(); ++i)
                        check(t, t->tabText(i), t->tabRect(i).width() - 8);
                }
                // Nothing of a page is pushed out of the window (the progress page's overall bar
                // is in view), and the engine's panel and the burning control get the height
                // they need.
                for (QWidget* c : w->page(page)->findChildren<QWidget*>()) {
                    if (!c->isVisibleTo(w->page(page)) || c->isWindow())
                        continue;
                    const QRect inWindow(c->mapTo(w.get(), QPoint(0, 0)), c->size());
                    const int needed =
                        c->minimumHeight() > 0 ? c->minimumHeight() : c->minimumSizeHint().height();
                    if (!w->rect().contains(inWindow) || (ownPanel(c) && c->height() < needed))
                        clipped << QStringLiteral("%1/%2/%3: out of view or squeezed %4x%5")
                                       .arg(language)
                                       .arg(page)
                                       .arg(c->objectName())
                                       .arg(c->width())
                                       .arg(c->height());
                }
            }
        }
        w.reset();
        QApplication::setFont(before);
        clipped.removeDuplicates();
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(TestWindowKeys)
#include "tst_windowkeys.moc"
