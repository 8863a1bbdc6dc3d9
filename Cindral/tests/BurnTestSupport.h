#pragma once

#include "K3Cindral.h"
#include "MediumFiles.h"

#include <QByteArray>
#include <QProcessEnvironment>
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

} // namespace BurnTest
