#include "core/CDefPropertys.h"

#include "platform/vb/App.h"
#include "platform/vb/Conversion.h"
#include "platform/vb/Format.h"

namespace {

QString versionText()
{
    const auto part = [](int n) { return vb::Format(vb::Variant(n), QStringLiteral("00#")); };
    return part(vb::App::Major()) + QStringLiteral(".") + part(vb::App::Minor()) + QStringLiteral(".") +
           part(vb::App::Revision());
}

} // namespace

std::vector<CDefPropertys::DefaultSetting> CDefPropertys::DefaultSettings()
{
    // The date-time value 0 (30 December 1899, midnight).
    const vb::Variant zeroDate = vb::Variant::fromDate(0.0);
    const QString folder = vb::App::Path();
    return {
        {"dncfieldname", "DNC Phone Number Field's Name", "Phone", 3},
        {"dnclastupdate", "DNC Database Last Update Time", vb::CStr(zeroDate), 2},
        {"dnctextfilename", "DNC Text File Name", "", 3},
        {"dnctextfilehearder", "DNC Text File:First Line is header?", "0", 0},
        {"dnctextfiledelimited", "DNC Text File Delimited", "1", 0},
        {"phonedatatype", "Last Phone Data Type", "ACCESS", 3},
        {"formatchar", "Characters To Strip From Numbers", "(,),-, ,#", 3},
        {"defaultmark", "Deafult Mark String", "DNC", 3},
        {"markaction", "0:Begin; 1: End; 2:Replace", "2", 0},
        {"markformat", "Stripe Characters -- (, ), - and Space", "1", 0},
        {"updateprogram", "Auto Update Program", "TervalaUpdate.exe", 3},
        {"currentdbversion", "Current DB Version", "V1.0", 3},
        {"webhttp", "Program Update Web Page", "http://www.example.com/tervala/update.htm", 3},
        {"defaultemail", "Send Request to .. ", "support@example.com", 3},
        {"newversion", "new version", versionText(), 3},
        {"autochecknewversion", "Auto Check New version?", "1", 0},
        {"addareacode", "Add Any Missing Area Code Based On City and State?", "0", 0},
        {"defaultcode", "Default Area Code?", "", 3},
        {"deleterecords", "Delete Records From Phone Database?", "1", 0},
        {"exportok", "Export OK call records to a new file?", "0", 0},
        {"exportdnc", "Export DNC records to a new file?", "0", 0},
        {"dncfile", "DNC file name?", folder + "/results/dnclist.txt", 3},
        {"okfile", "OK file name?", folder + "/results/oklist.txt", 3},
        {"m_pagesize", "Page Size?", "1000", 0},
        {"backuporginal", "Backup Original File?", "0", 0},
        {"Keptareacode", "Kept Area Code (empty mean all codes)", "", 3},
        {"filteredareacode", "Filtered Area Code (empty if no)", "", 3},
        {"lasttotal", "Total DNC in the list", "0", 0},
        {"linesperfile", "Lines Per File", "100000", 0},
        {"nacnotindnc", "Numbers with Area Codes not in DNC", "0", 0},
        {"lastadtime", "Last Web Page Time", vb::Format(zeroDate, QStringLiteral("yyyy-mm-dd HH:nn:ss")), 3},
    };
}

CDefPropertys::CDefPropertys()
    : CollectionTemplate({QStringLiteral("ID"), QStringLiteral("PropertyKeys"),
                          QStringLiteral("PropertyName"), QStringLiteral("PropertyValue"),
                          QStringLiteral("DataType")})
{
}

bool CDefPropertys::CheckKeys()
{
    // Settings that cannot be read cannot be told apart from missing ones:
    // seeding them would fail (or duplicate) once per key.
    if (!LoadRelated()) return false;
    for (const DefaultSetting& d : DefaultSettings()) {
        if (Item(d.key)) continue;
        CDefProperty row;
        row.SetID(0);
        row.SetPropertyKeys(d.key);
        row.SetPropertyName(d.name);
        row.SetPropertyValue(d.value);
        row.SetDataType(d.kind);
        if (!row.Save(true, true)) return false;
    }
    return true;
}

bool CDefPropertys::LoadRelated(const QString& SQLWhereClause)
{
    return CollectionTemplate::LoadRelated(SQLWhereClause, QString());
}

QString CDefPropertys::ValueOf(const QString& key, const QString& fallback) const
{
    const auto row = Item(key);
    return row ? row->PropertyValue() : fallback;
}

template class CollectionTemplate<CDefPropertys, CDefProperty>;
