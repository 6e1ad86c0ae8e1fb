#pragma once
// Small helpers for the data-file tests: a temporary folder per test and
// whole-file byte access.

#include "support/SqliteFile.h"
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QVector>
#include <QtEndian>
#include <cstring>
#include <gtest/gtest.h>

namespace filestest {

class TempFolder {
public:
    TempFolder() { EXPECT_TRUE(m_dir.isValid()); }
    QString path(const QString& name) const { return m_dir.filePath(name); }

    QString write(const QString& name, const QByteArray& bytes) const
    {
        const QString p = path(name);
        QFile f(p);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        return p;
    }

private:
    QTemporaryDir m_dir;
};

struct RawField {
    const char* name;
    char type;
    int width;
    int decimals;
};

// A table built byte by byte, the way other programs write them. With a
// recordLength, the header states that length whatever the fields add up to.
inline QByteArray makeDbf(unsigned char version, unsigned char languageDriver,
                          const QVector<RawField>& fields, const QList<QByteArray>& records,
                          int recordLength = 0)
{
    const bool vfp = version >= 0x30 && version <= 0x32;
    if (recordLength == 0) {
        recordLength = 1;
        for (const auto& f : fields)
            recordLength += f.width;
    }
    const int headerLength = 32 + 32 * int(fields.size()) + 1 + (vfp ? 263 : 0);
    QByteArray b(headerLength, '\0');
    b[0] = char(version);
    b[1] = char(99);
    b[2] = char(7);
    b[3] = char(4);
    qToLittleEndian<quint32>(quint32(records.size()), b.data() + 4);
    qToLittleEndian<quint16>(quint16(headerLength), b.data() + 8);
    qToLittleEndian<quint16>(quint16(recordLength), b.data() + 10);
    b[29] = char(languageDriver);
    int pos = 32;
    for (const auto& f : fields) {
        memcpy(b.data() + pos, f.name, strlen(f.name));
        b[pos + 11] = f.type;
        b[pos + 16] = char(f.width);
        b[pos + 17] = char(f.decimals);
        pos += 32;
    }
    b[pos] = '\r';
    for (const QByteArray& r : records) {
        EXPECT_EQ(r.size(), recordLength);
        b += r;
    }
    b += '\x1A';
    return b;
}

using testsupport::ReadFile;

} // namespace filestest
