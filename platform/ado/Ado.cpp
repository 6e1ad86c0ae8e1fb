#include "platform/ado/Ado.h"

#include "platform/vb/Err.h"

namespace ado {

void Raise(std::int32_t number, const QString& description, const QString& source)
{
    throw vb::ErrObject(number, description, source);
}

void RaiseFileInUse(const QString& path)
{
    Raise(errnum::JetFailure, QStringLiteral("Could not use '%1'; file already in use.").arg(path),
          JetSource());
}

void RaiseAdo(std::int32_t number, const QString& source)
{
    QString d;
    switch (number) {
    case errnum::ItemNotFound:
        d = QStringLiteral(
            "Item cannot be found in the collection corresponding to the requested name or ordinal.");
        break;
    case errnum::NoCurrentRecord:
        d = QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. Requested "
                           "operation requires a current record.");
        break;
    case errnum::NotAllowedInContext:
        d = QStringLiteral("Operation is not allowed in this context.");
        break;
    case errnum::NotUpdatable:
        d = QStringLiteral("Current Recordset does not support updating. This may be a limitation of the "
                           "provider, or of the selected locktype.");
        break;
    case errnum::ObjectClosed:
        d = QStringLiteral("Operation is not allowed when the object is closed.");
        break;
    case errnum::ObjectOpen:
        d = QStringLiteral("Operation is not allowed when the object is open.");
        break;
    case errnum::ConnectionInvalid:
        d = QStringLiteral("The connection cannot be used to perform this operation. It is either closed or "
                           "invalid in this context.");
        break;
    case errnum::FetchBackward:
        d = QStringLiteral("Rowset does not support fetching backward.");
        break;
    case errnum::NoTransaction:
        d = QStringLiteral("No transaction is active.");
        break;
    case errnum::MultipleStep:
        d = QStringLiteral("Multiple-step operation generated errors. Check each status value.");
        break;
    default:
        break;
    }
    throw vb::ErrObject(number, d, source);
}

} // namespace ado
