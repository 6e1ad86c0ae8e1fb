#include "platform/jro/JetEngine.h"

#include "platform/ado/Ado.h"
#include "platform/ado/ConnectionString.h"
#include "platform/ado/SqliteProvider.h"

#include <QFileInfo>

namespace jro {

std::shared_ptr<JetEngine> JetEngine::Create()
{
    return std::make_shared<JetEngine>();
}

void JetEngine::CompactDatabase(const QString& sourceConnection, const QString& destConnection)
{
    const ado::ConnectionString src(sourceConnection);
    const ado::ConnectionString dst(destConnection);
    for (const auto* cs : {&src, &dst}) {
        const ado::ProviderChoice p = ado::ChooseProvider(*cs);
        if (p.kind != u"jet")
            ado::Raise(ado::errnum::NotAllowedInContext,
                       QStringLiteral("Only Jet databases can be compacted (provider: %1).").arg(p.name),
                       QStringLiteral("JRO.JetEngine"));
    }
    if (!src.value(QStringLiteral("Jet OLEDB:Database Password")).isEmpty() ||
        !dst.value(QStringLiteral("Jet OLEDB:Database Password")).isEmpty())
        ado::Raise(
            ado::errnum::JetFailure,
            QStringLiteral("Password-protected databases are not supported; remove the database password."),
            ado::JetSource());
    const QString from = src.value(QStringLiteral("Data Source"));
    const QString to = dst.value(QStringLiteral("Data Source"));
    ado::SqliteConnection::CheckDatabaseFile(from);
    if (to.isEmpty())
        ado::Raise(ado::errnum::JetFailure, QStringLiteral("Not a valid file name."), ado::JetSource());
    if (QFileInfo::exists(to))
        ado::Raise(ado::errnum::DatabaseExists, QStringLiteral("Database already exists."), ado::JetSource());
    if (QFileInfo(from).canonicalFilePath() == QFileInfo(to).absoluteFilePath())
        ado::Raise(ado::errnum::DatabaseExists, QStringLiteral("Database already exists."), ado::JetSource());
    auto db = ado::SqliteConnection::OpenFile(from);
    QString target = to;
    db->exec(QStringLiteral("VACUUM main INTO '%1'").arg(target.replace(u'\'', QStringLiteral("''"))));
    db->close();
}

} // namespace jro
