#pragma once
// ADO's enumerations and the error numbers and texts its stand-in raises.

#include <QString>
#include <cstdint>

namespace ado {

enum CursorTypeEnum : int {
    adOpenUnspecified = -1,
    adOpenForwardOnly = 0,
    adOpenKeyset = 1,
    adOpenDynamic = 2,
    adOpenStatic = 3,
};

enum LockTypeEnum : int {
    adLockUnspecified = -1,
    adLockReadOnly = 1,
    adLockPessimistic = 2,
    adLockOptimistic = 3,
    adLockBatchOptimistic = 4,
};

enum CursorLocationEnum : int {
    adUseServer = 2,
    adUseClient = 3,
};

enum ObjectStateEnum : int {
    adStateClosed = 0,
    adStateOpen = 1,
};

enum CommandTypeEnum : int {
    adCmdUnspecified = -1,
    adCmdText = 1,
    adCmdTable = 2,
    adCmdStoredProc = 4,
    adCmdUnknown = 8,
    adCmdTableDirect = 512,
};

enum ExecuteOptionEnum : int {
    adAsyncExecute = 0x10,
    adAsyncFetch = 0x20,
    adExecuteNoRecords = 0x80,
};

enum AffectEnum : int {
    adAffectCurrent = 1,
    adAffectGroup = 2,
    adAffectAll = 3,
};

enum StringFormatEnum : int {
    adClipString = 2,
};

enum GetRowsOptionEnum : int {
    adGetRowsRest = -1,
};

enum PositionEnum : int {
    adPosUnknown = -1,
    adPosBOF = -2,
    adPosEOF = -3,
};

enum DataTypeEnum : int {
    adEmpty = 0,
    adSmallInt = 2,
    adInteger = 3,
    adSingle = 4,
    adDouble = 5,
    adCurrency = 6,
    adDate = 7,
    adBSTR = 8,
    adBoolean = 11,
    adVariant = 12,
    adDecimal = 14,
    adTinyInt = 16,
    adUnsignedTinyInt = 17,
    adUnsignedSmallInt = 18,
    adUnsignedInt = 19,
    adBigInt = 20,
    adGUID = 72,
    adBinary = 128,
    adChar = 129,
    adWChar = 130,
    adNumeric = 131,
    adDBTimeStamp = 135,
    adVarChar = 200,
    adLongVarChar = 201,
    adVarWChar = 202,
    adLongVarWChar = 203,
    adVarBinary = 204,
    adLongVarBinary = 205,
};

// Error numbers raised as vb::ErrObject::Number.
namespace errnum {
constexpr std::int32_t ItemNotFound = 3265;    // no such item in the collection
constexpr std::int32_t NoCurrentRecord = 3021; // BOF or EOF
constexpr std::int32_t NotAllowedInContext = 3219;
constexpr std::int32_t NotUpdatable = 3251;
constexpr std::int32_t ObjectClosed = 3704;
constexpr std::int32_t ObjectOpen = 3705;
constexpr std::int32_t ProviderNotFound = 3706;
constexpr std::int32_t ConnectionInvalid = 3709;
constexpr std::int32_t JetFailure = -2147467259; // E_FAIL: what the Jet engine raises for most faults
constexpr std::int32_t ErrorsInCommand = -2147217900;
constexpr std::int32_t NoSuchTable = -2147217865;
constexpr std::int32_t MissingParameter = -2147217904;
constexpr std::int32_t MultipleStep = -2147217887; // a value the field cannot hold
constexpr std::int32_t DatabaseExists = -2147217897;
constexpr std::int32_t FetchBackward = -2147217884;
constexpr std::int32_t NoTransaction = -2147168242;
} // namespace errnum

// Sources named in raised errors.
inline QString JetSource()
{
    return QStringLiteral("Microsoft JET Database Engine");
}
inline QString ConnectionSource()
{
    return QStringLiteral("ADODB.Connection");
}
inline QString RecordsetSource()
{
    return QStringLiteral("ADODB.Recordset");
}
inline QString FieldsSource()
{
    return QStringLiteral("ADODB.Fields");
}

// Throws vb::ErrObject with ADO's own description of the number.
[[noreturn]] void RaiseAdo(std::int32_t number, const QString& source);
// Throws vb::ErrObject(number, description, source).
[[noreturn]] void Raise(std::int32_t number, const QString& description, const QString& source);
// Throws Jet's error for a database file that another connection holds.
[[noreturn]] void RaiseFileInUse(const QString& path);

} // namespace ado
