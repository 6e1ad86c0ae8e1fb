#pragma once
// A folder on a case-blind file system, as a calling list on a USB stick
// lies in: an exFAT image mounted through its FUSE driver (which, unlike the
// kernel's, gives each spelling of one file an inode number of its own).
// Mounted once per test process, at first use, and let go at its end.
// Where it cannot be mounted (no FUSE, no loop device, not root) there is
// none, and Why() says so for the skip.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
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
    // A new empty folder on it, ending in "/"; empty when there is no mount.
    QString NewFolder()
    {
        if (!m_mounted) return {};
        const QString folder = m_dir.path() + QStringLiteral("/mount/f%1/").arg(++m_folders);
        return QDir().mkpath(folder) ? folder : QString();
    }
    QString Why() const { return m_why; }

private:
    CaseBlindMount()
    {
        // The driver needs a block device when run as root; the loop device
        // is let go at once and goes with the driver.
        const QString script = QStringLiteral(
            "(cd '%1' && mkdir mount && truncate -s 32M image && mkfs.exfat image && "
            "dev=$(losetup -f --show image) && "
            "{ mount.exfat-fuse \"$dev\" mount; ok=$?; losetup -d \"$dev\"; exit $ok; }) >'%1/log' 2>&1");
        m_mounted =
            m_dir.isValid() && std::system(QFile::encodeName(script.arg(m_dir.path())).constData()) == 0;
        if (!m_mounted) {
            QFile log(m_dir.path() + QStringLiteral("/log"));
            m_why = QStringLiteral("no exFAT image can be mounted here: ") +
                    (log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll()) : QString());
        }
    }
    ~CaseBlindMount()
    {
        if (m_mounted)
            std::system(QFile::encodeName(
                            QStringLiteral("umount '%1/mount' || umount -l '%1/mount'").arg(m_dir.path()))
                            .constData());
    }

    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_why;
    int m_folders = 0;
};

} // namespace testsupport
