// Builds the language file "languages.sir" from the language sources.
//
//   korvalis-langbuild --output languages.sir --version 0.1 [--pictures DIR] english.lang ...
//
// The banner pictures are drawn here; with --pictures they are also saved there as PNG files.

#include "BannerPainter.h"
#include "LanguageFileWriter.h"
#include "LanguageSource.h"
#include "LanguageTables.h"
#include "TableError.h"

#include <QBuffer>
#include <QDir>
#include <QGuiApplication>
#include <QStringList>

#include <cstdio>

namespace {

int usage()
{
    std::fprintf(stderr,
                 "usage: korvalis-langbuild --output FILE --version TEXT [--pictures DIR] SOURCE...\n");
    return 2;
}

QByteArray png(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace

int main(int argc, char* argv[])
{
    // Drawing needs fonts, not a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);

    QString output;
    QString version;
    QString pictureFolder;
    QStringList sourceFiles;
    const QStringList arguments = application.arguments().mid(1);
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        const bool hasValue = i + 1 < arguments.size();
        if (argument == QLatin1String("--output") && hasValue)
            output = arguments.at(++i);
        else if (argument == QLatin1String("--version") && hasValue)
            version = arguments.at(++i);
        else if (argument == QLatin1String("--pictures") && hasValue)
            pictureFolder = arguments.at(++i);
        else if (argument.startsWith(QLatin1String("--")))
            return usage();
        else
            sourceFiles.append(argument);
    }
    if (output.isEmpty() || version.isEmpty() || sourceFiles.isEmpty())
        return usage();

    try {
        QList<LanguageSource> sources;
        for (const QString& file : sourceFiles)
            sources.append(LanguageSource::read(file));
        LanguageFileWriter::checkComplete(sources);

        // Picture n carries the line of language n.
        QList<QByteArray> pictures;
        for (int language = 1; language <= LanguageTables::PictureRows; ++language) {
            QString line;
            for (const LanguageSource& source : sources) {
                if (source.number == language)
                    line = source.banner;
            }
            if (!BannerPainter::lineFits(line))
                std::fprintf(stderr, "korvalis-langbuild: the banner line of language %d is cut off: %s\n",
                             language, line.toUtf8().constData());
            const QImage banner = BannerPainter::paint(line);
            pictures.append(png(banner));
            if (!pictureFolder.isEmpty()) {
                QDir().mkpath(pictureFolder);
                banner.save(
                    QDir(pictureFolder).filePath(QStringLiteral("banner%1.png").arg(pictures.size())));
            }
        }

        LanguageFileWriter::write(output, sources, version, pictures);
    } catch (const LanguageSourceError& error) {
        std::fprintf(stderr, "korvalis-langbuild: %s\n", error.what());
        return 1;
    } catch (const TableError& error) {
        std::fprintf(stderr, "korvalis-langbuild: %s\n", error.what());
        return 1;
    }
    return 0;
}
