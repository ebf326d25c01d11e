// The quality check on any bytes: every finding well formed, in block order, inside the
// file, and never the finding of a check that failed inside.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz/FuzzSupport.h"
#include "qc/QualityCheck.h"
#include "stl/STLBlocks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool quiet = [] {
        fuzzsupport::SilenceTrace();
        return true;
    }();
    (void)quiet;
    const auto findings = CheckSTLData(data, size);
    const size_t blocks = size < GSI_BLOCK_SIZE ? 0 : (size - GSI_BLOCK_SIZE) / TTI_BLOCK_SIZE;
    int previous = 0;
    for (const TQcFinding& finding : findings) {
        if (finding.Block < previous || size_t(finding.Block) > blocks || finding.Field.empty())
            __builtin_trap();
        previous = finding.Block;
        const std::string line = FormatQcFinding(finding);
        const char* severity = QcSeverityName(finding.Severity);
        if (line.compare(0, std::strlen(severity), severity) != 0 || finding.Text.empty())
            __builtin_trap();
        if (finding.Text == "cannot be checked")
            __builtin_trap(); // the check threw
    }
    return 0;
}
