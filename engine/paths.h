// File names as a build file writes them, resolved against the folder of the
// build file being run.
#pragma once

#include <string>
#include <string_view>

namespace ws {

// A name that begins with "/" or contains a colon is used unchanged; any other
// is baseFolder followed by the name. A backslash in the name reads as "/".
std::string ResolveFileName(std::string_view baseFolder, std::string_view name);

// The folder part of a file name up to and including its last "/" ("" if none).
std::string FolderOf(std::string_view path);

// The part of a file name after its last "/" (all of it if none).
std::string_view FileNameOf(std::string_view path);

}  // namespace ws
