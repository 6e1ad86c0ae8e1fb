#include "platform/ado/ExcelProvider.h"
#include "platform/ado/FoxProProvider.h"
#include "platform/ado/OdbcProvider.h"
#include "platform/ado/SqliteProvider.h"
#include "platform/ado/TextProvider.h"
#include "platform/ado/VirtualTables.h"

namespace ado {

// Registered from the registry itself on first use, so no static
// initialiser of another library has to run first.
void RegisterStandardProviders()
{
    static bool done = false;
    if (done) return;
    done = true;
    RegisterProvider(QStringLiteral("text"), [](const ConnectionString& cs, const QString&, const QString&,
                                                long) { return OpenTextProvider(cs); });
    RegisterProvider(QStringLiteral("excel"), [](const ConnectionString& cs, const QString&, const QString&,
                                                 long) { return OpenExcelProvider(cs); });
    RegisterProvider(QStringLiteral("foxpro"), [](const ConnectionString& cs, const QString&, const QString&,
                                                  long) { return OpenFoxProProvider(cs); });
    RegisterProvider(QStringLiteral("odbc"),
                     [](const ConnectionString& cs, const QString& user, const QString& pwd, long timeout) {
                         return OpenOdbcProvider(cs, user, pwd, timeout);
                     });
    RegisterLinkModule(QStringLiteral("text"), CreateTextLink);
}

} // namespace ado
