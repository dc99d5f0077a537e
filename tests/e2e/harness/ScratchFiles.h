#pragma once
// Files the cases arrange for Ostrel to find: in the temporary folder, named
// by its long path, since Ostrel shows long paths.

#include <string>

namespace e2e {

// The temporary folder's long path, with a trailing backslash.
std::wstring tempDirectory();
// Creates (or rewrites) `name` in the temporary folder with a few bytes of
// content and returns its full path; throws when it cannot.
std::wstring scratchFile(const std::wstring& name);

}  // namespace e2e
