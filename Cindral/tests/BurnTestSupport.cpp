#include "BurnTestSupport.h"

#include "LibburnRecorder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

namespace BurnTest {

void writeFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(file.write(data), data.size());
}

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QByteArray data(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    for (qsizetype i = 0; i < size; ++i)
        data[i] = char(generator.generate() & 0xff);
    return data;
}

// The entries a file browser hands over: each folder (after a tab) ahead of what it holds.
QStringList entriesBelow(const QString& root)
{
    QStringList entries;
    const QDir dir(root);
    for (const QFileInfo& info : dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name)) {
        if (info.isDir()) {
            entries << QLatin1Char('\t') + info.filePath();
            entries << entriesBelow(info.filePath());
        } else {
            entries << info.filePath();
        }
    }
    return entries;
}

void makeWritable(const QString& root)
{
    QFile::setPermissions(root, QFile::permissions(root) | QFile::WriteOwner);
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile::setPermissions(path, QFile::permissions(path) | QFile::WriteOwner);
    }
}

QProcessEnvironment utf8Environment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    return env;
}

int runXorriso(QStringList arguments)
{
    QProcess xorriso;
    xorriso.setProcessEnvironment(utf8Environment());
    arguments.prepend(QStringLiteral("UTF-8"));
    arguments.prepend(QStringLiteral("-local_charset"));
    arguments.prepend(QStringLiteral("FAILURE"));
    arguments.prepend(QStringLiteral("-abort_on"));
    xorriso.start(QStringLiteral("xorriso"), arguments);
    if (!xorriso.waitForFinished(120000))
        return -1;
    if (xorriso.exitCode() != 0)
        qWarning().noquote() << xorriso.readAllStandardError();
    return xorriso.exitCode();
}

std::unique_ptr<K3Cindral> controlOn(const QString& target)
{
    const auto previous = CDDVDBurner2::setFactory([target] {
        return std::make_unique<LibburnRecorder>(
            LibburnRecorder::Options{false, {QStringLiteral("stdio:") + target}});
    });
    auto control = std::make_unique<K3Cindral>();
    CDDVDBurner2::setFactory(previous);
    return control;
}

ImageBurn::ImageBurn(const QString& image)
    : control(controlOn(image))
    , ready(control.get(), &K3Cindral::DriveReady)
    , finished(control.get(), &K3Cindral::BurningFinished)
    , aborted(control.get(), &K3Cindral::BurningAborted)
    , answerer([this](const Prompt::Message& m) {
        messages << m;
        return QMessageBox::Ok;
    })
{
}

bool ImageBurn::waitReady(const QString& source)
{
    control->InitializeMe(source, source);
    return QTest::qWaitFor([this] { return !ready.isEmpty() && ready.last().first().toBool(); }, 30000);
}

} // namespace BurnTest
