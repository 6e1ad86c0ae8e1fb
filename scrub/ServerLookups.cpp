#include "scrub/ServerLookups.h"

#include "platform/ado/Connection.h"
#include "platform/ado/OdbcProvider.h"
#include "scrub/ScrubRule.h"

#include <QString>

namespace scrub {

bool JudgeOnServer(const std::shared_ptr<ado::Connection>& connection, const std::vector<std::uint64_t>& keys,
                   int indexBits, DncLookup& lookup, std::vector<std::uint8_t>& listed)
{
    ado::ProviderConnection* provider = connection ? connection->provider() : nullptr;
    if (!ado::IsPostgresConnection(provider)) return false;
    const std::uint64_t indexMask = (std::uint64_t(1) << indexBits) - 1;
    constexpr std::uint64_t kLocal = 10000000; // seven digits

    std::vector<qint64> locals;
    std::vector<qint64> found;
    std::size_t begin = 0;
    while (begin < keys.size()) {
        // The keys of one area code lie together: they are sorted by value.
        const std::uint64_t area = (keys[begin] >> indexBits) / kLocal;
        std::size_t end = begin;
        locals.clear();
        while (end < keys.size() && (keys[end] >> indexBits) / kLocal == area) {
            const auto local = qint64((keys[end] >> indexBits) % kLocal);
            if (locals.empty() || locals.back() != local) locals.push_back(local);
            ++end;
        }
        const QString code = QStringLiteral("%1").arg(area, 3, 10, QLatin1Char('0'));
        found.clear();
        const bool hasTable = lookup.HasTable(code);
        if (hasTable)
            ado::FindServerNumbers(*provider, QStringLiteral("phone") + code, QStringLiteral("phone"), locals,
                                   found);
        std::size_t f = 0;
        for (std::size_t k = begin; k < end; ++k) {
            bool isListed = lookup.NacNotInDnc();
            if (hasTable) {
                const auto local = qint64((keys[k] >> indexBits) % kLocal);
                while (f < found.size() && found[f] < local)
                    ++f;
                isListed = f < found.size() && found[f] == local;
            }
            listed[keys[k] & indexMask] = isListed ? 1 : 2;
        }
        begin = end;
    }
    return true;
}

} // namespace scrub
