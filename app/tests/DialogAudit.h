#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QRegularExpression>
#include <QStringList>
#include <QTabBar>
#include <QTreeWidget>
#include <QWidget>

#include <array>
#include <utility>

// Reads what a window shows a user, to compare one language with English and to find texts that
// do not fit: for the dialogs and for the pages of the main window.
namespace DialogAudit {

// Texts that stay as they are in every language: names, and words the languages share.
inline const QStringList ProperNames = {
    QStringLiteral("Korvalis Plus"), QStringLiteral("Korvalis"), QStringLiteral("libburn"),
    QStringLiteral("libisofs"),      QStringLiteral("SQLite"),   QStringLiteral("Qt"),
    QStringLiteral("CSV"),           QStringLiteral("ISO"),      QStringLiteral("OK")};
// A French or Spanish word spelt as its English one is no English text left over.
inline const QStringList SharedWords = {QStringLiteral("Options"),     QStringLiteral("Source"),
                                        QStringLiteral("Destination"), QStringLiteral("Date"),
                                        QStringLiteral("Type"),        QStringLiteral("Licence"),
                                        QStringLiteral("Pause"),       QStringLiteral("Version")};

// The languages other than English, with their numbers in the language file.
inline constexpr std::array<std::pair<const char*, int>, 3> OtherLanguages = {
    {{"Russian", 2}, {"French", 3}, {"Spanish", 4}}};

// What may read the same as English in language: the proper names, and in French and Spanish the
// shared words.
inline QStringList allowedIn(int language)
{
    return language == 2 ? ProperNames : ProperNames + SharedWords;
}

// Where a text sits: the object names from the window down, and what it is.
inline QString place(const QWidget* window, const QObject* object, const QString& what)
{
    QStringList names;
    for (const QObject* o = object; o && o != window; o = o->parent()) {
        QString name = o->objectName();
        if (name.isEmpty()) {
            // Unnamed siblings are told apart by their order among the parent's children.
            const QObject* parent = o->parent();
            const qsizetype index = parent ? parent->children().indexOf(const_cast<QObject*>(o)) : 0;
            name = QStringLiteral("%1#%2").arg(QLatin1String(o->metaObject()->className())).arg(index);
        }
        names.prepend(name);
    }
    return names.join(QLatin1Char('/')) + QLatin1Char(':') + what;
}

// Every text the visible widgets of window show: the title, captions of labels, buttons and
// frames, and the headers of lists. Mnemonic marks are dropped.
inline QMap<QString, QString> shownTexts(QWidget* window)
{
    QMap<QString, QString> texts;
    texts.insert(QStringLiteral("window:title"), window->windowTitle());
    const auto add = [&](const QObject* o, const QString& what, QString text) {
        text.remove(QLatin1Char('&'));
        if (!text.trimmed().isEmpty())
            texts.insert(place(window, o, what), text);
    };
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window))
            continue;
        add(w, QStringLiteral("toolTip"), w->toolTip());
        if (auto* label = qobject_cast<QLabel*>(w); label && label->textFormat() != Qt::RichText)
            add(label, QStringLiteral("text"), label->text());
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            add(button, QStringLiteral("text"), button->text());
        else if (auto* frame = qobject_cast<QGroupBox*>(w))
            add(frame, QStringLiteral("title"), frame->title());
        else if (auto* combo = qobject_cast<QComboBox*>(w))
            add(combo, QStringLiteral("current"), combo->currentText());
        else if (auto* edit = qobject_cast<QLineEdit*>(w))
            add(edit, QStringLiteral("placeholder"), edit->placeholderText());
        else if (auto* tabs = qobject_cast<QTabBar*>(w)) {
            for (int i = 0; i < tabs->count(); ++i)
                add(tabs, QStringLiteral("tab%1").arg(i), tabs->tabText(i));
        } else if (auto* tree = qobject_cast<QTreeWidget*>(w); tree && tree->headerItem()) {
            for (int c = 0; c < tree->columnCount(); ++c)
                if (!tree->isColumnHidden(c))
                    add(tree, QStringLiteral("header%1").arg(c), tree->headerItem()->text(c));
        } else if (auto* view = qobject_cast<QAbstractItemView*>(w); view && view->model()) {
            // Headers of the other lists and tables.
            const auto* header = view->findChild<QHeaderView*>();
            for (int c = 0; header && !header->isHidden() && c < view->model()->columnCount(); ++c)
                add(view, QStringLiteral("header%1").arg(c),
                    view->model()->headerData(c, Qt::Horizontal).toString());
        }
    }
    return texts;
}

// True for a text that reads the same in every language: a proper name of the allowed list,
// or a text without letters (numbers, paths of the test, punctuation).
inline bool sameInEveryLanguage(const QString& text, const QStringList& properNames)
{
    static const QRegularExpression letters(QStringLiteral("\\p{L}{2,}"));
    if (!text.contains(letters) || text.startsWith(QLatin1Char('/')))
        return true;
    QString rest = text;
    for (const QString& name : properNames)
        rest.remove(name);
    return !rest.contains(letters);
}

// The items of a list whose items are texts of the program (a menu, say), not data.
inline void addItems(QMap<QString, QString>& texts, const QWidget* window, const QListWidget* list)
{
    for (int i = 0; i < list->count(); ++i)
        if (!list->item(i)->isHidden() && !list->item(i)->text().trimmed().isEmpty())
            texts.insert(place(window, list, QStringLiteral("item%1").arg(i)), list->item(i)->text());
}

// The places where shown holds the English text of the same place, other than proper names.
inline QStringList untranslated(const QMap<QString, QString>& english, const QMap<QString, QString>& shown,
                                const QStringList& properNames)
{
    QStringList found;
    for (auto it = shown.cbegin(); it != shown.cend(); ++it)
        if (english.value(it.key()) == it.value() && !sameInEveryLanguage(it.value(), properNames))
            found << it.key() + QStringLiteral(" = \"") + it.value() + QLatin1Char('"');
    return found;
}

// The one-line labels and buttons of window whose text is wider than the room they have.
inline QStringList clipped(QWidget* window)
{
    QStringList found;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window))
            continue;
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (label->wordWrap() || label->text().isEmpty() || label->textFormat() == Qt::RichText ||
                !label->pixmap().isNull())
                continue;
            const QStringList lines = label->text().split(QLatin1Char('\n'));
            for (const QString& line : lines)
                if (label->fontMetrics().horizontalAdvance(line) > label->contentsRect().width())
                    found << place(window, label, QStringLiteral("text")) + QStringLiteral(" \"") + line +
                                 QLatin1Char('"');
        } else if (auto* header = qobject_cast<QHeaderView*>(w); header && header->model()) {
            // A column narrower than its header (the last one stretches to the edge).
            for (int c = 0; c + 1 < header->count(); ++c)
                if (!header->isSectionHidden(c) && header->sectionSize(c) < header->sectionSizeHint(c))
                    found << place(window, header, QStringLiteral("section%1").arg(c)) +
                                 QStringLiteral(" \"") +
                                 header->model()->headerData(c, header->orientation()).toString() +
                                 QLatin1Char('"');
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            QString text = button->text();
            text.remove(QLatin1Char('&'));
            const int iconRoom = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
            if (!text.isEmpty() &&
                button->fontMetrics().horizontalAdvance(text) + iconRoom + 6 > button->width())
                found << place(window, button, QStringLiteral("text")) + QStringLiteral(" \"") + text +
                             QLatin1Char('"');
        }
    }
    return found;
}

} // namespace DialogAudit
