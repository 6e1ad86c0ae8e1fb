#pragma once
// The scrub routine of workbooks. Its run comes with a later part of the
// program; until then the Start run hands it the DNC connection and it
// leaves the source as it is.

#include <memory>

namespace ado {
class Connection;
}

namespace scrub {

void ScrubExcelSheet(const std::shared_ptr<ado::Connection>& dncConn);

} // namespace scrub
