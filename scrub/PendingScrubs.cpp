#include "scrub/PendingScrubs.h"

namespace scrub {

void ScrubExcelSheet(const std::shared_ptr<ado::Connection>&) {}

void ScrubAccessTable(const std::shared_ptr<ado::Connection>&) {}

void ScrubFoxProTable(const std::shared_ptr<ado::Connection>&) {}

} // namespace scrub
