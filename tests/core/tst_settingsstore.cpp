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
// writes anywhere), and unable to write a file beyond maxBytes, as on a full disk.
bool inChild(const std::function<bool()> &check, rlim_t maxBytes = RLIM_INFINITY)
{
    const pid_t child = fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{maxBytes, maxBytes};
        const bool dropped = geteuid() != 0 || (setgid(65534) == 0 && setuid(65534) == 0);
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
    for (const char *dir : {"", "program", "user", "user/tessary"}) {
        QVERIFY(QDir().mkpath(path(dir)));
        chmod(qPrintable(path(dir)), 0777);
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
    QTest::addColumn<QString>("damage");
    QTest::addColumn<bool>("readsText"); // handed on for the parser to judge
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
    const QString file = store->programFilePath();
    const auto makeDamage = [&] {
        if (damage == u"empty"_s || damage == u"random"_s || damage == u"long line"_s)
            return writeFile(file, damage == u"empty"_s ? QByteArray()
                                   : damage == u"random"_s
                                       ? randomBytes(200 * 1024, 1206)
                                       : "KVX11.00" + QByteArray(10 << 20, 'x'));
        if (damage == u"folder"_s)
            return QDir().mkpath(file);
        if (damage == u"unreadable"_s)
            return writeFile(file, "secret") && chmod(qPrintable(file), 0) == 0;
        return QFile::link(damage == u"dangling link"_s ? path("gone/App.cfg") : u"/dev/zero"_s,
                           file);
    };
    QVERIFY(inChild([&] {
        const std::optional<QString> text = makeDamage() ? store->read() : u"failed"_s;
        return (readsText ? text == QString() : !text) && store->write(u"good"_s) &&
               store->read() == u"good"_s;
    }));
    // Nothing is made or removed on the damage's account.
    QVERIFY(!QFileInfo::exists(path("gone")));
    QVERIFY(QFileInfo(file).isSymLink() || QFileInfo::exists(file));
}

void TestSettingsStore::diskFullKeepsTheOldFile()
{
    for (const QString &file : {store->userFilePath(), store->programFilePath()}) {
        QVERIFY(writeFile(file, QByteArray("old settings, still whole\n").repeated(4)));
        chmod(qPrintable(path("program")), file == store->userFilePath() ? 0555 : 0777);
        const QString before = contents();
        QVERIFY(inChild(
            [this] { return !store->write(u"new settings that do not fit\n"_s.repeated(8)); }, 64));
        // The old file whole, and nothing half-written left behind in either folder.
        QCOMPARE(contents(), before);
    }
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
