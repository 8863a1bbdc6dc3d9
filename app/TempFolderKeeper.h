#pragma once

#include <QDateTime>
#include <QString>

// The temporary copy of a burn task. Files recovered from a failing medium may exist nowhere
// else, so the copy goes only once it is on a disc, or when the user agrees to let it go.
class TempFolderKeeper
{
public:
    // A copy was made into the job folder under tempFolder (which ends in "/").
    void copyMade(const QString& tempFolder);
    // The copy was burned: the job folder may go.
    void burned() { m_burned = true; }
    // The job is over and nothing more is to be decided about its copy.
    void forget();

    bool hasCopy() const { return m_hasCopy; }
    bool isBurned() const { return m_burned; }
    QString jobFolder() const;

    // True when a copy was made, was not burned and its folder holds something.
    bool holdsUnburnedCopy() const;

    // Moves an unburned copy from the job folder (which the next burn task would empty) to a
    // folder of its own beside it, named after now; returns where the copy is afterwards, the
    // job folder itself when it could not be moved. The keeper then forgets it.
    QString setAside(const QDateTime& now = QDateTime::currentDateTime());

    // The name of the folder an unburned copy is moved to at time now.
    static QString keptFolderName(const QDateTime& now);

private:
    QString m_tempFolder;
    bool m_hasCopy = false;
    bool m_burned = false;
};
