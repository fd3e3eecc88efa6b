#pragma once

#include <QTest>

#include <functional>

#include <signal.h>
#include <sys/resource.h>

// Shared by every test program: a fresh headless environment for each run, and a
// run that fails when Qt printed any warning (a missing resource, a slot that found
// no signal, a painter misuse), even if every check passed.
namespace hygrolux::test {

// Before the application object exists: offscreen platform (unless one was chosen),
// a private XDG_RUNTIME_DIR so the environment's own warning about it cannot fire, and a
// private XDG_DATA_HOME (HYGROLUX_ARCHIVE unset), so that the archive of every download
// lies in a folder of the run's own; a session bus address where no bus listens.
void prepareEnvironment();

// Runs the test object like QTest::qExec, then fails when Qt logged a warning.
int run(QObject* testObject, int argc, char** argv);

// Folder permissions do not bind root, who runs the tests on CI. These run a step with the
// rights of an ordinary user: as root in a child process that becomes "nobody" (the step
// must then use plain files, no widgets and no QtTest macros), otherwise in this process.
// True when the step ran and returned true.
bool asOrdinaryUser(const std::function<bool()>& step);
// Makes `path` the ordinary user's own (as root: hands it to "nobody"; otherwise a no-op).
void giveToOrdinaryUser(const QString& path);

// The lines of a text file the program wrote, without their line ends; none when it cannot
// be read.
QStringList fileLines(const QString& path);
// The bytes of a file; none when it cannot be read.
QByteArray fileContents(const QString& path);

// A disk that takes no more: while it lives, no file this program (or a program it starts)
// writes grows past `bytes`; writes beyond fail as on a full disk or a quota, instead of
// raising the signal that would end the program. Nothing else should be written meanwhile,
// the test log included: keep checks for after it.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(qint64 bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit before{};
    struct sigaction handlerBefore {
    };
};

} // namespace hygrolux::test

#define HYGROLUX_TEST_MAIN_IMPL(AppClass, TestClass)                                               \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        hygrolux::test::prepareEnvironment();                                                      \
        AppClass app(argc, argv);                                                                  \
        TestClass testObject;                                                                      \
        return hygrolux::test::run(&testObject, argc, argv);                                       \
    }

// For tests of widgets.
#define HYGROLUX_TEST_MAIN(TestClass) HYGROLUX_TEST_MAIN_IMPL(QApplication, TestClass)
// For tests of code that needs QtCore only.
#define HYGROLUX_TEST_MAIN_CORE(TestClass) HYGROLUX_TEST_MAIN_IMPL(QCoreApplication, TestClass)
