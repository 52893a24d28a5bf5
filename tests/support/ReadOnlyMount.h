#pragma once

#include <QProcess>
#include <QString>

// Makes a folder read-only for everyone, root included, by binding it onto itself read-only.
// ok() is false where mounting is not allowed (then the test skips).
class ReadOnlyMount
{
public:
    explicit ReadOnlyMount(const QString& folder) : m_folder(folder)
    {
        if (run({QStringLiteral("--bind"), folder, folder}) != 0)
            return;
        m_bound = true;
        m_ok = run({QStringLiteral("-o"), QStringLiteral("remount,bind,ro"), folder}) == 0;
    }
    ~ReadOnlyMount()
    {
        if (m_bound)
            QProcess::execute(QStringLiteral("umount"), {m_folder});
    }
    ReadOnlyMount(const ReadOnlyMount&) = delete;
    ReadOnlyMount& operator=(const ReadOnlyMount&) = delete;
    bool ok() const { return m_ok; }

private:
    static int run(const QStringList& args)
    {
        QProcess p;
        p.start(QStringLiteral("mount"), args);
        if (!p.waitForFinished(10000))
            return -1;
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
    QString m_folder;
    bool m_bound = false;
    bool m_ok = false;
};
