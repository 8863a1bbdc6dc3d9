#include "LanguageFileWriter.h"

#include "LanguageTables.h"
#include "TableEngine.h"

#include <QFile>
#include <QStringList>

#include <cstdio>
#include <set>

using namespace LanguageTables;

namespace {

constexpr LanguageSource::Section AllSections[] = {
    LanguageSource::Section::Main, LanguageSource::Section::Engine, LanguageSource::Section::Browser,
    LanguageSource::Section::Burner};

QString sectionName(LanguageSource::Section section)
{
    switch (section) {
    case LanguageSource::Section::Main:
        return QStringLiteral("main");
    case LanguageSource::Section::Engine:
        return QStringLiteral("engine");
    case LanguageSource::Section::Browser:
        return QStringLiteral("browser");
    case LanguageSource::Section::Burner:
        return QStringLiteral("burner");
    }
    return {};
}

int lastNumber(const QList<LanguageSource>& sources, LanguageSource::Section section)
{
    int last = 0;
    for (const LanguageSource& source : sources) {
        const auto& texts = source.texts(section);
        if (!texts.empty())
            last = std::max(last, texts.rbegin()->first);
    }
    return last;
}

} // namespace

void LanguageFileWriter::checkComplete(const QList<LanguageSource>& sources)
{
    std::set<int> numbers;
    for (const LanguageSource& source : sources) {
        if (!numbers.insert(source.number).second)
            throw LanguageSourceError(
                QStringLiteral("%1: language number %2 is used twice").arg(source.file).arg(source.number));
    }
    if (int(numbers.size()) != LanguageCount)
        throw LanguageSourceError(
            QStringLiteral("the language file needs exactly %1 languages, numbered 1 to %1")
                .arg(LanguageCount));

    QStringList problems;
    for (const LanguageSource::Section section : AllSections) {
        std::set<int> all;
        for (const LanguageSource& source : sources) {
            for (const auto& [number, text] : source.texts(section)) {
                Q_UNUSED(text);
                all.insert(number);
            }
        }
        for (const LanguageSource& source : sources) {
            for (const int number : all) {
                if (!source.texts(section).count(number))
                    problems.append(QStringLiteral("%1: [%2] text %3 is missing (another language has it)")
                                        .arg(source.file, sectionName(section))
                                        .arg(number));
            }
        }
    }
    if (!problems.isEmpty())
        throw LanguageSourceError(problems.join(QLatin1Char('\n')));
}

void LanguageFileWriter::write(const QString& target, const QList<LanguageSource>& sources,
                               const QString& version, const QList<QByteArray>& pictures)
{
    checkComplete(sources);
    const QString temporary = target + QStringLiteral(".new");
    QFile::remove(temporary);
    QFile::remove(temporary + QStringLiteral("-journal"));

    const auto text = [&](const QString& value) {
        QString result = value;
        return result.replace(QLatin1String("{version}"), version);
    };

    {
        TableEngine engine;
        TableTransaction write = engine.BeginWrite(temporary);
        const QString mainTable = TableReference::of(temporary, MainTable, 1);
        const QString engineTable = TableReference::of(temporary, EngineTable, 1);
        const QString browserTable = TableReference::of(temporary, BrowserTable, 1);
        const QString burnerTable = TableReference::of(temporary, BurnerTable, 1);
        const QString pictureTable = TableReference::of(temporary, PictureTable, 1);

        write.SetRowCount(mainTable, MainRowLimit);
        write.SetRowCount(engineTable, EngineTextCount + 1);
        write.SetRowCount(browserTable, lastNumber(sources, LanguageSource::Section::Browser));
        write.SetRowCount(burnerTable, lastNumber(sources, LanguageSource::Section::Burner));

        for (const LanguageSource& source : sources) {
            const int column = source.number;
            write.SetCell(mainTable, 1, column, QString::number(source.charset));
            for (const auto& [number, value] : source.main)
                write.SetCell(mainTable, number + 1, column, text(value));
            for (const auto& [number, value] : source.engine)
                write.SetCell(engineTable, number + 1, column, text(value));
            for (const auto& [number, value] : source.browser)
                write.SetCell(browserTable, number, column, text(value));
            for (const auto& [number, value] : source.burner)
                write.SetCell(burnerTable, number, column, text(value));
        }

        write.SetRowCount(pictureTable, PictureRows);
        for (int row = 1; row <= std::min<int>(PictureRows, pictures.size()); ++row) {
            write.SetCell(pictureTable, row, 1, pictures.at(row - 1));
            write.SetCell(pictureTable, row, 2, pictures.at(row - 1));
        }
        write.commit();
        engine.CloseAll();
    }

    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(target).constData()) != 0)
        throw LanguageSourceError(QStringLiteral("%1 could not be replaced").arg(target));
}
