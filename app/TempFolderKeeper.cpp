#include "TempFolderKeeper.h"

#include "JobAssembly.h"

#include <QDir>
#include <QFileInfo>

void TempFolderKeeper::copyMade(const QString& tempFolder)
{
    m_tempFolder = tempFolder;
    m_hasCopy = true;
    m_burned = false;
}

void TempFolderKeeper::forget()
{
    m_hasCopy = false;
    m_burned = false;
}

QString TempFolderKeeper::jobFolder() const
{
    if (m_tempFolder.isEmpty())
        return {};
    return m_tempFolder + JobAssembly::jobFolderName() + QLatin1Char('/');
}

bool TempFolderKeeper::holdsUnburnedCopy() const
{
    if (!m_hasCopy || m_burned || m_tempFolder.isEmpty())
        return false;
    const QDir folder(jobFolder());
    return folder.exists() &&
           !folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).isEmpty();
}

QString TempFolderKeeper::keptFolderName(const QDateTime& now)
{
    return QStringLiteral("kvs_recovered_") + now.toString(QStringLiteral("yyyyMMdd_HHmmss"));
}

QString TempFolderKeeper::setAside(const QDateTime& now)
{
    const QString from = jobFolder();
    forget();
    if (from.isEmpty())
        return {};
    const QString base = m_tempFolder + keptFolderName(now);
    QString to = base;
    for (int n = 2; QFileInfo::exists(to) || QFileInfo(to).isSymLink(); ++n)
        to = base + QStringLiteral("_%1").arg(n);
    if (!QDir().rename(from.chopped(1), to))
        return from;
    return to + QLatin1Char('/');
}
