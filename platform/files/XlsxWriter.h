#pragma once
// files::XlsxWriter: writes a new xlsx workbook row by row, the way Excel
// lays one out (text in the shared string table unless inline strings are
// asked for, dates with a date format). Rows stream to the file, so large
// workbooks for benchmarks need no memory beyond the distinct texts.

#include "platform/vb/Variant.h"

#include <QHash>
#include <QList>
#include <QString>
#include <memory>
#include <vector>

class QuaZip;
class QuaZipFile;
class QIODevice;
class QXmlStreamWriter;

namespace files {

class XlsxWriter {
public:
    struct Options {
        bool sharedStrings = true; // false: text as inline strings
    };

    // Starts the file; raises 75 when it cannot be created.
    explicit XlsxWriter(const QString& path);
    XlsxWriter(const QString& path, Options options);
    // Without finish() the unfinished file is removed.
    ~XlsxWriter();

    void addSheet(const QString& name);
    // Appends the next row of the current sheet; Empty and Null leave a cell
    // out, so an empty list makes an empty row.
    void addRow(const QList<vb::Variant>& values);
    // Writes the workbook parts and closes the file.
    void finish();

    struct Sheet {
        QString name;
        QList<QList<vb::Variant>> rows;
    };
    static void write(const QString& path, const QList<Sheet>& sheets);
    static void write(const QString& path, const QList<Sheet>& sheets, Options options);

private:
    void endSheet();

    QString m_path;
    Options m_options;
    std::unique_ptr<QuaZip> m_zip;
    std::unique_ptr<QuaZipFile> m_entry;
    std::unique_ptr<QIODevice> m_buffer;
    std::unique_ptr<QXmlStreamWriter> m_xml;
    QStringList m_sheets;
    int m_row = 0;
    QHash<QString, int> m_sstIndex;
    std::vector<QString> m_sst;
    bool m_finished = false;
};

} // namespace files
