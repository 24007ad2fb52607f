#pragma once

#include <string>

namespace stepbench::sim {

// The device's command set as a Markdown table, written from the protocol table.
std::string ProtocolMarkdown();

} // namespace stepbench::sim
