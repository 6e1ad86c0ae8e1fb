// The DNC list import run from the main window: the prepared import text
// (area code and seven-digit number per line, or ten digits per line) is
// linked into the DNC database as MyLinkedTable, and every number of it that
// an area-code table lacks is copied there, one area code at a time through
// the work table MyTempTable.

#include "core/CDataAccess.h"
#include "core/CDataStrings.h"
#include "core/CDefProperty.h"
#include "core/CDefPropertys.h"
#include "core/DBClassModule.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "dncdb/DNCImport.h"
#include "dncdb/ModuleDNC.h"
#include "mainwindow/frmMain.h"
#include "platform/ado/Ado.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/JetSql.h"
#include "platform/adox/Catalog.h"
#include "platform/ui/ProgressBar.h"
#include "platform/ui/Services.h"
#include "platform/vb/App.h"
#include "platform/vb/Clock.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/DateTime.h"
#include "platform/vb/DoEvents.h"
#include "platform/vb/Err.h"
#include "platform/vb/Format.h"
#include "records/ModuleConnectString.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSet>
#include <algorithm>
#include <vector>

namespace {

const QString kLinkedTable = QStringLiteral("MyLinkedTable");
// A link of that name already there (a stale one is replaced below).
constexpr std::int32_t kTableExists = -2147217857;

// Stores a setting and writes its row at once; a store without the row gets
// it added.
void SaveSetting(const QString& key, const QString& value)
{
    if (!gDefPropertys) return;
    auto p = gDefPropertys->Item(key);
    if (!p) {
        auto fresh = std::make_shared<CDefProperty>();
        fresh->SetPropertyKeys(key);
        fresh->SetPropertyName(key);
        fresh->SetDataType(CDefProperty::KindText);
        gDefPropertys->AddExisting(fresh, key);
        p = fresh;
    }
    p->SetPropertyValue(value);
    p->Save(true, true);
}

void SetCaption(QLabel* label, const QString& text)
{
    if (label) label->setText(text);
}

} // namespace

void frmMain::ImportDNCTextFile(bool& ok)
{
    ok = false;
    try {
        LoadTables();
        SetImport(false);

        const QString name = SettingText(QStringLiteral("dnctextfilename"));
        if (!name.isEmpty() && !QFile::exists(name)) return;

        QString fileName;
        QString folder = SplitFilePath(name, fileName);
        if (folder.isEmpty()) folder = vb::App::Path() + QStringLiteral("/");

        const QString hdr = vb::Val(SettingText(QStringLiteral("dnctextfilehearder"))) == 1
                                ? QStringLiteral("Yes")
                                : QStringLiteral("No");
        const QString fmt = vb::Val(SettingText(QStringLiteral("dnctextfiledelimited"))) == 1
                                ? QStringLiteral("Delimited")
                                : QString();
        const QString link = MakeTextLinkString(folder, hdr, fmt);

        const bool imported = ImportDNCList(link, fileName);

        // Only a finished import moves the last-update time: after a failure
        // the store may lack numbers of the file.
        if (imported) {
            SaveSetting(QStringLiteral("dnclastupdate"), vb::CStr(vb::Now()));
            if (txtLastUpdate) txtLastUpdate->setText(SettingText(QStringLiteral("dnclastupdate")));
        }

        SetImport(true);

        bool counted = false;
        const std::int32_t total = GetDNCCount(&counted);
        if (counted) SaveSetting(QStringLiteral("lasttotal"), vb::CStr(vb::Variant(total)));
        SetCaption(lblTotalRec, QStringLiteral("Total Records:") +
                                    vb::Format(vb::Variant(vb::Val(SettingText(QStringLiteral("lasttotal")))),
                                               QStringLiteral("##,###,###,##0")));
        ok = imported;
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        HandleError(e.Number, e.Description, QString(), QStringLiteral("cmdLastUpdate_Click"), false);
        ok = false;
    }
}

bool frmMain::ImportDNCList(const QString& linkProviderString, const QString& fileName)
{
    using dncimport::Status;
    dncimport::ImportStats& stats = dncimport::LastImportStats();
    stats = {};

    const double startTime = vb::Timer();
    auto timerLine = [&] {
        Status(QStringLiteral("Timer:") + vb::CStr(vb::Variant(static_cast<float>(vb::Timer() - startTime))),
               2);
        vb::DoEvents();
    };
    auto progressStep = [&] {
        if (ProgressBar1) ProgressBar1->SetValue(ProgressBar1->Value() + 1);
        vb::DoEvents();
    };

    std::shared_ptr<adox::Catalog> catalog;
    std::shared_ptr<adox::Table> linked;
    std::shared_ptr<ado::Connection> conn;
    bool inTransaction = false;
    bool succeeded = false;

    // Runs a statement of the import on the shared connection; a failure is
    // reported by the data access object.
    auto exec = [&](const QString& sql) { return gDataAccess->ExecQuery(sql); };

    // Drops the link and closes the shared connection, whatever fails.
    auto dropLinkAndClose = [&] {
        if (inTransaction) {
            gDataAccess->RollbackTrans();
            inTransaction = false;
        }
        try {
            if (catalog && catalog->ActiveConnection()) catalog->Tables().Delete(kLinkedTable);
        } catch (...) {
        }
        linked.reset();
        catalog.reset();
        conn.reset();
        gDataAccess->CloseConnection();
    };
    // The end of a run that got through its steps (also after "No Value" and
    // the failed table check): the progress shows the end.
    auto cleanUp = [&] {
        if (ProgressBar1) ProgressBar1->SetValue(ProgressBar1->Max());
        if (lblStatus && lblmax) lblStatus->setText(lblmax->text());
        dropLinkAndClose();
    };

    // The start time.
    timerLine();
    if (!gDataAccess) return false;
    try {
        // The shared connection is the catalog's.
        if (!gDataAccess->OpenConnection(gDataAccess->DefaultConnectionString())) {
            dropLinkAndClose();
            return false;
        }
        conn = gDataAccess->GetConnection();
        catalog = adox::Catalog::Create();
        catalog->SetActiveConnection(conn);

        // Link the import text.
        linked = adox::Table::Create(kLinkedTable);
        linked->SetParentCatalog(catalog.get());
        linked->Properties().Item(QStringLiteral("Jet OLEDB:Create Link")).SetValue(vb::Variant(true));
        linked->Properties()
            .Item(QStringLiteral("Jet OLEDB:Link Provider String"))
            .SetValue(vb::Variant(linkProviderString));
        linked->Properties()
            .Item(QStringLiteral("Jet OLEDB:Remote Table Name"))
            .SetValue(vb::Variant(fileName));
        try {
            catalog->Tables().Delete(kLinkedTable);
        } catch (...) {
            const vb::ErrObject& e = vb::CatchError();
            if (e.Number != vb::errnum::ItemNotFound && e.Number != kTableExists) throw;
        }
        catalog->Tables().Append(linked);

        // The work table, empty.
        dncimport::EnsureWorkTable(conn);
        dncimport::ReleaseWorkTable(conn);
        if (!exec(QStringLiteral("delete from MyTempTable"))) {
            dropLinkAndClose();
            return false;
        }

        // The area codes that may be imported.
        const QString kept =
            QStringLiteral(",") + SettingText(QStringLiteral("keptareacode")) + QStringLiteral(",");

        // The fields of the import text.
        std::vector<QString> names(101);
        const std::int32_t n =
            GetTableFieldNames(gDataAccess->DefaultConnectionString(), kLinkedTable, names);
        if (n < 1) {
            dropLinkAndClose();
            return false;
        }
        names.resize(std::max<size_t>(names.size(), 2));
        const QString f1 = ado::QuoteName(names[0]);
        const QString f2 = ado::QuoteName(names[1]);
        const bool oneField = n == 1;

        // The distinct area codes.
        std::shared_ptr<ado::Recordset> rs;
        const QString codesSql =
            oneField
                ? QStringLiteral("select distinct mid(") + f1 + QStringLiteral(",1,3) from MyLinkedTable")
                : QStringLiteral("select distinct ") + f1 + QStringLiteral(" from MyLinkedTable");
        if (!gDataAccess->GetRecordset(codesSql, rs, gDataAccess->DefaultConnectionString())) {
            dropLinkAndClose();
            return false;
        }
        timerLine();

        // Nothing to import.
        if (rs->Eof()) {
            ui::MsgBox(QStringLiteral("No Value In the text file!"), ui::vbExclamation);
            rs->Close();
            cleanUp();
            return false;
        }

        // The codes; an entry that is not imported becomes "".
        const std::vector<std::vector<vb::Variant>> rows = rs->GetRows();
        rs->Close();
        std::vector<QString> codes;
        if (!rows.empty()) {
            codes.reserve(rows[0].size());
            for (const vb::Variant& v : rows[0])
                codes.push_back(v.isNull() || v.isEmpty() ? QString() : v.text());
        }
        const qsizetype upper = qsizetype(codes.size()) - 1;

        // Usable, kept codes get their table.
        QSet<QString> seen;
        for (QString& a : codes) {
            if (!dncimport::IsAreaCode(a) ||
                (kept != QStringLiteral(",,") &&
                 !kept.contains(QStringLiteral(",") + a + QStringLiteral(","))) ||
                seen.contains(a)) {
                a.clear();
                ++stats.areaCodesSkipped;
                continue;
            }
            seen.insert(a);
            if (!gPhoneTables || !gPhoneTables->Item(QStringLiteral("phone") + a))
                CreatePhoneTable(a, conn, 0);
        }
        timerLine();

        // Every code has its table before anything is copied.
        for (int failures = 0;;) {
            LoadTables();
            bool all = true;
            for (const QString& a : codes)
                if (a.size() == 3 && (!gPhoneTables || !gPhoneTables->Item(QStringLiteral("phone") + a)))
                    all = false;
            if (all) break;
            WaitSeconds(2);
            if (++failures == 10) {
                ui::MsgBox(QStringLiteral("There is problem during import. Please re-try!"),
                           ui::vbExclamation);
                cleanUp();
                return false;
            }
        }

        // Progress, four steps per area code.
        timerLine();
        if (ProgressBar1) {
            ProgressBar1->SetMin(0);
            ProgressBar1->SetMax(double(upper + 1) * 4);
            ProgressBar1->SetValue(0);
        }
        SetCaption(lblMin, QStringLiteral("0"));
        SetCaption(lblStatus, QStringLiteral("0"));
        SetCaption(lblmax, QString::number(upper + 1));

        // One area code at a time, each in a transaction of its own.
        // The first statement that fails stops the import: its area code is
        // rolled back, so the work table never carries numbers into the next
        // code's table.
        for (qsizetype i = 0; i <= upper; ++i) {
            const QString& a = codes[size_t(i)];
            if (a.size() != 3) continue;
            const QString t = QStringLiteral("phone") + a;

            Status(QStringLiteral("Starting to Import Area Code:") + a + QStringLiteral(" ..."), 1);
            timerLine();

            if (!gDataAccess->BeginTrans()) {
                dropLinkAndClose();
                return false;
            }
            inTransaction = true;

            const QString fill = oneField ? QStringLiteral("Insert into MyTempTable (phone) select mid(") +
                                                f1 + QStringLiteral(",4) from MyLinkedTable where left(") +
                                                f1 + QStringLiteral(",3) =") + a
                                          : QStringLiteral("Insert into MyTempTable (phone) select ") + f2 +
                                                QStringLiteral(" from MyLinkedTable where ") + f1 +
                                                QStringLiteral(" =") + a;
            if (!exec(fill)) {
                dropLinkAndClose();
                return false;
            }
            stats.linesSkipped += dncimport::PrepareWorkTable(conn);
            timerLine();
            progressStep();

            if (!exec(QStringLiteral("Insert into ") + t +
                      QStringLiteral(" (phone) SELECT distinct MyTempTable.Phone FROM "
                                     "MyTempTable LEFT JOIN ") +
                      t + QStringLiteral(" ON MyTempTable.Phone = ") + t + QStringLiteral(".Phone  WHERE ") +
                      t + QStringLiteral(".Phone Is Null"))) {
                dropLinkAndClose();
                return false;
            }
            timerLine();
            progressStep();

            if (!exec(QStringLiteral("delete from MyTempTable"))) {
                dropLinkAndClose();
                return false;
            }
            dncimport::ReleaseWorkTable(conn);
            timerLine();

            if (!gDataAccess->CommitTrans()) {
                dropLinkAndClose();
                return false;
            }
            inTransaction = false;
            ++stats.areaCodesImported;

            Status(QStringLiteral("Finished to Import Area Code:") + a, 1);
            progressStep();
            WaitSeconds(3);
            SetCaption(lblStatus, QString::number(i + 1));
            progressStep();
        }

        // The end.
        timerLine();
        succeeded = true;
        cleanUp();
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        HandleError(e.Number, e.Description, QString(), QStringLiteral("LinkTables"), false);
        dropLinkAndClose();
        succeeded = false;
    }
    return succeeded;
}
