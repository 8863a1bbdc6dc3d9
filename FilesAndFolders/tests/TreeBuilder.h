#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

// Builds real folder trees for the tests: "a/b.dat" makes a file (folders on the way), "a/s/"
// a folder.
inline void makeTree(const QString& root, const QStringList& paths, qint64 fileSize = 10)
{
    for (const QString& p : paths) {
        const QString full = root + QLatin1Char('/') + p;
        if (p.endsWith(QLatin1Char('/'))) {
            QVERIFY(QDir().mkpath(full));
            continue;
        }
        QVERIFY(QDir().mkpath(QFileInfo(full).path()));
        QFile f(full);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(fileSize, 'x'));
    }
}

// While one lives, the process acts as an unprivileged user, so that permission bits hold even
// when the tests run as root.
class AsUnprivilegedUser
{
public:
    AsUnprivilegedUser()
    {
        if (::geteuid() == 0)
            m_switched = ::seteuid(65534) == 0;
    }
    ~AsUnprivilegedUser()
    {
        if (m_switched && ::seteuid(0) != 0)
            qFatal("could not return to root");
    }
    AsUnprivilegedUser(const AsUnprivilegedUser&) = delete;
    AsUnprivilegedUser& operator=(const AsUnprivilegedUser&) = delete;

private:
    bool m_switched = false;
};

// Lets an unprivileged user into a temporary tree.
inline void openToEveryone(const QString& path)
{
    ::chmod(QFile::encodeName(path).constData(), 0755);
}
