#pragma once

#include "K3Cindral.h"
#include "MediumFiles.h"
#include "Prompt.h"

#include <QByteArray>
#include <QList>
#include <QProcessEnvironment>
#include <QSignalSpy>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>

// Helpers of the tests that burn image files and read them back with xorriso.
namespace BurnTest {

void writeFile(const QString& path, const QByteArray& data);

QByteArray randomBytes(qsizetype size, quint32 seed);

using MediumFiles::filesBelow;

// The entries a file browser hands over: each folder (after a tab) ahead of what it holds.
QStringList entriesBelow(const QString& root);

QProcessEnvironment utf8Environment();

// Files read back from a disc are read-only; this lets the temporary folder go.
void makeWritable(const QString& root);

int runXorriso(QStringList arguments);

std::unique_ptr<K3Cindral> controlOn(const QString& target);

// A control on an image-file recorder, with its events counted and its messages collected
// (each answered OK): where every burn into an image starts.
struct ImageBurn
{
    explicit ImageBurn(const QString& image);
    // Initialises the control on source and waits for the blank "disc"; false when it never came.
    bool waitReady(const QString& source);

    std::unique_ptr<K3Cindral> control;
    QSignalSpy ready;
    QSignalSpy finished;
    QSignalSpy aborted;
    QList<Prompt::Message> messages;
    Prompt::ScopedAnswerer answerer;
};

} // namespace BurnTest
