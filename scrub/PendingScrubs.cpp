#include "scrub/PendingScrubs.h"

namespace scrub {

void ScrubExcelSheet(const std::shared_ptr<ado::Connection>&) {}

} // namespace scrub
