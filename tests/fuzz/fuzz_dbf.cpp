// The DBF reader and in-place writer on arbitrary bytes. The input is two
// bytes of the memo file's length (little-endian), the memo file, then the
// table; every field of every record is read, then each field is written.

#include "FuzzSupport.h"
#include "platform/files/DbfTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    const size_t memoLength = std::min<size_t>(size - 2, size_t(data[0]) | (size_t(data[1]) << 8));
    const QByteArray memo(reinterpret_cast<const char*>(data + 2), qsizetype(memoLength));
    const QByteArray table(reinterpret_cast<const char*>(data + 2 + memoLength),
                           qsizetype(size - 2 - memoLength));
    fuzz::WriteInput(QStringLiteral("table.fpt"), memo);
    fuzz::WriteInput(QStringLiteral("table.dbt"), memo);
    const QString path = fuzz::WriteInput(QStringLiteral("table.dbf"), table);

    fuzz::Answered([&] {
        files::DbfTable t(path, files::DbfTable::Mode::ReadWrite);
        const qint64 records = std::min<qint64>(t.recordCount(), 100);
        for (qint64 r = 0; r < records; ++r) {
            fuzz::Answered([&] { t.isDeleted(r); });
            for (int f = 0; f < t.fieldCount(); ++f)
                fuzz::Answered([&] { t.value(r, f); });
        }
        if (records > 0) {
            const vb::Variant values[] = {vb::Variant(QStringLiteral("KEEP")),
                                          vb::Variant(2015551234LL),
                                          vb::Variant::fromDate(45000.25),
                                          vb::Variant(true),
                                          vb::Variant(1.5),
                                          vb::Variant::Null()};
            for (int f = 0; f < t.fieldCount(); ++f)
                for (const vb::Variant& v : values)
                    fuzz::Answered([&] { t.setValue(0, f, v); });
            fuzz::Answered([&] { t.setDeleted(0, true); });
        }
        fuzz::Answered([&] { t.appendRecord({vb::Variant(QStringLiteral("new"))}); });
    });
    return 0;
}
