// Writing output texts to files.
#pragma once

#include <string_view>

#include "output.h"

namespace ws {

struct Engine;

// "endnew": writes every piece of the output as one line ending in CR LF to
// the named file (resolved against the build file's folder), replacing it
// atomically, and leaves a fresh output behind. A folder that does not exist
// is reported and stops the run; folders are never created. Throws
// FileError(Create) when the file cannot be written.
void WriteOutputFile(Engine& engine, std::string_view fileName, OutputText& output);

}  // namespace ws
