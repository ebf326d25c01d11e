// Shared by the fuzz targets: a scratch folder of this process and a quiet trace.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzsupport {

// A folder under $TMPDIR that lives as long as the process; with a trailing "/".
const std::string& ScratchFolder();
// Writes size bytes to path, replacing it; aborts when the file cannot be written, since a
// run on a broken scratch folder proves nothing.
void WriteInput(const std::string& path, const uint8_t* data, size_t size);
// Trace lines go nowhere: the targets provoke thousands of them.
void SilenceTrace();

} // namespace fuzzsupport
