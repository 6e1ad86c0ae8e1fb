#include "scrub/PendingScrubs.h"

namespace scrub {

void ScrubAccessTable(const std::shared_ptr<ado::Connection>&) {}

void ScrubFoxProTable(const std::shared_ptr<ado::Connection>&) {}

} // namespace scrub
