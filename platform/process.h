// Processes: find and end by image name or by program file, start programs
// detached, open web addresses in the system browser.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The executable suffix of this platform ("" on Linux). Image names given with
// the Windows suffix ".exe" are compared without it.
inline constexpr const char kExecutableSuffix[] = "";
// The file suffix of loadable modules (the Windows ".dll" of an outside module).
inline constexpr const char kModuleSuffix[] = ".so";

// True when a running process has this image name ("updrix.exe" matches a
// process whose executable is named "updrix"), compared ignoring ASCII case with
// the base name of the process's executable (/proc/PID/exe; a program whose file
// was replaced while it runs keeps its name). A process whose executable cannot
// be read (another user's, a kernel thread, one that has ended) counts as not
// matching. The thread name (/proc/PID/comm) is not used: it is cut to 15
// characters and any process may change it.
bool IsProcessRunning(const std::string& imageName);

// The "taskkill /im NAME /f" stand-in: ends every process of that image name
// with SIGKILL, asynchronously (returns without waiting), never the caller.
void KillProcessesByName(const std::string& imageName);

// True when a process runs the program file `path` (GBK; a path ending in ".exe"
// names the file without it, as for image names): its executable is that very
// file, or was until the file was replaced or removed while the process ran. A
// program of the same name in another folder does not count, nor does a copy or
// a link of the file elsewhere that a process was started from. The folder may be
// named through a symbolic link.
bool IsProgramRunning(const std::string& path);

// Ends every process IsProgramRunning finds for `path` with SIGKILL,
// asynchronously, never the caller. Programs of the same name elsewhere are left
// alone (KillProcessesByName ends those too).
void KillProgram(const std::string& path);

// Splits a GBK parameter text into GBK arguments by the Windows command-line
// rules: blanks and tabs separate arguments outside quotes; 2n backslashes before
// a quote give n backslashes and the quote opens or closes a quoted part, 2n+1
// give n backslashes and a literal quote; other backslashes are literal; "" inside
// a quoted part is a literal quote. So "a'b'1" stays one argument.
std::vector<std::string> SplitCommandLine(const std::string& parameters);

// ShellExecute "open" of a program: starts `program` detached (in its own session,
// not a child of the caller) in `workingFolder` (empty: the caller's) with
// `parameters` split as above. A file without its run bit gets it first. A name
// without a separator is looked up on PATH; a name ending in ".exe" that does not
// exist is started without that suffix. Returns false when the program could not
// be started (missing file, bad working folder, not executable).
bool StartProgram(const std::string& program, const std::string& parameters,
                  const std::string& workingFolder);

// Whether `address` may go to the system browser: an "http://" or "https://"
// address (scheme in any letter case) with a host. Everything else (local files,
// "data:", "javascript:", custom schemes) would make `xdg-open` run or show
// whatever the address names.
bool IsWebAddress(std::string_view address);

// ShellExecute "open" of a web address: the system browser through the
// `xdg-open` found on PATH, started detached. An address that is not a web
// address (above) is refused and logged. False when refused or there is no
// `xdg-open`.
bool OpenUrl(const std::string& url);

// Sets `name` to `value` for this program only, unless the environment already
// has it (the user's choice stands): programs started by StartProgram and
// OpenUrl do not inherit it. Call it first in main, before any thread starts:
// getenv in other threads (fontconfig, curl, GTK's) reads the environment
// without a lock, and setenv may move it. True when it was set.
bool SetOwnEnvironmentVariable(const char* name, const char* value);

}  // namespace platform
