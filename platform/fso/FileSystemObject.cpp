#include "platform/fso/FileSystemObject.h"

#include "platform/fso/FileReplace.h"
#include "platform/vb/Err.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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
    const QFileInfo targetInfo(target);
    if (targetInfo.exists()) {
        if (!overwrite) vb::Raise(vb::errnum::FileAlreadyExists);
        if (targetInfo.isDir() || !targetInfo.isWritable()) vb::Raise(vb::errnum::PermissionDenied);
    }
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) vb::Raise(vb::errnum::PermissionDenied);
    ReplacementFile out(target);
    out.Open();
    QByteArray chunk;
    while (!(chunk = in.read(1 << 20)).isEmpty())
        out.Write(chunk);
    if (in.error() != QFileDevice::NoError)
        vb::Raise(vb::errnum::DeviceIOError, QStringLiteral("CopyFile"),
                  QStringLiteral("Cannot read the file '%1'.").arg(source));
    out.Commit();
    QFile::setPermissions(target, in.permissions());
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
