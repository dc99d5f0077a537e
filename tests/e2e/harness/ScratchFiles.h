#pragma once
// Files and folders the cases arrange for Ostrel to find: in the temporary
// folder, named by their long paths, since Ostrel shows long paths.

#include <string>

namespace e2e {

// The temporary folder's long path, with a trailing backslash.
std::wstring tempDirectory();
// Creates (or rewrites) `name` in the temporary folder with a few bytes of
// content and returns its full path; throws when it cannot.
// `name` may lead through folders made by scratchFolder.
std::wstring scratchFile(const std::wstring& name);
// Creates the folder `name` (backslashes separate levels, each made when
// missing) in the temporary folder; its full path without a trailing
// backslash. Throws when it cannot.
std::wstring scratchFolder(const std::wstring& name);
// Copies `file`, a program built beside the driver (held_module.dll), into
// `folder` (a full path), replacing an earlier copy; the copy's full path.
// Throws when it cannot.
std::wstring copyFromDriverFolder(const std::wstring& file, const std::wstring& folder);

}  // namespace e2e
