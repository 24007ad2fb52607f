#pragma once

#include "core/commissioning_record.h"

#include <QString>

namespace stepbench {

// Writes a commissioning record as a PDF in the language chosen: A4 with page numbers, the
// fonts embedded (a CJK face for Chinese), a first page of the set-up and the drives' traffic, a
// page or more for each drive (its settings against the file compared with, its moves plotted
// against their plans with their deviations, its script checks) and a last page of what was not
// recorded. The file is written whole or not at all. Empty on success, else why; pages says how
// many were written.
QString WriteRecordPdf(const CommissioningRecord& record, const QString& path,
                       int* pages = nullptr);

} // namespace stepbench
