// The text-table reader (header, type guessing, every record and field) and
// the first-line layout of a calling list, on arbitrary bytes.

#include "FuzzSupport.h"
#include "platform/files/TextTable.h"
#include "scrub/TextLayout.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const char delimiters[] = {',', '\t', ';', '|'};
    const char delimiter = delimiters[data[0] % 4];
    const bool header = data[0] & 4;
    const QString path = fuzz::WriteInput(QStringLiteral("list.txt"), data + 1, size - 1);

    fuzz::Answered([&] {
        files::TextOptions options;
        options.header = header;
        options.delimiter = delimiter;
        files::TextTable table(path, options);
        table.recordCount();
        table.rewind();
        files::TextRecord record;
        for (int n = 0; n < 200 && table.next(record); ++n) {
            for (int c = 0; c <= table.columnCount(); ++c) {
                table.value(record, c);
                record.fieldBytes(c);
            }
            const files::TextLayout layout = table.layoutOf(record);
            QHash<int, QString> values{{0, QStringLiteral("X\"y,z")},
                                       {record.fieldCount() + 1, QStringLiteral("w")}};
            files::replaceFields(record, values, layout);
        }
    });

    fuzz::Answered([&] {
        QString title;
        const QString line = scrub::getFirstLine(path, header, &title);
        for (int fields = 1; fields <= 6; ++fields) {
            fuzz::Answered([&] {
                const QStringList pieces = scrub::GetDelimted(line, fields);
                scrub::RebuildLine(pieces,
                                   QStringList{QStringLiteral("2015551234"), QStringLiteral("a\"b,c")});
            });
        }
    });
    return 0;
}
