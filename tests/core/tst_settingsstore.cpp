#include "randombytes.h"
#include "settingsstore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <functional>
#include <sys/resource.h>
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

// Runs the check in a child that may write no file beyond maxBytes, as on a full disk.
bool withDiskFullAfter(rlim_t maxBytes, const std::function<bool()> &check)
{
    const pid_t child = fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{maxBytes, maxBytes};
        _exit(setrlimit(RLIMIT_FSIZE, &limit) == 0 && check() ? 0 : 1);
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
    void damagedFile_data();
    void damagedFile();
    void diskFullKeepsTheOldFile_data();
    void diskFullKeepsTheOldFile();

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

void TestSettingsStore::damagedFile_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<bool>("readsText"); // the text is handed on, for the parser to judge
    QTest::newRow("empty") << u"empty"_s << true;
    QTest::newRow("random bytes, 200 KB") << u"random"_s << false;
    QTest::newRow("one line of 10 MB") << u"long line"_s << false;
    QTest::newRow("a folder in its place") << u"folder"_s << false;
    QTest::newRow("unreadable") << u"unreadable"_s << false;
    QTest::newRow("link to nowhere") << u"dangling link"_s << false;
    QTest::newRow("link to a device") << u"device link"_s << false;
}

// Whatever is in the file's place, the start reads nothing harmful and the next save is read
// back by the start after it. The user who runs the program makes the damage.
void TestSettingsStore::damagedFile()
{
    QFETCH(QString, damage);
    QFETCH(bool, readsText);

    const SettingsStore store(programDir, userDir, u"App.cfg"_s);
    for (const QString &dir : {programDir, scratch->filePath(u"user"_s)}) {
        QVERIFY(QDir().mkpath(dir));
        chmod(qPrintable(dir), 0777);
    }
    const QString gone = scratch->filePath(u"gone/App.cfg"_s);
    const auto makeDamage = [&store, &damage, &gone] {
        const QString path = store.programFilePath();
        QFile file(path);
        if (damage == u"empty"_s)
            return writeFile(path, QString());
        if (damage == u"random"_s || damage == u"long line"_s) {
            const QByteArray bytes = damage == u"random"_s
                                         ? randomBytes(200 * 1024, 20261206)
                                         : "KVX11.00" + QByteArray(10 * 1024 * 1024, 'x');
            return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
        }
        if (damage == u"folder"_s)
            return QDir().mkpath(path);
        if (damage == u"unreadable"_s)
            return writeFile(path, u"secret\n"_s) && chmod(qPrintable(path), 0) == 0;
        if (damage == u"dangling link"_s)
            return QFile::link(gone, path);
        return QFile::link(u"/dev/zero"_s, path);
    };

    QVERIFY(asOrdinaryUser([&] {
        if (!makeDamage())
            return false;
        const std::optional<QString> text = store.read();
        if (readsText ? text != QString() : text.has_value())
            return false;
        return store.write(u"good\n"_s) && store.read() == u"good\n"_s;
    }));
    // Nothing is made or removed on the damage's account: saves went to the per-user folder.
    QVERIFY(!QFileInfo::exists(gone));
    QVERIFY(QFileInfo(store.programFilePath()).isSymLink() ||
            QFileInfo::exists(store.programFilePath()));
}

void TestSettingsStore::diskFullKeepsTheOldFile_data()
{
    QTest::addColumn<bool>("programFolderWritable");
    QTest::newRow("beside the program") << true;
    QTest::newRow("per user") << false;
}

void TestSettingsStore::diskFullKeepsTheOldFile()
{
    QFETCH(bool, programFolderWritable);

    QVERIFY(QDir().mkpath(userDir));
    const SettingsStore store(programDir, userDir, u"App.cfg"_s);
    const QString path = programFolderWritable ? store.programFilePath() : store.userFilePath();
    const QString old = u"old settings, still whole\n"_s.repeated(4);
    QVERIFY(writeFile(path, old));
    if (!programFolderWritable)
        chmod(qPrintable(programDir), 0555);
    chmod(qPrintable(scratch->filePath(u"user"_s)), 0777);
    chmod(qPrintable(userDir), 0777);
    chmod(qPrintable(path), 0666);

    const QString longer = u"new settings that do not fit\n"_s.repeated(8);
    QVERIFY(asOrdinaryUser([&store, &longer] {
        return withDiskFullAfter(64, [&store, &longer] { return !store.write(longer); });
    }));
    QCOMPARE(readFile(path), old);
    QCOMPARE(store.read(), old);
    // Nothing half-written is left behind, in either folder.
    QCOMPARE(QDir(programDir).entryList(QDir::Files | QDir::Hidden),
             programFolderWritable ? QStringList{u"App.cfg"_s} : QStringList());
    QCOMPARE(QDir(userDir).entryList(QDir::Files | QDir::Hidden),
             programFolderWritable ? QStringList() : QStringList{u"App.cfg"_s});
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
