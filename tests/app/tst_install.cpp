#include "testsupport.h"

#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

// `cmake --install` into a fresh prefix: the program and its command line, a desktop entry
// that validates and starts the program in the home folder, and the icon in the freedesktop
// sizes.
class InstallTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void desktopEntryAndIcons();
    void entryStartsTheProgramInTheHomeFolder();

private:
    QString entryValue(const QString& key) const;

    QTemporaryDir prefix;
};

namespace {

// Runs a program to its end; false, with its output in the test log, when it fails.
bool run(QProcess& process, const QString& program, const QStringList& arguments)
{
    process.start(program, arguments);
    const bool succeeded = process.waitForFinished(60000) &&
                           process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!succeeded)
        qInfo("%s: %s%s", qPrintable(program), process.readAllStandardOutput().constData(),
              process.readAllStandardError().constData());
    return succeeded;
}

} // namespace

void InstallTest::initTestCase()
{
    QProcess install;
    QVERIFY(run(install, QStringLiteral(CMAKE_COMMAND),
                {QStringLiteral("--install"), QStringLiteral(BUILD_DIR), QStringLiteral("--prefix"),
                 prefix.path()}));
}

QString InstallTest::entryValue(const QString& key) const
{
    QFile entry(prefix.filePath(QStringLiteral("share/applications/" DESKTOP_ENTRY ".desktop")));
    if (!entry.open(QIODevice::ReadOnly))
        return QString();
    const QRegularExpression line(QStringLiteral("^%1=(.*)$").arg(key),
                                  QRegularExpression::MultilineOption);
    return line.match(QString::fromUtf8(entry.readAll())).captured(1);
}

void InstallTest::desktopEntryAndIcons()
{
    QProcess validate;
    QVERIFY(run(validate, QStringLiteral("desktop-file-validate"),
                {prefix.filePath(QStringLiteral("share/applications/" DESKTOP_ENTRY ".desktop"))}));
    QCOMPARE(validate.readAll(), QByteArray());
    QCOMPARE(entryValue(QStringLiteral("TryExec")),
             prefix.filePath(QStringLiteral("bin/hygrolux")));
    QVERIFY(QFileInfo(prefix.filePath(QStringLiteral("bin/hygrolux-cli"))).isExecutable());

    for (int size : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
        const QString path = QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png")
                                 .arg(size)
                                 .arg(entryValue(QStringLiteral("Icon")));
        QCOMPARE(QImage(prefix.filePath(path)).size(), QSize(size, size));
    }
}

// A desktop menu may start programs in any folder; the program keeps ./data.txt in its
// working folder, which must be the home folder. The installed program is replaced by one
// that tells where it was started.
void InstallTest::entryStartsTheProgramInTheHomeFolder()
{
    QFile program(prefix.filePath(QStringLiteral("bin/hygrolux")));
    QVERIFY(program.remove() && program.open(QIODevice::WriteOnly));
    program.write("#!/bin/sh\npwd > \"$HOME/started-in\"\n");
    program.close();
    QVERIFY(program.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    QProcess launch;
    launch.setProcessEnvironment(environment);
    launch.setWorkingDirectory(QDir::rootPath());
    QStringList command = QProcess::splitCommand(entryValue(QStringLiteral("Exec")));
    QVERIFY(!command.isEmpty());
    QVERIFY(run(launch, command.takeFirst(), command));

    QFile startedIn(home.filePath(QStringLiteral("started-in")));
    QVERIFY2(startedIn.open(QIODevice::ReadOnly), "the program did not start");
    QCOMPARE(QDir(QString::fromLocal8Bit(startedIn.readAll().trimmed())).canonicalPath(),
             QDir(home.path()).canonicalPath());
}

HYGROLUX_TEST_MAIN_CORE(InstallTest)
#include "tst_install.moc"
