#include "settingsstore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

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
    programDir = scratch->filePath(u"program"_s);
    userDir = scratch->filePath(u"user/tessary"_s);
    QVERIFY(QDir().mkpath(programDir));
}

void TestSettingsStore::keptBesideTheProgram()
{
    const SettingsStore store(programDir, userDir, u"App.cfg"_s);
    QVERIFY(store.write(u"first\n"_s));
    QVERIFY(store.write(u"second\n"_s));
    QCOMPARE(store.programFilePath(), programDir + u"/App.cfg"_s);
    QCOMPARE(readFile(store.programFilePath()), u"second\n"_s);
    QVERIFY(!QFile::exists(store.userFilePath()));
    QCOMPARE(store.read(), u"second\n"_s);
}

void TestSettingsStore::perUserWhenTheProgramFolderCannotHoldIt()
{
    // A "folder" below a plain file cannot be written by anyone, root included.
    QVERIFY(writeFile(scratch->filePath(u"plain"_s), u"x"_s));
    const SettingsStore store(scratch->filePath(u"plain/bin"_s), userDir, u"App.cfg"_s);
    QVERIFY(!store.read());
    QVERIFY(store.write(u"kept\n"_s));
    QCOMPARE(readFile(userDir + u"/App.cfg"_s), u"kept\n"_s);
    QCOMPARE(store.read(), u"kept\n"_s);
}

void TestSettingsStore::readOnlyProgramFolderFallsBackToUser()
{
    QVERIFY(QDir().mkpath(userDir));
    chmod(qPrintable(scratch->filePath(u"user"_s)), 0777);
    chmod(qPrintable(userDir), 0777);
    const SettingsStore store(programDir, userDir, u"App.cfg"_s);
    QVERIFY(writeFile(store.programFilePath(), u"shipped\n"_s));
    chmod(qPrintable(programDir), 0555);

    QVERIFY(asOrdinaryUser([&store] {
        // The shipped file is read until the user has a file of their own.
        return store.read() == u"shipped\n"_s && store.write(u"mine\n"_s) &&
               store.read() == u"mine\n"_s;
    }));
    QCOMPARE(readFile(store.programFilePath()), u"shipped\n"_s);
    QCOMPARE(readFile(store.userFilePath()), u"mine\n"_s);
}

void TestSettingsStore::nothingWritableKeepsTheOldFile()
{
    QVERIFY(QDir().mkpath(userDir));
    const SettingsStore store(programDir, userDir, u"App.cfg"_s);
    QVERIFY(writeFile(store.userFilePath(), u"old settings\n"_s));
    chmod(qPrintable(programDir), 0555);
    chmod(qPrintable(userDir), 0555);
    chmod(qPrintable(store.userFilePath()), 0644);

    QVERIFY(asOrdinaryUser([&store] { return !store.write(u"new\n"_s); }));
    QCOMPARE(readFile(store.userFilePath()), u"old settings\n"_s);
    QVERIFY(!QFile::exists(store.programFilePath()));
    QCOMPARE(QDir(userDir).entryList(QDir::Files), QStringList{u"App.cfg"_s});
}

void TestSettingsStore::loadPrefersTheFileThatSavesGoTo_data()
{
    QTest::addColumn<bool>("beside");
    QTest::addColumn<bool>("user");
    QTest::addColumn<QString>("read");

    QTest::newRow("neither") << false << false << QString();
    QTest::newRow("beside only") << true << false << u"beside"_s;
    QTest::newRow("user only") << false << true << u"user"_s;
    QTest::newRow("both") << true << true << u"beside"_s;
}

void TestSettingsStore::loadPrefersTheFileThatSavesGoTo()
{
    QFETCH(bool, beside);
    QFETCH(bool, user);
    QFETCH(QString, read);

    QVERIFY(QDir().mkpath(userDir));
    const SettingsStore store(programDir, userDir, u"App.cfg"_s);
    if (beside)
        QVERIFY(writeFile(store.programFilePath(), u"beside"_s));
    if (user)
        QVERIFY(writeFile(store.userFilePath(), u"user"_s));
    QCOMPARE(store.read().value_or(QString()), read);
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
