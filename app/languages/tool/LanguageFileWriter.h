#pragma once

#include "LanguageSource.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Builds "languages.sir" from the four language sources and the two banner pictures.
class LanguageFileWriter
{
public:
    // Throws LanguageSourceError unless there is exactly one source for each language number
    // and every text given in one language is given in all of them.
    static void checkComplete(const QList<LanguageSource>& sources);

    // Writes the file: first beside the target, then renamed over it, so the target is either
    // the old file or the whole new one. "{version}" in a text becomes version.
    static void write(const QString& target, const QList<LanguageSource>& sources, const QString& version,
                      const QList<QByteArray>& pictures);
};
