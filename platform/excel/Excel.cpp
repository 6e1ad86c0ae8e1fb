#include "platform/excel/Excel.h"

#include "platform/vb/Conversion.h"
#include "platform/vb/Err.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

namespace excel {

namespace {

const QString kSource = QStringLiteral("Excel");
constexpr std::int32_t kAppDefined = 1004; // Excel's "Application-defined or object-defined error"

[[noreturn]] void RaiseClosed()
{
    vb::Raise(vb::errnum::ObjectVariableNotSet, kSource, QStringLiteral("The workbook is closed."));
}

} // namespace

// ---------------------------------------------------------------- Range

Range::Range(std::shared_ptr<Workbook> book, files::Worksheet* sheet, int row, int column)
    : m_book(std::move(book)), m_sheet(sheet), m_row(row), m_column(column)
{
}

vb::Variant Range::Value() const
{
    if (!m_book->IsOpen()) RaiseClosed();
    return m_sheet->value(m_row, m_column);
}

void Range::SetValue(const vb::Variant& value)
{
    if (!m_book->IsOpen()) RaiseClosed();
    m_sheet->setValue(m_row, m_column, value);
}

QString Range::Text() const
{
    const vb::Variant v = Value();
    if (v.isEmpty() || v.isNull()) return {};
    return vb::CStr(v);
}

bool Range::HasFormula() const
{
    if (!m_book->IsOpen()) RaiseClosed();
    return m_sheet->hasFormula(m_row, m_column);
}

// ---------------------------------------------------------------- RowRange

RowRange::RowRange(std::shared_ptr<Workbook> book, files::Worksheet* sheet, int first, int count)
    : m_book(std::move(book)), m_sheet(sheet), m_first(first), m_count(count)
{
}

void RowRange::Delete()
{
    if (!m_book->IsOpen()) RaiseClosed();
    m_sheet->deleteRows(m_first, m_count);
}

// ---------------------------------------------------------------- Worksheet

Worksheet::Worksheet(std::shared_ptr<Workbook> book, files::Worksheet* sheet)
    : m_book(std::move(book)), m_sheet(sheet)
{
}

QString Worksheet::Name() const
{
    if (!m_book->IsOpen()) RaiseClosed();
    return m_sheet->name();
}

Range Worksheet::Cells(int row, int column) const
{
    if (!m_book->IsOpen()) RaiseClosed();
    if (row < 1 || row > files::kMaxRows || column < 1 || column > files::kMaxColumns)
        vb::Raise(kAppDefined, kSource,
                  QStringLiteral("Cells(%1, %2) is outside the sheet.").arg(row).arg(column));
    return Range(m_book, m_sheet, row, column);
}

RowRange Worksheet::Rows(const QString& address) const
{
    if (!m_book->IsOpen()) RaiseClosed();
    static const QRegularExpression rows(QStringLiteral("^\\s*\\$?(\\d+)\\s*:\\s*\\$?(\\d+)\\s*$"));
    const QRegularExpressionMatch m = rows.match(address);
    const qint64 first = m.hasMatch() ? m.captured(1).toLongLong() : 0;
    const qint64 last = m.hasMatch() ? m.captured(2).toLongLong() : 0;
    if (first < 1 || last < 1 || first > files::kMaxRows || last > files::kMaxRows)
        vb::Raise(kAppDefined, kSource, QStringLiteral("'%1' is not a range of rows.").arg(address));
    const int lo = int(std::min(first, last));
    const int hi = int(std::max(first, last));
    return RowRange(m_book, m_sheet, lo, hi - lo + 1);
}

files::CellRange Worksheet::UsedRange() const
{
    if (!m_book->IsOpen()) RaiseClosed();
    return m_sheet->usedRange();
}

std::vector<Worksheet::FormulaCell> Worksheet::Formulas() const
{
    if (!m_book->IsOpen()) RaiseClosed();
    std::vector<FormulaCell> out;
    for (const files::Worksheet::CellRef& c : m_sheet->formulaCells())
        out.push_back({c.row, c.column, m_sheet->formula(c.row, c.column)});
    return out;
}

QString Worksheet::RowsHeldMessage(int firstRow) const
{
    if (!m_book->IsOpen()) RaiseClosed();
    const QString held = m_sheet->rowsHeld(firstRow);
    if (held.isEmpty()) return {};
    return QStringLiteral(
               "Deleting rows from the sheet %1 would leave behind or cut %2, so no row is deleted. "
               "Mark the numbers instead, or remove them first.")
        .arg(Name(), held);
}

bool Worksheet::ProtectsCells(int firstRow, int column) const
{
    if (!m_book->IsOpen()) RaiseClosed();
    return m_sheet->protectsCells(firstRow, column);
}

// ---------------------------------------------------------------- Workbook

Workbook::~Workbook()
{
    if (!m_open) return;
    m_open = false;
    Application::Instance().Workbooks().forget(m_key, this);
    m_model.close();
}

files::Workbook& Workbook::model()
{
    if (!m_open) RaiseClosed();
    return m_model;
}

const files::Workbook& Workbook::model() const
{
    if (!m_open) RaiseClosed();
    return m_model;
}

QString Workbook::Name() const
{
    return QFileInfo(model().path()).fileName();
}

QString Workbook::Path() const
{
    return QFileInfo(model().path()).absolutePath();
}

QString Workbook::FullName() const
{
    return Path() + QLatin1Char('/') + Name();
}

bool Workbook::ReadOnly() const
{
    return model().isReadOnly();
}

bool Workbook::Saved() const
{
    return !model().isModified();
}

QStringList Workbook::WorksheetNames() const
{
    return model().sheetNames();
}

std::shared_ptr<Worksheet> Workbook::Worksheets(const QString& name)
{
    files::Worksheet* sheet = model().sheet(name);
    if (!sheet) return nullptr;
    return std::shared_ptr<Worksheet>(new Worksheet(shared_from_this(), sheet));
}

std::shared_ptr<Worksheet> Workbook::Worksheets(int index)
{
    if (index < 1 || index > model().sheetCount()) return nullptr;
    return std::shared_ptr<Worksheet>(new Worksheet(shared_from_this(), &model().sheet(index - 1)));
}

void Workbook::Activate()
{
    model();
    Application::Instance().m_active = weak_from_this();
}

void Workbook::Save(const files::Workbook::SaveCommit& commit)
{
    model().save(commit);
}

void Workbook::Close(bool saveChanges)
{
    if (!m_open) return;
    if (saveChanges) m_model.save(); // a failed save leaves the workbook open and the file as it was
    m_open = false;
    Application::Instance().Workbooks().forget(m_key, this);
    m_model.close();
}

// ---------------------------------------------------------------- Workbooks

QString Workbooks::KeyOf(const QString& fileName)
{
    const QFileInfo info(fileName);
    const QString canonical = info.canonicalFilePath();
    return QDir::cleanPath(canonical.isEmpty() ? info.absoluteFilePath() : canonical);
}

std::shared_ptr<Workbook> Workbooks::Open(const QString& fileName)
{
    const QString key = KeyOf(fileName);
    const auto it = m_open.find(key);
    if (it != m_open.end())
        if (std::shared_ptr<Workbook> held = it->second.lock(); held && held->IsOpen()) return held;
    auto book = std::make_shared<Workbook>(Workbook::Token{});
    book->m_model.open(fileName); // raises; nothing is registered then
    book->m_key = key;
    book->m_open = true;
    forget(key, nullptr);
    m_open[key] = book;
    m_order.push_back(key);
    return book;
}

void Workbooks::forget(const QString& key, const Workbook* book)
{
    const auto it = m_open.find(key);
    if (it == m_open.end()) return;
    if (book) {
        // Only the workbook registered under the key takes it away.
        const std::shared_ptr<Workbook> held = it->second.lock();
        if (held && held.get() != book) return;
    }
    m_open.erase(it);
    m_order.erase(std::remove(m_order.begin(), m_order.end(), key), m_order.end());
}

std::int32_t Workbooks::Count() const
{
    return static_cast<std::int32_t>(Items().size());
}

std::vector<std::shared_ptr<Workbook>> Workbooks::Items() const
{
    std::vector<std::shared_ptr<Workbook>> out;
    for (const QString& key : m_order) {
        const auto it = m_open.find(key);
        if (it == m_open.end()) continue;
        if (std::shared_ptr<Workbook> b = it->second.lock(); b && b->IsOpen()) out.push_back(std::move(b));
    }
    return out;
}

// ---------------------------------------------------------------- Application

Application& Application::Instance()
{
    static Application app;
    return app;
}

} // namespace excel
