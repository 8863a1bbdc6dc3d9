#include "LanguageSource.h"

#include <QFile>
#include <QStringList>

namespace {

struct Range
{
    int first;
    int last;
};

Range rangeOf(LanguageSource::Section section)
{
    switch (section) {
    case LanguageSource::Section::Main:
        return {1, 269};
    case LanguageSource::Section::Engine:
        return {1, 59};
    case LanguageSource::Section::Browser:
        return {1, 100};
    case LanguageSource::Section::Burner:
        return {0, 99};
    }
    return {0, -1};
}

[[noreturn]] void fail(const QString& file, int line, const QString& what)
{
    throw LanguageSourceError(QStringLiteral("%1:%2: %3").arg(file).arg(line).arg(what));
}

// "\n" becomes a line break and "\\" a backslash; a value wrapped in double quotes keeps its
// leading and trailing blanks.
QString unescape(QString value, const QString& file, int line)
{
    if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
        value = value.mid(1, value.size() - 2);
    QString result;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\')) {
            result += c;
            continue;
        }
        const QChar next = i + 1 < value.size() ? value.at(i + 1) : QChar();
        if (next == QLatin1Char('n'))
            result += QLatin1Char('\n');
        else if (next == QLatin1Char('\\'))
            result += QLatin1Char('\\');
        else
            fail(file, line, QStringLiteral("unknown escape \\%1 (use \\n or \\\\)").arg(next));
        ++i;
    }
    return result;
}

int wholeNumber(const QString& text, const QString& file, int line, const QString& what)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok)
        fail(file, line, QStringLiteral("%1 must be a whole number, not \"%2\"").arg(what, text));
    return value;
}

} // namespace

const std::map<int, QString>& LanguageSource::texts(Section section) const
{
    return const_cast<LanguageSource*>(this)->texts(section);
}

std::map<int, QString>& LanguageSource::texts(Section section)
{
    switch (section) {
    case Section::Main:
        return main;
    case Section::Engine:
        return engine;
    case Section::Browser:
        return browser;
    case Section::Burner:
        return burner;
    }
    return main;
}

LanguageSource LanguageSource::read(const QString& path)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        throw LanguageSourceError(QStringLiteral("%1: cannot be read: %2").arg(path, in.errorString()));
    const QByteArray bytes = in.readAll();
    QString text = QString::fromUtf8(bytes);
    if (text.toUtf8() != bytes)
        throw LanguageSourceError(QStringLiteral("%1: is not UTF-8 text").arg(path));
    return parse(text, path);
}

LanguageSource LanguageSource::parse(const QString& text, const QString& file)
{
    LanguageSource source;
    source.file = file;

    enum class Where
    {
        Nowhere,
        Language,
        Texts
    };
    Where where = Where::Nowhere;
    Section section = Section::Main;
    std::map<int, QString>* target = nullptr;

    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int index = 0; index < lines.size(); ++index) {
        const int lineNumber = index + 1;
        QString line = lines.at(index);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
            continue;

        if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
            const QString name = trimmed.mid(1, trimmed.size() - 2);
            if (name == QLatin1String("language")) {
                where = Where::Language;
                continue;
            }
            where = Where::Texts;
            if (name == QLatin1String("main"))
                section = Section::Main;
            else if (name == QLatin1String("engine"))
                section = Section::Engine;
            else if (name == QLatin1String("browser"))
                section = Section::Browser;
            else if (name == QLatin1String("burner"))
                section = Section::Burner;
            else
                fail(file, lineNumber, QStringLiteral("unknown section [%1]").arg(name));
            target = &source.texts(section);
            continue;
        }

        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0)
            fail(file, lineNumber, QStringLiteral("expected \"key = text\""));
        const QString key = line.left(equals).trimmed();
        QString value = line.mid(equals + 1).trimmed();

        if (where == Where::Nowhere)
            fail(file, lineNumber, QStringLiteral("a text before the first [section]"));

        if (where == Where::Language) {
            if (key == QLatin1String("number"))
                source.number = wholeNumber(value, file, lineNumber, QStringLiteral("the language number"));
            else if (key == QLatin1String("name"))
                source.name = value;
            else if (key == QLatin1String("charset"))
                source.charset = wholeNumber(value, file, lineNumber, QStringLiteral("the character set"));
            else if (key == QLatin1String("banner"))
                source.banner = unescape(value, file, lineNumber);
            else
                fail(file, lineNumber, QStringLiteral("unknown language setting \"%1\"").arg(key));
            continue;
        }

        const int number = wholeNumber(key, file, lineNumber, QStringLiteral("a text number"));
        const Range range = rangeOf(section);
        if (number < range.first || number > range.last)
            fail(file, lineNumber,
                 QStringLiteral("text %1 is outside %2 to %3").arg(number).arg(range.first).arg(range.last));
        if (target->count(number))
            fail(file, lineNumber, QStringLiteral("text %1 is given twice").arg(number));

        if (value == QLatin1String("\"\"\"")) {
            // A block of lines, kept as written, up to a line holding only """.
            QStringList block;
            int end = index + 1;
            for (; end < lines.size(); ++end) {
                QString blockLine = lines.at(end);
                if (blockLine.endsWith(QLatin1Char('\r')))
                    blockLine.chop(1);
                if (blockLine.trimmed() == QLatin1String("\"\"\""))
                    break;
                block.append(blockLine);
            }
            if (end >= lines.size())
                fail(file, lineNumber,
                     QStringLiteral("the block of text %1 has no closing \"\"\"").arg(number));
            (*target)[number] = block.join(QLatin1Char('\n'));
            index = end;
            continue;
        }
        (*target)[number] = unescape(value, file, lineNumber);
    }

    if (source.number < 1 || source.number > 4)
        fail(file, 1, QStringLiteral("[language] number must be 1 to 4"));
    if (source.name.isEmpty())
        fail(file, 1, QStringLiteral("[language] name is missing"));
    if (source.charset < 0 || source.charset > 65535)
        fail(file, 1, QStringLiteral("[language] charset must be a character-set code from 0 to 65535"));
    return source;
}
