#include "platform/fso/FileSystemObject.h"

#include "platform/fso/FileReplace.h"
#include "platform/vb/Err.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fso {
namespace {

bool isSeparator(QChar c)
{
    return c == u'/' || c == u'\\';
}

QString withoutTrailingSeparators(const QString& path)
{
    qsizetype n = path.size();
    while (n > 1 && isSeparator(path[n - 1]))
        --n;
    return path.left(n);
}

qsizetype lastSeparator(const QString& path)
{
    return std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
}

// The folder a file path lies in must exist, or the path is not found.
void requireParent(const QString& path)
{
    if (path.isEmpty()) vb::Raise(vb::errnum::BadFileNameOrNumber);
    const QFileInfo info(path);
    if (!info.absoluteDir().exists()) vb::Raise(vb::errnum::PathNotFound);
}

// The file the destination names: a folder (or a path ending in "/") takes
// the source's own name.
QString resolveDestination(const QString& source, const QString& destination)
{
    if (destination.endsWith(u'/') || QFileInfo(destination).isDir())
        return QDir(destination).filePath(QFileInfo(source).fileName());
    return destination;
}

} // namespace

int CreateNewFile(const QString& target, unsigned mode)
{
    requireParent(target);
    const QByteArray name = QFile::encodeName(target);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        const int error = errno;
        if (error == EEXIST) vb::Raise(vb::errnum::FileAlreadyExists);
        if (error == ENOENT || error == ENOTDIR) vb::Raise(vb::errnum::PathNotFound);
        vb::Raise(error == EACCES || error == EPERM || error == EROFS ? vb::errnum::PermissionDenied
                                                                      : vb::errnum::DeviceIOError,
                  QStringLiteral("CopyFile"), WriteFailure(target, error));
    }
    // The bits asked for, not narrowed by the umask: the file is this one.
    ::fchmod(fd, mode & 07777);
    return fd;
}

void CopyToNewFile(const QString& source, const QString& target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) vb::Raise(vb::errnum::PermissionDenied);
    struct stat st {};
    if (::fstat(in.handle(), &st) != 0 || !S_ISREG(st.st_mode)) vb::Raise(vb::errnum::PermissionDenied);
    const int fd = CreateNewFile(target, st.st_mode & 0777);
    const QByteArray name = QFile::encodeName(target);
    int error = 0;
    QByteArray chunk;
    while (error == 0 && !(chunk = in.read(1 << 20)).isEmpty()) {
        const char* data = chunk.constData();
        qsizetype left = chunk.size();
        while (left > 0) {
            const ssize_t n = ::write(fd, data, std::size_t(left));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                error = n < 0 ? errno : ENOSPC;
                break;
            }
            data += n;
            left -= n;
        }
    }
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    ::close(fd);
    const bool readFailed = error == 0 && in.error() != QFileDevice::NoError;
    if (error != 0 || readFailed) {
        ::unlink(name.constData()); // made here, exclusively: no one else's file
        vb::Raise(vb::errnum::DeviceIOError, QStringLiteral("CopyFile"),
                  readFailed ? QStringLiteral("Cannot read the file '%1'.").arg(source)
                             : WriteFailure(target, error));
    }
    SyncFolderOf(target);
}

bool FileSystemObject::FileExists(const QString& path) const
{
    return !path.isEmpty() && QFileInfo(path).isFile();
}

bool FileSystemObject::FolderExists(const QString& path) const
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

void FileSystemObject::DeleteFile(const QString& path, bool) const
{
    requireParent(path);
    if (!FileExists(path)) vb::Raise(vb::errnum::FileNotFound);
    if (!QFile::remove(path)) vb::Raise(vb::errnum::PermissionDenied);
}

void FileSystemObject::MoveFile(const QString& source, const QString& destination) const
{
    requireParent(source);
    if (!FileExists(source)) vb::Raise(vb::errnum::FileNotFound);
    const QString target = resolveDestination(source, destination);
    requireParent(target);
    if (QFileInfo::exists(target)) vb::Raise(vb::errnum::FileAlreadyExists);
    if (!QFile::rename(source, target)) vb::Raise(vb::errnum::PermissionDenied);
}

void FileSystemObject::CopyFile(const QString& source, const QString& destination, bool overwrite) const
{
    requireParent(source);
    if (!FileExists(source)) vb::Raise(vb::errnum::FileNotFound);
    const QString target = resolveDestination(source, destination);
    requireParent(target);
    if (!overwrite) {
        CopyToNewFile(source, target);
        return;
    }
    const QFileInfo targetInfo(target);
    if (targetInfo.exists() && (targetInfo.isDir() || !targetInfo.isWritable()))
        vb::Raise(vb::errnum::PermissionDenied);
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) vb::Raise(vb::errnum::PermissionDenied);
    struct stat st {};
    if (::fstat(in.handle(), &st) != 0) vb::Raise(vb::errnum::PermissionDenied);
    // A new file takes the source's bits; an existing one keeps its own.
    ReplacementFile out(target, st.st_mode & 0777);
    out.Open();
    QByteArray chunk;
    while (!(chunk = in.read(1 << 20)).isEmpty())
        out.Write(chunk);
    if (in.error() != QFileDevice::NoError)
        vb::Raise(vb::errnum::DeviceIOError, QStringLiteral("CopyFile"),
                  QStringLiteral("Cannot read the file '%1'.").arg(source));
    out.Commit();
}

void FileSystemObject::CreateFolder(const QString& path) const
{
    requireParent(withoutTrailingSeparators(path));
    if (QFileInfo::exists(path)) vb::Raise(vb::errnum::FileAlreadyExists);
    if (!QDir().mkdir(path)) vb::Raise(vb::errnum::PermissionDenied);
}

TextStreamPtr FileSystemObject::OpenTextFile(const QString& path, IOMode mode, bool create, int) const
{
    if (mode != ForReading && mode != ForWriting && mode != ForAppending)
        vb::Raise(vb::errnum::InvalidProcedureCall);
    requireParent(path);
    const QFileInfo info(path);
    if (info.isDir()) vb::Raise(vb::errnum::PermissionDenied);
    if (!info.exists()) {
        if (!create) vb::Raise(vb::errnum::FileNotFound);
        if (mode == ForReading) {
            QFile empty(path);
            if (!empty.open(QIODevice::WriteOnly)) vb::Raise(vb::errnum::PermissionDenied);
        }
    } else if (mode != ForReading && !info.isWritable()) {
        vb::Raise(vb::errnum::PermissionDenied);
    }

    if (mode == ForWriting) {
        auto out = std::make_unique<ReplacementFile>(path);
        out->Open();
        return TextStreamPtr(new TextStream(std::move(out)));
    }
    auto file = std::make_unique<QFile>(path);
    const bool opened = mode == ForReading
                            ? file->open(QIODevice::ReadOnly)
                            : file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
    if (!opened) vb::Raise(vb::errnum::PermissionDenied);
    return TextStreamPtr(new TextStream(std::move(file), mode));
}

TextStreamPtr FileSystemObject::CreateTextFile(const QString& path, bool overwrite, bool) const
{
    requireParent(path);
    if (!overwrite && QFileInfo::exists(path)) vb::Raise(vb::errnum::FileAlreadyExists);
    return OpenTextFile(path, ForWriting, true);
}

QString FileSystemObject::GetFileName(const QString& path) const
{
    const QString p = withoutTrailingSeparators(path);
    if (p.size() == 1 && isSeparator(p[0])) return {};
    return p.mid(lastSeparator(p) + 1);
}

QString FileSystemObject::GetParentFolderName(const QString& path) const
{
    const QString p = withoutTrailingSeparators(path);
    const qsizetype at = lastSeparator(p);
    if (at < 0) return {};
    return at == 0 ? p.left(1) : p.left(at);
}

QString FileSystemObject::GetBaseName(const QString& path) const
{
    const QString name = GetFileName(path);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? name : name.left(dot);
}

QString FileSystemObject::GetExtensionName(const QString& path) const
{
    const QString name = GetFileName(path);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot + 1);
}

QString FileSystemObject::BuildPath(const QString& path, const QString& name) const
{
    if (path.isEmpty()) return name;
    if (isSeparator(path.back())) return path + name;
    return path + u'/' + name;
}

} // namespace fso
