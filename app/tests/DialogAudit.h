#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMap>
#include <QRegularExpression>
#include <QStringList>
#include <QTreeWidget>
#include <QWidget>

// Reads what a window shows a user, to compare one language with English and to find texts that
// do not fit. For dialogs here; the pages can use the same once they are classes of their own.
namespace DialogAudit {

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
        if (auto* label = qobject_cast<QLabel*>(w); label && label->textFormat() != Qt::RichText)
            add(label, QStringLiteral("text"), label->text());
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            add(button, QStringLiteral("text"), button->text());
        else if (auto* frame = qobject_cast<QGroupBox*>(w))
            add(frame, QStringLiteral("title"), frame->title());
        else if (auto* tree = qobject_cast<QTreeWidget*>(w); tree && tree->headerItem())
            for (int c = 0; c < tree->columnCount(); ++c)
                if (!tree->isColumnHidden(c))
                    add(tree, QStringLiteral("header%1").arg(c), tree->headerItem()->text(c));
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
