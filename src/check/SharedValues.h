// Sections that write the same registry values. Every device section
// writes the one driver template key, and every modem section the one COM
// template with its Unimodem keys: a later section replaces what an earlier
// one wrote there, and a value that only some sections give stays in the
// shared key and applies to the others too, earlier and later ones alike.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "check/CheckState.h"
#include "check/Diagnostic.h"
#include "check/WriteLog.h"

namespace tarnwell::check {

// One warning per pair of sections whose writes meet, and per section that
// meets values of the store it started from (the registry named
// `registry`), at the header of the section it speaks of, each with that
// section's Root. `sections` describes the log's entries, one for one, in
// the order of the install pass. Linear in the number of values written:
// each section looks only at the keys it writes itself.
std::vector<std::pair<std::size_t, Diagnostic>> SharedValueDiagnostics(
    const WriteLog& log, const std::vector<const SectionInfo*>& sections,
    const std::string& registry);

}  // namespace tarnwell::check
