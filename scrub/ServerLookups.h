#pragma once
// The scrub's look-ups on a DNC store on a database server: a run of
// numbers is answered with one query per area code rather than one round
// trip per number.

#include <cstdint>
#include <memory>
#include <vector>

namespace ado {
class Connection;
}

namespace scrub {

class DncLookup;

// For keys of (ten-digit value << indexBits | record place), ascending, sets
// listed[place] to 1 (on the list) or 2 (not), with the rule of DncLookup:
// a number whose area code has no table counts as listed exactly when
// "nacnotindnc" is on. False, with nothing set, when the connection is not
// one to a server that can answer so; then the caller looks up one by one.
// A failed query throws vb::ErrObject: the run stops, nothing is taken for
// "not listed".
bool JudgeOnServer(const std::shared_ptr<ado::Connection>& connection, const std::vector<std::uint64_t>& keys,
                   int indexBits, DncLookup& lookup, std::vector<std::uint8_t>& listed);

} // namespace scrub
