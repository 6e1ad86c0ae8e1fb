#include "platform/vb/Err.h"

#include <new>
#include <utility>

namespace vb {

ErrObject::ErrObject(std::int32_t number, QString description, QString source)
    : Number(number), Description(std::move(description)), Source(std::move(source))
{
    if (Description.isEmpty() && Number != 0) Description = DefaultDescription(Number);
}

void ErrObject::Clear()
{
    Number = 0;
    Description.clear();
    Source.clear();
    m_what.clear();
}

const char* ErrObject::what() const noexcept
{
    try {
        m_what = QStringLiteral("Error %1: %2").arg(Number).arg(Description).toStdString();
    } catch (...) {
        return "vb::ErrObject";
    }
    return m_what.c_str();
}

QString DefaultDescription(std::int32_t number)
{
    switch (number) {
    case 0:
        return {};
    case 3:
        return QStringLiteral("Return without GoSub");
    case 5:
        return QStringLiteral("Invalid procedure call or argument");
    case 6:
        return QStringLiteral("Overflow");
    case 7:
        return QStringLiteral("Out of memory");
    case 9:
        return QStringLiteral("Subscript out of range");
    case 10:
        return QStringLiteral("This array is fixed or temporarily locked");
    case 11:
        return QStringLiteral("Division by zero");
    case 13:
        return QStringLiteral("Type mismatch");
    case 14:
        return QStringLiteral("Out of string space");
    case 28:
        return QStringLiteral("Out of stack space");
    case 35:
        return QStringLiteral("Sub or Function not defined");
    case 48:
        return QStringLiteral("Error in loading DLL");
    case 49:
        return QStringLiteral("Bad DLL calling convention");
    case 51:
        return QStringLiteral("Internal error");
    case 52:
        return QStringLiteral("Bad file name or number");
    case 53:
        return QStringLiteral("File not found");
    case 54:
        return QStringLiteral("Bad file mode");
    case 55:
        return QStringLiteral("File already open");
    case 57:
        return QStringLiteral("Device I/O error");
    case 58:
        return QStringLiteral("File already exists");
    case 59:
        return QStringLiteral("Bad record length");
    case 61:
        return QStringLiteral("Disk full");
    case 62:
        return QStringLiteral("Input past end of file");
    case 63:
        return QStringLiteral("Bad record number");
    case 67:
        return QStringLiteral("Too many files");
    case 68:
        return QStringLiteral("Device unavailable");
    case 70:
        return QStringLiteral("Permission denied");
    case 71:
        return QStringLiteral("Disk not ready");
    case 74:
        return QStringLiteral("Can't rename with different drive");
    case 75:
        return QStringLiteral("Path/File access error");
    case 76:
        return QStringLiteral("Path not found");
    case 91:
        return QStringLiteral("Object variable or With block variable not set");
    case 92:
        return QStringLiteral("For loop not initialized");
    case 93:
        return QStringLiteral("Invalid pattern string");
    case 94:
        return QStringLiteral("Invalid use of Null");
    case 380:
        return QStringLiteral("Invalid property value");
    case 381:
        return QStringLiteral("Invalid property array index");
    case 424:
        return QStringLiteral("Object required");
    case 429:
        return QStringLiteral("ActiveX component can't create object");
    case 438:
        return QStringLiteral("Object doesn't support this property or method");
    case 440:
        return QStringLiteral("Automation error");
    case 457:
        return QStringLiteral("This key is already associated with an element of this collection");
    case 3265:
        return QStringLiteral(
            "Item cannot be found in the collection corresponding to the requested name or ordinal.");
    case 32755:
        return QStringLiteral("Cancel was selected.");
    default:
        return QStringLiteral("Application-defined or object-defined error");
    }
}

void Raise(std::int32_t number, const QString& source, const QString& description)
{
    throw ErrObject(number, description.isEmpty() ? DefaultDescription(number) : description, source);
}

namespace {
thread_local ErrObject t_current;
}

ErrObject& Err()
{
    return t_current;
}

const ErrObject& CatchError()
{
    std::exception_ptr p = std::current_exception();
    if (!p) return t_current;
    ErrObject e;
    try {
        std::rethrow_exception(p);
    } catch (const ErrObject& x) {
        e = x;
    } catch (const std::bad_alloc&) {
        e = ErrObject(errnum::OutOfMemory, DefaultDescription(errnum::OutOfMemory));
    } catch (const std::exception& x) {
        const QString what = QString::fromUtf8(x.what());
        e = ErrObject(errnum::InvalidProcedureCall,
                      what.isEmpty() ? DefaultDescription(errnum::InvalidProcedureCall) : what);
    } catch (...) {
        e = ErrObject(errnum::InvalidProcedureCall, DefaultDescription(errnum::InvalidProcedureCall));
    }
    t_current = e;
    return t_current;
}

} // namespace vb
