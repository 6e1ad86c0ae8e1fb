#pragma once
// VB's On Error model in C++: platform calls throw vb::ErrObject; a procedure
// that traps its errors catches, records the error as "the error being
// handled" through CatchError(), and reports it.

#include <QString>
#include <cstdint>
#include <exception>
#include <string>

namespace vb {

// Error numbers that the program relies on.
namespace errnum {
constexpr std::int32_t InvalidProcedureCall = 5;
constexpr std::int32_t Overflow = 6;
constexpr std::int32_t OutOfMemory = 7;
constexpr std::int32_t SubscriptOutOfRange = 9;
constexpr std::int32_t TypeMismatch = 13;
constexpr std::int32_t FileNotFound = 53;
constexpr std::int32_t BadFileMode = 54;
constexpr std::int32_t FileAlreadyOpen = 55;
constexpr std::int32_t DeviceIOError = 57; // also a full disk: the description names the cause
constexpr std::int32_t FileAlreadyExists = 58;
constexpr std::int32_t BadFileNameOrNumber = 52;
constexpr std::int32_t PermissionDenied = 70;
constexpr std::int32_t PathFileAccessError = 75;
constexpr std::int32_t PathNotFound = 76;
constexpr std::int32_t ObjectVariableNotSet = 91;
constexpr std::int32_t InvalidUseOfNull = 94;
constexpr std::int32_t KeyAlreadyAssociated = 457;
constexpr std::int32_t ItemNotFound = 3265;     // ADO: item not found in the collection
constexpr std::int32_t DialogCancelled = 32755; // common dialog: Cancel was selected
} // namespace errnum

class ErrObject : public std::exception {
public:
    ErrObject() = default;
    ErrObject(std::int32_t number, QString description, QString source = {});

    std::int32_t Number = 0;
    QString Description;
    QString Source;

    void Clear();
    const char* what() const noexcept override;

private:
    mutable std::string m_what;
};

// The standard description VB gives an error number ("Overflow", "Type mismatch", ...).
QString DefaultDescription(std::int32_t number);

// Throws ErrObject(number, description or the default one, source).
[[noreturn]] void Raise(std::int32_t number, const QString& source = {}, const QString& description = {});

// The error being handled: the last error recorded by CatchError (VB's Err).
ErrObject& Err();

// Call inside catch(...): turns the exception in flight into an ErrObject
// (foreign exceptions become error 5, bad_alloc error 7), records it as the
// error being handled and returns it.
const ErrObject& CatchError();

// Runs one step whose failure is recorded as the error being handled and
// otherwise ignored, so that the procedure goes on with its next step.
template <class F> void ResumeNext(F&& step)
{
    try {
        step();
    } catch (...) {
        CatchError();
    }
}

} // namespace vb
