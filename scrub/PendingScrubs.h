#pragma once
// The scrub routines of database tables. Their runs come with a later part
// of the program; until then the Start run hands them the DNC connection and
// they leave the source as it is.

#include <memory>

namespace ado {
class Connection;
}

namespace scrub {

void ScrubAccessTable(const std::shared_ptr<ado::Connection>& dncConn);
// FoxPro and ACT! tables.
void ScrubFoxProTable(const std::shared_ptr<ado::Connection>& dncConn);

} // namespace scrub
