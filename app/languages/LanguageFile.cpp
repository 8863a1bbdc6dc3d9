#include "LanguageFile.h"

#include "LanguageTables.h"
#include "TableEngine.h"

#include <QFileInfo>

#include <cmath>

using namespace LanguageTables;

LanguageFile::LanguageFile(TableEngine& engine, const QString& path)
    : m_engine(engine)
    , m_path(path)
{
}

QStringList LanguageFile::languageNames()
{
    return {QStringLiteral("English"), QStringLiteral("Russian"), QStringLiteral("French"),
            QStringLiteral("Spanish")};
}

QString LanguageFile::table(int row) const
{
    return TableReference::of(m_path, row, 1);
}

void LanguageFile::fail(bool missing) const
{
    const QString what =
        missing ? QStringLiteral("File not found.") : QStringLiteral("Access denied or file corrupted.");
    throw LanguageFileError(what + QStringLiteral("\n\nFile: ") + m_path);
}

int LanguageFile::leadingNumber(const QString& text)
{
    qsizetype pos = 0;
    while (pos < text.size() && text.at(pos).isSpace())
        ++pos;
    const qsizetype start = pos;
    if (pos < text.size() && (text.at(pos) == QLatin1Char('-') || text.at(pos) == QLatin1Char('+')))
        ++pos;
    const auto digits = [&] {
        while (pos < text.size() && text.at(pos) >= QLatin1Char('0') && text.at(pos) <= QLatin1Char('9'))
            ++pos;
    };
    digits();
    if (pos < text.size() && text.at(pos) == QLatin1Char('.')) {
        ++pos;
        digits();
    }
    bool ok = false;
    const double value = text.mid(start, pos - start).toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return 0;
    const double rounded = std::nearbyint(value); // the default rounding is half to even
    if (rounded > 1e9)
        return 1000000000;
    if (rounded < -1e9)
        return -1000000000;
    return int(rounded);
}

int LanguageFile::savedLanguage()
{
    try {
        const int language = leadingNumber(m_engine.GetValue(table(MainTable)));
        return language < 1 ? English : language;
    } catch (const TableError&) {
        // Loading the language reports what is wrong with the file.
        return English;
    }
}

QByteArray LanguageFile::picture(int index)
{
    return m_engine.GetCellData(table(PictureTable), index, 2);
}

void LanguageFile::saveLanguage(int language)
{
    m_engine.SetValue(QString::number(language), table(MainTable));
}

LanguageTexts LanguageFile::load(int& language, LangTexts& texts)
{
    if (language < 1 || language > LanguageCount)
        language = English;

    const QString mainTable = table(MainTable);
    if (m_engine.CheckTable(mainTable) < 1)
        fail(!QFileInfo::exists(m_path));

    try {
        LangTexts loaded = texts;
        LanguageTexts result;

        const int rows = m_engine.GetRowCount(mainTable);
        if (rows > MainRowLimit)
            fail(false);
        for (int row = 2; row <= rows; ++row)
            loaded[row - 1] = m_engine.GetCell(mainTable, row, language);

        bool ok = false;
        const uint charset = m_engine.GetCell(mainTable, 1, language).trimmed().toUInt(&ok);
        if (!ok || charset > 0xffff)
            fail(false);
        result.charset = quint16(charset);
        loaded[0] = QString::number(charset);

        const QString engineTable = table(EngineTable);
        result.engineTexts.append(QString());
        for (int slot = 1; slot <= EngineTextCount; ++slot)
            result.engineTexts.append(m_engine.GetCell(engineTable, slot + 1, language));

        const QString browserTable = table(BrowserTable);
        const int browserRows = m_engine.GetRowCount(browserTable);
        if (browserRows > BrowserTextLimit)
            fail(false);
        result.browserTexts.append(QString());
        for (int slot = 1; slot <= browserRows; ++slot)
            result.browserTexts.append(m_engine.GetCell(browserTable, slot, language));

        const QString burnerTable = table(BurnerTable);
        const int burnerRows = m_engine.GetRowCount(burnerTable);
        if (burnerRows > BurnerTextLimit)
            fail(false);
        for (int slot = 0; slot <= burnerRows; ++slot)
            result.burnerTexts.append(m_engine.GetCell(burnerTable, slot, language));

        // Saved only once the whole language was read: a broken file is not written to.
        saveLanguage(language);
        texts = loaded;
        return result;
    } catch (const TableError&) {
        fail(false);
    }
}
