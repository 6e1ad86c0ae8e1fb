#pragma once
// A minimal Excel 97-2003 file built by hand for the .xls tests: a compound
// file with one stream holding BIFF8 records (globals with two sheets,
// shared strings and a date format, then the sheets' cells).

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtEndian>
#include <cstring>

namespace wbtest {

class Biff {
public:
    static void u16(QByteArray& b, quint16 v)
    {
        char t[2];
        qToLittleEndian(v, t);
        b.append(t, 2);
    }
    static void u32(QByteArray& b, quint32 v)
    {
        char t[4];
        qToLittleEndian(v, t);
        b.append(t, 4);
    }
    static void f64(QByteArray& b, double v)
    {
        char t[8];
        std::memcpy(t, &v, 8);
        b.append(t, 8);
    }
    static QByteArray record(quint16 type, const QByteArray& data)
    {
        QByteArray r;
        u16(r, type);
        u16(r, static_cast<quint16>(data.size()));
        return r + data;
    }
    static QByteArray bof(quint16 kind)
    {
        QByteArray d;
        u16(d, 0x0600);
        u16(d, kind);
        u16(d, 0x0DBB);
        u16(d, 0x07CC);
        u32(d, 0);
        u32(d, 6);
        return record(0x0809, d);
    }
    static QByteArray xf(quint16 format, bool style)
    {
        QByteArray d;
        u16(d, 0);      // font
        u16(d, format); // number format
        u16(d, style ? 0xFFF5 : 0x0001);
        d.append(14, '\0');
        return record(0x00E0, d);
    }
    static QByteArray number(quint16 row, quint16 col, quint16 xfIndex, double v)
    {
        QByteArray d;
        u16(d, row);
        u16(d, col);
        u16(d, xfIndex);
        f64(d, v);
        return record(0x0203, d);
    }
    static QByteArray labelSst(quint16 row, quint16 col, quint32 index)
    {
        QByteArray d;
        u16(d, row);
        u16(d, col);
        u16(d, 15);
        u32(d, index);
        return record(0x00FD, d);
    }
    static QByteArray boolErr(quint16 row, quint16 col, bool v)
    {
        QByteArray d;
        u16(d, row);
        u16(d, col);
        u16(d, 15);
        d.append(char(v ? 1 : 0));
        d.append('\0');
        return record(0x0205, d);
    }
    // A BIFF8 string: count (one or two bytes), flags, characters one byte
    // each (Latin-1) or, when `wide`, two.
    static QByteArray text(const QString& t, bool wide, int countBytes = 2)
    {
        QByteArray d;
        if (countBytes == 1)
            d.append(char(t.size()));
        else
            u16(d, static_cast<quint16>(t.size()));
        d.append(char(wide ? 1 : 0));
        if (wide)
            d.append(reinterpret_cast<const char*>(t.utf16()), t.size() * 2);
        else
            d += t.toLatin1();
        return d;
    }
    static QByteArray cellHead(quint16 row, quint16 col)
    {
        QByteArray d;
        u16(d, row);
        u16(d, col);
        u16(d, 15);
        return d;
    }
    static QByteArray label(quint16 row, quint16 col, const QString& t, bool wide = false)
    {
        return record(0x0204, cellHead(row, col) + text(t, wide));
    }
    // A formula cell whose result is text, followed by that text.
    static QByteArray formulaText(quint16 row, quint16 col, const QString& t)
    {
        QByteArray d = cellHead(row, col);
        d += QByteArray("\0\0\0\0\0\0\xFF\xFF", 8); // the result is in the STRING record
        u16(d, 0);
        u32(d, 0);
        u16(d, 3);                          // formula tokens: 3 bytes
        d += QByteArray("\x1E\x01\x00", 3); // the integer 1
        return record(0x0006, d) + record(0x0207, text(t, false));
    }
    // Numbers in columns from `col` on, as RK values (30-bit integers).
    static QByteArray mulRk(quint16 row, quint16 col, const QList<qint32>& values)
    {
        QByteArray d;
        u16(d, row);
        u16(d, col);
        for (qint32 v : values) {
            u16(d, 15);
            u32(d, quint32(v) << 2 | 2);
        }
        u16(d, static_cast<quint16>(col + values.size() - 1));
        return record(0x00BD, d);
    }
    static QByteArray format(quint16 index, const QString& code)
    {
        QByteArray d;
        u16(d, index);
        return record(0x041E, d + text(code, true));
    }
    static QByteArray dimensions(quint32 rows, quint16 cols)
    {
        QByteArray d;
        u32(d, 0);
        u32(d, rows);
        u16(d, 0);
        u16(d, cols);
        u16(d, 0);
        return record(0x0200, d);
    }
};

// Sheets: name and the cell records (rows, columns from 0).
struct BiffSheet {
    QString name;
    quint32 rows;
    quint16 cols;
    QByteArray cells;
};

// `globalsExtra` goes among the global records before the sheet list;
// `sstRecords`, when given, stands in for the shared strings built from `sst`.
inline QByteArray biffWorkbook(const QList<QString>& sst, const QList<BiffSheet>& sheets,
                               const QByteArray& globalsExtra = {}, const QByteArray& sstRecords = {})
{
    QByteArray globals = Biff::bof(0x0005);
    QByteArray cp;
    Biff::u16(cp, 0x04B0);
    globals += Biff::record(0x0042, cp);
    QByteArray dm;
    Biff::u16(dm, 0);
    globals += Biff::record(0x0022, dm);
    for (int i = 0; i < 15; ++i)
        globals += Biff::xf(0, true); // style records
    globals += Biff::xf(0, false);    // 15: General
    globals += Biff::xf(14, false);   // 16: a date
    globals += globalsExtra;
    // BOUNDSHEET records point at the sheets' BOF; their size is fixed by
    // the name length, so the offsets can be worked out first.
    QList<QByteArray> bound;
    int boundSize = 0;
    for (const BiffSheet& s : sheets)
        boundSize += 4 + 4 + 2 + 2 + s.name.toLatin1().size();
    QByteArray sstRec;
    Biff::u32(sstRec, sst.size());
    Biff::u32(sstRec, sst.size());
    for (const QString& s : sst) {
        const QByteArray l = s.toLatin1();
        Biff::u16(sstRec, static_cast<quint16>(l.size()));
        sstRec.append('\0');
        sstRec += l;
    }
    const QByteArray sstRecord = sstRecords.isEmpty() ? Biff::record(0x00FC, sstRec) : sstRecords;
    const QByteArray eof = Biff::record(0x000A, {});
    quint32 offset = globals.size() + boundSize + sstRecord.size() + eof.size();
    QByteArray sheetStreams;
    for (const BiffSheet& s : sheets) {
        QByteArray b;
        Biff::u32(b, offset);
        b.append('\0');
        b.append('\0');
        const QByteArray name = s.name.toLatin1();
        b.append(char(name.size()));
        b.append('\0');
        b += name;
        globals += Biff::record(0x0085, b);
        const QByteArray body = Biff::bof(0x0010) + Biff::dimensions(s.rows, s.cols) + s.cells + eof;
        sheetStreams += body;
        offset += body.size();
    }
    return globals + sstRecord + eof + sheetStreams;
}

// A compound file (version 3, 512-byte sectors) holding one stream: sector
// 0 is the sector table, 1 the directory, the stream follows from 2. A
// `small` stream (below 4096 bytes) lives in the mini stream instead:
// sector 2 holds the mini stream's sector table, the mini stream follows.
inline QByteArray compoundFile(const QString& streamName, QByteArray stream, bool small = false)
{
    const quint32 endOfChain = 0xFFFFFFFE, freeSect = 0xFFFFFFFF, noStream = 0xFFFFFFFF;
    const quint32 smallSize = stream.size();
    QByteArray miniFat;
    if (small) {
        if (stream.size() % 64) stream.append(64 - stream.size() % 64, '\0');
        const quint32 pieces = stream.size() / 64;
        for (quint32 i = 0; i < pieces; ++i)
            Biff::u32(miniFat, i + 1 == pieces ? endOfChain : i + 1);
        while (miniFat.size() < 512)
            Biff::u32(miniFat, freeSect);
    }
    const quint32 miniStreamSize = small ? stream.size() : 0;
    if (stream.size() < 4096 && !small)
        stream.append(4096 - stream.size(), '\0'); // below 4096 bytes a stream would live in the mini stream
    if (stream.size() % 512) stream.append(512 - stream.size() % 512, '\0');
    const quint32 streamSectors = stream.size() / 512;
    const quint32 streamSize = small ? smallSize : stream.size();
    const quint32 firstData = small ? 3 : 2;

    QByteArray header;
    header += QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    header.append(16, '\0');
    Biff::u16(header, 0x003E);
    Biff::u16(header, 0x0003);
    Biff::u16(header, 0xFFFE);
    Biff::u16(header, 9);
    Biff::u16(header, 6);
    header.append(6, '\0');
    Biff::u32(header, 0);                      // directory sectors (v3: 0)
    Biff::u32(header, 1);                      // FAT sectors
    Biff::u32(header, 1);                      // first directory sector
    Biff::u32(header, 0);                      // transaction
    Biff::u32(header, 4096);                   // mini stream cutoff
    Biff::u32(header, small ? 2 : endOfChain); // mini FAT
    Biff::u32(header, small ? 1 : 0);
    Biff::u32(header, endOfChain); // DIFAT
    Biff::u32(header, 0);
    Biff::u32(header, 0); // DIFAT[0]: the FAT is sector 0
    for (int i = 1; i < 109; ++i)
        Biff::u32(header, freeSect);

    QByteArray fat;
    Biff::u32(fat, 0xFFFFFFFD);            // sector 0: FAT
    Biff::u32(fat, endOfChain);            // sector 1: directory
    if (small) Biff::u32(fat, endOfChain); // sector 2: mini FAT
    for (quint32 i = 0; i < streamSectors; ++i)
        Biff::u32(fat, i + 1 == streamSectors ? endOfChain : firstData + i + 1);
    while (fat.size() < 512)
        Biff::u32(fat, freeSect);

    auto dirEntry = [&](const QString& name, char type, quint32 child, quint32 start, quint32 size) {
        QByteArray e;
        QByteArray n(reinterpret_cast<const char*>(name.utf16()), name.size() * 2);
        n.append(2, '\0');
        e += n;
        e.append(64 - n.size(), '\0');
        Biff::u16(e, name.isEmpty() ? 0 : static_cast<quint16>(n.size()));
        e.append(type);
        e.append(char(1)); // black
        Biff::u32(e, noStream);
        Biff::u32(e, noStream);
        Biff::u32(e, child);
        e.append(16 + 4 + 8 + 8, '\0');
        Biff::u32(e, start);
        Biff::u32(e, size);
        Biff::u32(e, 0);
        return e;
    };
    QByteArray dir =
        dirEntry(QStringLiteral("Root Entry"), 5, 1, small ? firstData : endOfChain, miniStreamSize);
    dir += dirEntry(streamName, 2, noStream, small ? 0 : firstData, streamSize);
    dir += dirEntry({}, 0, noStream, 0, 0);
    dir += dirEntry({}, 0, noStream, 0, 0);
    return header + fat + dir + miniFat + stream;
}

// Every string-bearing kind of record, text stored both ways, shared
// strings running on into CONTINUE records, and the longest texts a record
// holds: sheet "Calls" (6 rows, 3 columns) and a sheet of 31 S's. The
// third shared string is 997 x's and 2003 U+7979.
inline QByteArray everyRecordWorkbook()
{
    QByteArray sst;
    Biff::u32(sst, 4);
    Biff::u32(sst, 4);
    sst += Biff::text(QStringLiteral("Phone"), false);
    sst += Biff::text(QStringLiteral("Nom \u00e9t\u00e9"), true);
    sst += Biff::text(QString(3000, u'x'), false).left(1000);
    QByteArray more(1, '\1');
    more += QByteArray(2 * (3000 - 997), 'y');
    Biff::u16(more, 3);
    more += QByteArray("\x08\x01\x00", 3) + "end"; // a string with one formatting run
    QByteArray runs;
    Biff::u32(runs, 0);
    const QByteArray sstRecords =
        Biff::record(0x00FC, sst) + Biff::record(0x003C, more) + Biff::record(0x003C, runs);
    const QByteArray rich = Biff::labelSst(0, 0, 0) + Biff::labelSst(0, 1, 1) + Biff::labelSst(0, 2, 2) +
                            Biff::label(1, 0, QStringLiteral("2015551234")) +
                            Biff::label(1, 1, QStringLiteral("\u0416\u0443\u043a"), true) +
                            Biff::formulaText(1, 2, QStringLiteral("from a formula")) +
                            Biff::mulRk(2, 0, {5551235, 7, -1}) + Biff::number(3, 0, 16, 45000.5) +
                            Biff::label(4, 0, QString(4100, u'w'), true) + Biff::boolErr(5, 2, false) +
                            Biff::labelSst(5, 0, 3);
    const QByteArray other = Biff::label(0, 0, QString(8000, u'z'));
    const QByteArray records =
        wbtest::biffWorkbook({}, {{QStringLiteral("Calls"), 6, 3, rich}, {QString(31, u'S'), 1, 1, other}},
                             Biff::format(164, QStringLiteral("0.00;[Red]-0.00")), sstRecords);
    return compoundFile(QStringLiteral("Workbook"), records);
}

// An Excel 5/95 workbook: a "Book" stream of BIFF5 records, whose texts
// are one byte a character in the workbook's code page (1252) with no
// flags byte. One sheet: `text` in A1, 7 in B1.
inline QByteArray biff5Workbook(const QByteArray& sheetName, const QByteArray& text)
{
    auto bof = [](quint16 kind) {
        QByteArray d;
        Biff::u16(d, 0x0500);
        Biff::u16(d, kind);
        Biff::u16(d, 0x0DBB);
        Biff::u16(d, 0x07CC);
        return Biff::record(0x0809, d);
    };
    QByteArray globals = bof(0x0005);
    QByteArray cp;
    Biff::u16(cp, 1252);
    globals += Biff::record(0x0042, cp);
    for (int i = 0; i < 16; ++i) {
        QByteArray xf;
        Biff::u16(xf, 0);
        Biff::u16(xf, 0);
        Biff::u16(xf, i < 15 ? 0xFFF5 : 0x0001);
        xf.append(10, '\0');
        globals += Biff::record(0x00E0, xf);
    }
    const QByteArray eof = Biff::record(0x000A, {});
    QByteArray bound;
    Biff::u32(bound, 0); // set below
    Biff::u16(bound, 0);
    bound.append(char(sheetName.size()));
    bound += sheetName;
    const int boundAt = globals.size() + 4;
    globals += Biff::record(0x0085, bound) + eof;
    QByteArray dims;
    for (quint16 v : {0, 1, 0, 2, 0})
        Biff::u16(dims, v);
    QByteArray cellText = Biff::cellHead(0, 0);
    Biff::u16(cellText, static_cast<quint16>(text.size()));
    QByteArray sheet = bof(0x0010) + Biff::record(0x0200, dims) + Biff::record(0x0204, cellText + text) +
                       Biff::number(0, 1, 15, 7.0) + eof;
    qToLittleEndian<quint32>(globals.size(), globals.data() + boundAt);
    return compoundFile(QStringLiteral("Book"), globals + sheet);
}

} // namespace wbtest
