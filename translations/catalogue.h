#pragma once

// The English catalogue built into the programs: every text of the sources by its Chinese id.
namespace stepbench {

// Installs the English catalogue, or takes it away again; false when it cannot be loaded.
bool UseEnglishCatalogue(bool on);

} // namespace stepbench
