#pragma once
// A folder on a case-blind file system, as on a USB stick: an exFAT image
// mounted through its FUSE driver (which gives each spelling of one file an
// inode number of its own), once per test process and let go at its end.
// Where it cannot be mounted (no FUSE or loop device, not root) NewFolder
// is empty and Why says why.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

namespace testsupport {

class CaseBlindMount {
public:
    static CaseBlindMount& Get()
    {
        static CaseBlindMount mount;
        return mount;
    }
    QString NewFolder() // a new empty folder on it, ending in "/"
    {
        const QString folder = m_dir.path() + QStringLiteral("/mount/f%1/").arg(++m_folders);
        return m_mounted && QDir().mkpath(folder) ? folder : QString();
    }
    QString Why() const { return QStringLiteral("no exFAT image can be mounted here: ") + m_why; }

private:
    // As root the driver wants a block device; the loop device goes with the driver.
    CaseBlindMount()
    {
        m_mounted =
            m_dir.isValid() && Run("cd '%1' && mkdir mount && truncate -s 32M image && mkfs.exfat image && "
                                   "dev=$(losetup -f --show image) && { mount.exfat-fuse \"$dev\" mount; "
                                   "ok=$?; losetup -d \"$dev\"; exit $ok; }");
        QFile log(m_dir.filePath(QStringLiteral("log")));
        if (!m_mounted && log.open(QIODevice::ReadOnly)) m_why = QString::fromLocal8Bit(log.readAll());
    }
    ~CaseBlindMount()
    {
        if (m_mounted) Run("umount '%1/mount' || umount -l '%1/mount'");
    }
    bool Run(const char* script)
    {
        const QString line =
            QStringLiteral("(%1) >'%2/log' 2>&1").arg(QString::fromLatin1(script), m_dir.path());
        return std::system(QFile::encodeName(line.arg(m_dir.path())).constData()) == 0;
    }

    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_why;
    int m_folders = 0;
};

} // namespace testsupport
