#pragma once
// The sample files of tests/fixtures/, each named after the case it
// exercises, and a way to work on a copy of one.

#include <QDir>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>

namespace testsupport {

inline QString FixturePath(const QString& name)
{
    return QStringLiteral(TERVALA_FIXTURES "/") + name;
}

// Copies a fixture into a folder (under another name when asked) and makes
// the copy writable; returns the copy's path.
inline QString CopyFixture(const QString& name, const QString& folder, const QString& as = {})
{
    const QString target = QDir(folder).filePath(as.isEmpty() ? name : as);
    QFile::remove(target);
    if (!QFile::copy(FixturePath(name), target))
        ADD_FAILURE() << "cannot copy fixture " << name.toStdString();
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    return target;
}

} // namespace testsupport
