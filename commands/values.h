#pragma once

#include "codec/bytes.h"
#include "commands/protocol.h"

#include <span>
#include <string>

namespace stepbench {

// A request of the command built from values written out, as the command's data form says: a
// number per byte, one signed 32-bit number, a direction and a count, an input pattern, hex
// bytes. Refused, naming the value and what it may be, when a value does not fit.
Result<Bytes> RequestFromValues(std::uint8_t address, const CommandInfo& command,
                                std::span<const std::string> values);

// How the values of the command are written ("VALUE (signed 32-bit)"); empty when it takes none.
std::string ValuesUsage(const CommandInfo& command);

} // namespace stepbench
