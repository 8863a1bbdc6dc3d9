#include "PoFile.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>

namespace PoFile {

namespace {

[[noreturn]] void fail(const QString& file, int line, const QString& what)
{
    throw LanguageSourceError(QStringLiteral("%1:%2: %3").arg(file).arg(line).arg(what));
}

// The text of a quoted PO string ("..."), its escapes resolved.
QString unquote(const QString& quoted, const QString& file, int line)
{
    if (quoted.size() < 2 || !quoted.startsWith(QLatin1Char('"')) || !quoted.endsWith(QLatin1Char('"')))
        fail(file, line, QStringLiteral("expected a string in double quotes"));
    QString result;
    const qsizetype end = quoted.size() - 1;
    for (qsizetype i = 1; i < end; ++i) {
        const QChar c = quoted.at(i);
        if (c == QLatin1Char('"'))
            fail(file, line, QStringLiteral("a double quote inside a string must be written \\\""));
        if (c != QLatin1Char('\\')) {
            result += c;
            continue;
        }
        if (i + 1 >= end)
            fail(file, line, QStringLiteral("a string ends in a lone backslash"));
        switch (quoted.at(++i).unicode()) {
        case 'n':
            result += QLatin1Char('\n');
            break;
        case 't':
            result += QLatin1Char('\t');
            break;
        case '"':
            result += QLatin1Char('"');
            break;
        case '\\':
            result += QLatin1Char('\\');
            break;
        default:
            fail(file, line, QStringLiteral("unknown escape \\%1").arg(quoted.at(i)));
        }
    }
    return result;
}

struct Entry
{
    int line = 0; // where it starts
    bool fuzzy = false;
    bool hasContext = false;
    bool hasId = false;
    bool hasString = false;
    QString context;
    QString id;
    QString string;
};

// The header's "Name: value" field; empty when it is missing.
QString headerField(const QString& header, const QString& name)
{
    const QStringList lines = header.split(QLatin1Char('\n'));
    for (const QString& line : lines)
        if (line.startsWith(name + QLatin1Char(':')))
            return line.mid(name.size() + 1).trimmed();
    return {};
}

int headerNumber(const QString& header, const QString& name, const QString& file)
{
    bool ok = false;
    const int value = headerField(header, name).toInt(&ok);
    if (!ok)
        fail(file, 1, QStringLiteral("the header field %1 must be a whole number").arg(name));
    return value;
}

void store(LanguageSource& source, const Entry& entry, bool& headerSeen)
{
    const QString& file = source.file;
    if (!entry.hasId || !entry.hasString)
        fail(file, entry.line, QStringLiteral("an entry needs a msgid and a msgstr"));
    if (!entry.hasContext) {
        if (!entry.id.isEmpty())
            fail(file, entry.line,
                 QStringLiteral("every text needs a msgctxt naming its section and number"));
        headerSeen = true;
        source.number = headerNumber(entry.string, QStringLiteral("X-Korvalis-Number"), file);
        source.name = headerField(entry.string, QStringLiteral("X-Korvalis-Name"));
        source.charset = headerNumber(entry.string, QStringLiteral("X-Korvalis-Charset"), file);
        return;
    }
    const QString text = entry.fuzzy || entry.string.isEmpty() ? entry.id : entry.string;
    if (entry.context == QLatin1String("banner")) {
        source.banner = text;
        return;
    }
    const qsizetype colon = entry.context.indexOf(QLatin1Char(':'));
    LanguageSource::Section section = LanguageSource::Section::Main;
    bool ok = colon > 0 && LanguageSource::sectionNamed(entry.context.left(colon), section);
    const int number = ok ? entry.context.mid(colon + 1).toInt(&ok) : 0;
    if (!ok)
        fail(file, entry.line,
             QStringLiteral("msgctxt \"%1\" is not a section and number such as \"main:57\"")
                 .arg(entry.context));
    source.addText(section, number, text, entry.line);
}

} // namespace

LanguageSource read(const QString& path)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        throw LanguageSourceError(QStringLiteral("%1: cannot be read: %2").arg(path, in.errorString()));
    const QByteArray bytes = in.readAll();
    const QString text = QString::fromUtf8(bytes);
    if (text.toUtf8() != bytes)
        throw LanguageSourceError(QStringLiteral("%1: is not UTF-8 text").arg(path));
    return parse(text, path);
}

LanguageSource parse(const QString& text, const QString& file)
{
    LanguageSource source;
    source.file = file;
    bool headerSeen = false;

    Entry entry;
    bool inEntry = false;
    QString* continued = nullptr; // the string that following "..." lines extend
    const auto finish = [&] {
        if (inEntry)
            store(source, entry, headerSeen);
        entry = Entry();
        inEntry = false;
        continued = nullptr;
    };

    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int index = 0; index < lines.size(); ++index) {
        const int lineNumber = index + 1;
        const QString line = lines.at(index).trimmed();
        if (line.isEmpty()) {
            finish();
            continue;
        }
        if (line.startsWith(QLatin1Char('#'))) {
            // A comment after the strings begins the next entry.
            if (inEntry && entry.hasString)
                finish();
            if (line.startsWith(QLatin1String("#,")) &&
                line.contains(QRegularExpression(QStringLiteral("(^|[ ,])fuzzy($|[ ,])"))))
                entry.fuzzy = true;
            if (!inEntry)
                entry.line = lineNumber;
            continue;
        }
        if (line.startsWith(QLatin1Char('"'))) {
            if (!continued)
                fail(file, lineNumber, QStringLiteral("a string without a keyword before it"));
            *continued += unquote(line, file, lineNumber);
            continue;
        }
        const qsizetype blank = line.indexOf(QLatin1Char(' '));
        const QString keyword = blank < 0 ? line : line.left(blank);
        const QString value = blank < 0 ? QString() : line.mid(blank + 1).trimmed();
        if (keyword == QLatin1String("msgctxt")) {
            if (inEntry && (entry.hasContext || entry.hasId))
                finish();
            entry.hasContext = true;
            entry.context = unquote(value, file, lineNumber);
            continued = &entry.context;
        } else if (keyword == QLatin1String("msgid")) {
            if (inEntry && entry.hasId)
                finish();
            entry.hasId = true;
            entry.id = unquote(value, file, lineNumber);
            continued = &entry.id;
        } else if (keyword == QLatin1String("msgstr")) {
            if (!entry.hasId || entry.hasString)
                fail(file, lineNumber, QStringLiteral("msgstr without its msgid"));
            entry.hasString = true;
            entry.string = unquote(value, file, lineNumber);
            continued = &entry.string;
        } else if (keyword.startsWith(QLatin1String("msgid_plural")) ||
                   keyword.startsWith(QLatin1String("msgstr["))) {
            fail(file, lineNumber,
                 QStringLiteral(
                     "plural entries are not used: write the forms in one text, separated by \"|\""));
        } else {
            fail(file, lineNumber, QStringLiteral("unknown keyword \"%1\"").arg(keyword));
        }
        if (!inEntry) {
            inEntry = true;
            if (entry.line == 0)
                entry.line = lineNumber;
        }
    }
    finish();

    if (!headerSeen)
        fail(file, 1, QStringLiteral("the header entry (msgid \"\") is missing"));
    source.checkLanguage();
    return source;
}

} // namespace PoFile
