#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

// `cmake --install` into a fresh prefix: the program, a desktop entry that validates and
// starts the program in the home folder, and the icon in the freedesktop sizes.
class InstallTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void desktopEntryValidates();
    void iconInEverySize_data();
    void iconInEverySize();
    void entryStartsTheProgramInTheHomeFolder();

private:
    QString installed(const QString& path) const { return prefix.filePath(path); }
    QString entryValue(const QString& key) const;

    QTemporaryDir prefix;
};

namespace {

// Runs a program to its end; false, with its output in the test log, when it fails.
bool run(QProcess& process, const QString& program, const QStringList& arguments)
{
    process.start(program, arguments);
    const bool finished = process.waitForFinished(60000);
    const bool succeeded =
        finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!succeeded)
        qInfo("%s: %s%s", qPrintable(program), process.readAllStandardOutput().constData(),
              process.readAllStandardError().constData());
    return succeeded;
}

const char* const EntryPath = "share/applications/hygrolux.desktop";

} // namespace

void InstallTest::initTestCase()
{
    QVERIFY(prefix.isValid());
    QProcess install;
    QVERIFY(run(install, QStringLiteral(CMAKE_COMMAND),
                {QStringLiteral("--install"), QStringLiteral(BUILD_DIR), QStringLiteral("--prefix"),
                 prefix.path()}));
    QVERIFY(QFileInfo(installed(QStringLiteral("bin/hygrolux"))).isExecutable());
}

QString InstallTest::entryValue(const QString& key) const
{
    // Read as written: the entry holds no escapes, and QSettings would drop the quotes.
    QFile entry(installed(QLatin1String(EntryPath)));
    if (!entry.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    const QString wanted = key + QLatin1Char('=');
    bool inMainGroup = false;
    while (!entry.atEnd()) {
        const QString line = QString::fromUtf8(entry.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inMainGroup = line == QLatin1String("[Desktop Entry]");
        else if (inMainGroup && line.startsWith(wanted))
            return line.mid(wanted.size());
    }
    return QString();
}

void InstallTest::desktopEntryValidates()
{
    QProcess validate;
    QVERIFY(run(validate, QStringLiteral("desktop-file-validate"),
                {installed(QLatin1String(EntryPath))}));
    QCOMPARE(validate.readAll(), QByteArray());
    QCOMPARE(entryValue(QStringLiteral("TryExec")), installed(QStringLiteral("bin/hygrolux")));
}

void InstallTest::iconInEverySize_data()
{
    QTest::addColumn<int>("size");
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256, 512})
        QTest::addRow("%d", size) << size;
}

void InstallTest::iconInEverySize()
{
    QFETCH(int, size);
    const QString path = QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png")
                             .arg(size)
                             .arg(entryValue(QStringLiteral("Icon")));
    const QImage icon(installed(path));
    QVERIFY2(!icon.isNull(), qPrintable(path));
    QCOMPARE(icon.size(), QSize(size, size));
    QVERIFY(icon.hasAlphaChannel());
}

// A desktop menu may start programs in any folder; the program keeps ./data.txt in its
// working folder, which must be the home folder. The installed program is replaced by one
// that tells where it was started.
void InstallTest::entryStartsTheProgramInTheHomeFolder()
{
    const QString program = installed(QStringLiteral("bin/hygrolux"));
    QFile stand(program);
    QVERIFY(stand.remove());
    QVERIFY(stand.open(QIODevice::WriteOnly));
    stand.write("#!/bin/sh\npwd > \"$HOME/started-in\"\n");
    stand.close();
    QVERIFY(stand.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    QTemporaryDir home;
    QVERIFY(home.isValid());
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
    QCOMPARE(QFileInfo(QString::fromLocal8Bit(startedIn.readAll().trimmed())).canonicalFilePath(),
             QFileInfo(home.path()).canonicalFilePath());
}

HYGROLUX_TEST_MAIN_CORE(InstallTest)
#include "tst_install.moc"
