// The vCard reader's fuzz case, shared by the fuzz target and the test that
// replays its kept inputs.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hollin::fuzz {

// Reads the bytes as a vCard file and maps every card; checks what must hold
// for any input (aborting when it does not): every record has a first and
// last name, an event and a valid date; and the records written as vCard
// read back as sound cards with lines of at most 75 octets.
void RunVCard(const uint8_t* data, std::size_t size);

}  // namespace hollin::fuzz
