#pragma once
// Shared by the fuzz targets: the input written to a file of a per-process
// scratch folder (the readers under test read files), and the one kind of
// failure a reader may answer bad input with.

#include "platform/vb/Err.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

namespace fuzz {

inline const QTemporaryDir& Scratch()
{
    static QTemporaryDir dir;
    return dir;
}

inline QString WriteInput(const QString& name, const uint8_t* data, size_t size)
{
    const QString path = Scratch().filePath(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    return path;
}

inline QString WriteInput(const QString& name, const QByteArray& bytes)
{
    return WriteInput(name, reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
}

// Runs one reader call; a vb::ErrObject is the reader's answer to bad
// input, anything else (another exception, a crash, a hang) is a fault.
template <typename F> void Answered(F&& f)
{
    try {
        f();
    } catch (const vb::ErrObject&) {
    }
}

} // namespace fuzz
