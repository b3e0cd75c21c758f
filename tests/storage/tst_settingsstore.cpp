#include "storage/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <functional>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QString readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : u"-"_s;
}

// A file the user in the child may replace.
bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() &&
           file.setPermissions(QFileDevice::Permissions(0x6666));
}

// Runs the check in a child: as a user without rights on the folders made read-only (root
// writes anywhere) unless asRoot, and unable to write a file beyond maxBytes, as on a full disk.
bool inChild(const std::function<bool()> &check, rlim_t maxBytes = RLIM_INFINITY,
             bool asRoot = false)
{
    const pid_t child = fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{maxBytes, maxBytes};
        const bool dropped = asRoot || geteuid() != 0 || (setgid(65534) == 0 && setuid(65534) == 0);
        _exit(dropped && setrlimit(RLIMIT_FSIZE, &limit) == 0 && check() ? 0 : 1);
    }
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

// Where the settings file is read and written, and that a save replaces it whole or not at all.
class TestSettingsStore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void whereItIsReadAndSaved_data();
    void whereItIsReadAndSaved();
    void damagedFile_data();
    void damagedFile();
    void diskFullKeepsTheOldFile();
    void installedCopyKeepsSettingsPerUser();

private:
    QString path(const char *name) const { return scratch->filePath(QLatin1String(name)); }
    // What the folders hold, beside the program and per user, names and texts.
    QString contents() const
    {
        QStringList found;
        for (const char *dir : {"program", "user/tessary"})
            for (const QString &name : QDir(path(dir)).entryList(QDir::Files | QDir::Hidden))
                found << name + u'=' + readFile(QDir(path(dir)).filePath(name));
        return found.join(u' ');
    }

    std::unique_ptr<QTemporaryDir> scratch;
    std::unique_ptr<SettingsStore> store;
};

void TestSettingsStore::init()
{
    scratch = std::make_unique<QTemporaryDir>();
    // The folders are the user's own who runs the checks in a child.
    for (const char *dir : {"", "program", "user", "user/tessary"}) {
        QVERIFY(QDir().mkpath(path(dir)));
        chmod(qPrintable(path(dir)), 0777);
        QVERIFY(geteuid() != 0 || chown(qPrintable(path(dir)), 65534, 65534) == 0);
    }
    store = std::make_unique<SettingsStore>(path("program"), path("user/tessary"), u"App.cfg"_s);
}

void TestSettingsStore::whereItIsReadAndSaved_data()
{
    // Files beside the program and per user, and which folders the user may write; then what a
    // start reads, whether a save succeeds, and where the files stand after it.
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    const auto row = [](const char *tag, const char *before, const char *after) {
        QTest::newRow(tag) << QString::fromUtf8(before) << QString::fromUtf8(after);
    };
    row("no file yet", "- - rw rw", "- saved new -");
    row("beside", "beside - rw rw", "beside saved new -");
    row("per user", "- user rw rw", "user saved new user");
    row("both", "beside user rw rw", "beside saved new user");
    row("read-only program folder", "shipped - r rw", "shipped saved shipped new");
    row("read-only, per user", "shipped user r rw", "user saved shipped new");
    row("nothing writable", "- user r r", "user failed - user");
}

void TestSettingsStore::whereItIsReadAndSaved()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    const QStringList given = before.split(u' ');
    QVERIFY(given[0] == u"-"_s || writeFile(store->programFilePath(), given[0].toUtf8()));
    QVERIFY(given[1] == u"-"_s || writeFile(store->userFilePath(), given[1].toUtf8()));
    chmod(qPrintable(path("program")), given[2] == u"rw"_s ? 0777 : 0555);
    chmod(qPrintable(path("user/tessary")), given[3] == u"rw"_s ? 0777 : 0555);
    QVERIFY(inChild([&] {
        const QString read = store->read().value_or(u"-"_s);
        const bool saved = store->write(u"new"_s);
        return QStringList{read, saved ? u"saved"_s : u"failed"_s,
                           readFile(store->programFilePath()), readFile(store->userFilePath())}
                       .join(u' ') == after &&
               (!saved || store->read() == u"new"_s);
    }));
}

void TestSettingsStore::damagedFile_data()
{
    // What is in the file's place; then what a start reads of it ("none": nothing, not even an
    // empty text) and what a link leads to after the next save ("-": nothing).
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("after");
    for (const char *row :
         {"empty|", "random bytes, 200 KB|none", "one line of 10 MB|none", "a folder|none",
          "unreadable|none", "link to nowhere|none|-", "link to a FIFO|none|fifo",
          "link to a device|none|device", "link to a file|old|good"})
        QTest::newRow(QByteArray(row).split('|').first())
            << QString::fromUtf8(row).section(u'|', 0, 0)
            << QString::fromUtf8(row).section(u'|', 1);
}

// Whatever is in the file's place, a start reads nothing harmful, and the next save is read back
// by the start after it. A save never goes through a link to anything but a regular file: a
// rename over a device node would replace it.
void TestSettingsStore::damagedFile()
{
    QFETCH(QString, damage);
    QFETCH(QString, after);
    const QString file = store->programFilePath();
    const QString target = path("target/App.cfg");
    QVERIFY(QDir().mkpath(path("target")) && chmod(qPrintable(path("target")), 0777) == 0);
    if (damage == u"link to a device"_s &&
        mknod(qPrintable(target), S_IFCHR | 0666, makedev(1, 3)) != 0)
        QSKIP("making a device node needs root");
    QVERIFY(damage != u"link to a FIFO"_s || mkfifo(qPrintable(target), 0666) == 0);
    // Links are followed by root, as people run the program to get past a port's permissions,
    // from a folder of root's own.
    const bool asRoot = damage.startsWith(u"link"_s);
    QVERIFY(!asRoot || chown(qPrintable(path("program")), geteuid(), getegid()) == 0);
    QVERIFY(damage != u"link to a file"_s || writeFile(target, "old"));
    QByteArray random(200 << 10, Qt::Uninitialized); // the same bytes on every run
    QRandomGenerator(1206).fillRange(reinterpret_cast<quint32 *>(random.data()), random.size() / 4);
    const QHash<QString, QByteArray> bytes{
        {u"unreadable"_s, "KVX11.00"},
        {u"random bytes, 200 KB"_s, random},
        {u"one line of 10 MB"_s, "KVX11.00" + QByteArray(10 << 20, 'x')}};
    QVERIFY(asRoot                    ? QFile::link(target, file)
            : damage == u"a folder"_s ? QDir().mkpath(file)
                                      : writeFile(file, bytes.value(damage)));
    QVERIFY(damage != u"unreadable"_s || chmod(qPrintable(file), 0) == 0);
    QVERIFY(inChild(
        [&] {
            return store->read().value_or(u"none"_s) == after.section(u'|', 0, 0) &&
                   store->write(u"good"_s) && store->read() == u"good"_s;
        },
        RLIM_INFINITY, asRoot));
    struct stat node = {};
    const bool exists = stat(qPrintable(target), &node) == 0;
    QCOMPARE(!asRoot                  ? QString()
             : S_ISCHR(node.st_mode)  ? u"device"_s
             : S_ISFIFO(node.st_mode) ? u"fifo"_s
                                      : (exists ? readFile(target) : u"-"_s),
             after.section(u'|', 1));
    // Nothing is made or removed on the damage's account.
    QVERIFY(QFileInfo(file).isSymLink() || QFileInfo::exists(file));
}

void TestSettingsStore::diskFullKeepsTheOldFile()
{
    for (const QString &file : {store->userFilePath(), store->programFilePath()}) {
        QVERIFY(writeFile(file, QByteArray("old settings, still whole\n").repeated(4)));
        chmod(qPrintable(path("program")), file == store->userFilePath() ? 0555 : 0777);
        const QString before = contents();
        // Said in the system's words.
        QVERIFY(inChild(
            [this, file] {
                QString why;
                return !store->write(u"new settings that do not fit\n"_s.repeated(8), &why) &&
                       why == file + u": File too large"_s;
            },
            64));
        // The old file whole, and nothing half-written left behind in either folder.
        QCOMPARE(contents(), before);
    }
}

// Whoever runs an installed copy, root included, saves into their own folder, never beside it,
// with or without HOME; so does a copy in a folder of someone else's.
void TestSettingsStore::installedCopyKeepsSettingsPerUser()
{
    QVERIFY(chown(qPrintable(path("program")), geteuid(), getegid()) == 0);
    const SettingsStore installed(path("program"), path("user/tessary"), u"App.cfg"_s, {path("")});
    QVERIFY(installed.write(u"root"_s));
    QCOMPARE(contents(), u"App.cfg=root"_s);
    QVERIFY(QFile::remove(installed.userFilePath())); // root's home is not the user's
    QVERIFY(inChild([&] {
        // With HOME unset, the home folder comes from the password database.
        qunsetenv("HOME");
        qunsetenv("XDG_CONFIG_HOME");
        return installed.write(u"user"_s) && installed.read() == u"user"_s &&
               SettingsStore::forApplication().userFilePath().startsWith(
                   QFile::decodeName(getpwuid(geteuid())->pw_dir) + u"/.config/tessary/"_s);
    }));
    QCOMPARE(contents(), u"App.cfg=user"_s);
    if (geteuid() != 0)
        QSKIP("giving a folder to another user needs root");
    QVERIFY(chown(qPrintable(path("program")), 65534, 65534) == 0);
    QVERIFY(store->write(u"elsewhere"_s));
    QCOMPARE(contents(), u"App.cfg=elsewhere"_s);
    QVERIFY(!QFile::exists(store->programFilePath()));
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
