#include "core/EngineProgress.h"

#include "platform/vb/Clock.h"
#include "platform/vb/Err.h"

namespace engine {

bool ProgressThrottle::Due(bool final)
{
    const double now = vb::Timer();
    if (!final && m_reported && now - m_last < m_seconds) return false;
    m_reported = true;
    m_last = now;
    return true;
}

Failure FailureOf(const vb::ErrObject& error, const QString& module, const QString& function)
{
    return {error.Number, error.Description, module, function};
}

} // namespace engine
