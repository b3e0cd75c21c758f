#include "settingsstore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QString readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool writeFile(const QString &path, const QString &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) == text.toUtf8().size();
}

// Runs the check as a user without rights on the folders made read-only. Root writes anywhere,
// so as root it runs in a child that gives up its rights first.
bool asOrdinaryUser(const std::function<bool()> &check)
{
    if (geteuid() != 0)
        return check();
    const pid_t child = fork();
    if (child == 0) {
        const bool ok = setgid(65534) == 0 && setuid(65534) == 0 && check();
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

class TestSettingsStore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void keptBesideTheProgram();
    void perUserWhenTheProgramFolderCannotHoldIt();
    void readOnlyProgramFolderFallsBackToUser();
    void nothingWritableKeepsTheOldFile();
    void loadPrefersTheFileThatSavesGoTo_data();
    void loadPrefersTheFileThatSavesGoTo();

private:
    std::unique_ptr<QTemporaryDir> scratch;
    QString programDir;
    QString userDir;
};

void TestSettingsStore::init()
{
    scratch = std::make_unique<QTemporaryDir>();
    QVERIFY(scratch->isValid());
    chmod(qPrintable(scratch->path()), 0755);
    programDir = scratch->filePath(QStringLiteral("program"));
    userDir = scratch->filePath(QStringLiteral("user/tessary"));
    QVERIFY(QDir().mkpath(programDir));
}

void TestSettingsStore::keptBesideTheProgram()
{
    const SettingsStore store(programDir, userDir, QStringLiteral("App.cfg"));
    QVERIFY(store.write(QStringLiteral("first\n")));
    QVERIFY(store.write(QStringLiteral("second\n")));
    QCOMPARE(store.programFilePath(), programDir + QStringLiteral("/App.cfg"));
    QCOMPARE(readFile(store.programFilePath()), QStringLiteral("second\n"));
    QVERIFY(!QFile::exists(store.userFilePath()));
    QCOMPARE(store.read(), QStringLiteral("second\n"));
}

void TestSettingsStore::perUserWhenTheProgramFolderCannotHoldIt()
{
    // A "folder" below a plain file cannot be written by anyone, root included.
    QVERIFY(writeFile(scratch->filePath(QStringLiteral("plain")), QStringLiteral("x")));
    const SettingsStore store(scratch->filePath(QStringLiteral("plain/bin")), userDir,
                              QStringLiteral("App.cfg"));
    QVERIFY(!store.read());
    QVERIFY(store.write(QStringLiteral("kept\n")));
    QCOMPARE(readFile(userDir + QStringLiteral("/App.cfg")), QStringLiteral("kept\n"));
    QCOMPARE(store.read(), QStringLiteral("kept\n"));
}

void TestSettingsStore::readOnlyProgramFolderFallsBackToUser()
{
    QVERIFY(QDir().mkpath(userDir));
    chmod(qPrintable(scratch->filePath(QStringLiteral("user"))), 0777);
    chmod(qPrintable(userDir), 0777);
    const SettingsStore store(programDir, userDir, QStringLiteral("App.cfg"));
    QVERIFY(writeFile(store.programFilePath(), QStringLiteral("shipped\n")));
    chmod(qPrintable(programDir), 0555);

    QVERIFY(asOrdinaryUser([&store] {
        // The shipped file is read until the user has a file of their own.
        return store.read() == QStringLiteral("shipped\n") &&
               store.write(QStringLiteral("mine\n")) && store.read() == QStringLiteral("mine\n");
    }));
    QCOMPARE(readFile(store.programFilePath()), QStringLiteral("shipped\n"));
    QCOMPARE(readFile(store.userFilePath()), QStringLiteral("mine\n"));
}

void TestSettingsStore::nothingWritableKeepsTheOldFile()
{
    QVERIFY(QDir().mkpath(userDir));
    const SettingsStore store(programDir, userDir, QStringLiteral("App.cfg"));
    QVERIFY(writeFile(store.userFilePath(), QStringLiteral("old settings\n")));
    chmod(qPrintable(programDir), 0555);
    chmod(qPrintable(userDir), 0555);
    chmod(qPrintable(store.userFilePath()), 0644);

    QVERIFY(asOrdinaryUser([&store] { return !store.write(QStringLiteral("new\n")); }));
    QCOMPARE(readFile(store.userFilePath()), QStringLiteral("old settings\n"));
    QVERIFY(!QFile::exists(store.programFilePath()));
    QCOMPARE(QDir(userDir).entryList(QDir::Files), QStringList{QStringLiteral("App.cfg")});
}

void TestSettingsStore::loadPrefersTheFileThatSavesGoTo_data()
{
    QTest::addColumn<bool>("beside");
    QTest::addColumn<bool>("user");
    QTest::addColumn<QString>("read");

    QTest::newRow("neither") << false << false << QString();
    QTest::newRow("beside only") << true << false << QStringLiteral("beside");
    QTest::newRow("user only") << false << true << QStringLiteral("user");
    QTest::newRow("both") << true << true << QStringLiteral("beside");
}

void TestSettingsStore::loadPrefersTheFileThatSavesGoTo()
{
    QFETCH(bool, beside);
    QFETCH(bool, user);
    QFETCH(QString, read);

    QVERIFY(QDir().mkpath(userDir));
    const SettingsStore store(programDir, userDir, QStringLiteral("App.cfg"));
    if (beside)
        QVERIFY(writeFile(store.programFilePath(), QStringLiteral("beside")));
    if (user)
        QVERIFY(writeFile(store.userFilePath(), QStringLiteral("user")));
    QCOMPARE(store.read().value_or(QString()), read);
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
