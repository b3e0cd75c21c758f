#pragma once

#include "endswithtest.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <csignal>

// tessaryd started by a test from a configuration it writes (readable by its owner alone, as a
// file that holds a secret must be), and what it logs.
class RunningService
{
public:
    explicit RunningService(QString folder) : m_folder(std::move(folder))
    {
        endsWithTest(m_process);
    }
    ~RunningService() { stop(); }

    QString configuration() const { return m_folder + QStringLiteral("/tessaryd.conf"); }
    void configure(const QString &text) const
    {
        QFile file(configuration());
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(text.toUtf8());
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    // Started on its configuration, with its state in the folder, and its local socket too
    // unless it is to be where tessary-send looks for it.
    void start(const QStringList &more = {}, bool socketOfItsOwn = true)
    {
        m_log.clear();
        m_process.setProcessEnvironment(environment());
        QStringList options{QStringLiteral("--config"), configuration()};
        if (socketOfItsOwn)
            options << QStringLiteral("--socket") << m_folder + QStringLiteral("/tessaryd.sock");
        m_process.start(QStringLiteral(TESSARY_DAEMON), options + more);
    }
    // Run once more with these options, to its end: its exit status; what it printed on
    // standard output in printed.
    int ask(const QStringList &options, QByteArray *printed = nullptr) const
    {
        QProcess once;
        once.setProcessEnvironment(environment());
        once.start(QStringLiteral(TESSARY_DAEMON),
                   QStringList{QStringLiteral("--config"), configuration()} + options);
        once.waitForFinished();
        if (printed)
            *printed = once.readAllStandardOutput() + once.readAllStandardError();
        return once.exitCode();
    }
    // Whether it logged these words count times within a while.
    bool says(const QByteArray &words, int count = 1, int ms = 5000)
    {
        for (QDeadlineTimer deadline(ms); m_log.count(words) < count && !deadline.hasExpired();
             QTest::qWait(10))
            m_log += m_process.readAllStandardError();
        return m_log.count(words) >= count;
    }
    void signal(int number) { ::kill(pid_t(m_process.processId()), number); }
    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        signal(SIGTERM);
        m_process.waitForFinished();
    }
    QProcess &process() { return m_process; }
    QByteArray log() { return m_log += m_process.readAllStandardError(); }

private:
    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("STATE_DIRECTORY"), m_folder + QStringLiteral("/state"));
        return environment;
    }

    QString m_folder;
    QProcess m_process;
    QByteArray m_log;
};
