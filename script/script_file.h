#pragma once

#include "codec/bytes.h"

#include <QString>
#include <string>
#include <vector>

namespace stepbench {

// Reads a whole script file; on failure says why and gives no lines.
Result<std::vector<std::string>> LoadScriptFile(const QString& path);

// Replaces the file with the script's non-empty lines, all at once: a failure part-way leaves
// the old file as it was. With no non-empty lines the file is removed and none is written.
// Returns the reason on failure, empty on success.
QString SaveScriptFile(const QString& path, const std::vector<std::string>& lines);

} // namespace stepbench
