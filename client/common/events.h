// The events by which the client's windows, workers and features ask each other
// to act, each a value type. Raised at a window and handled by the one handler
// its routes hold for that type (window_events.h); the main window's handlers
// are registered by its components through MainWindowRoutes::On<Event>.
//
// Who raises what, and who handles it:
//
//   OpenApplication      catalogue options, the update-log button, the signed
//                        portal pages -> main window (application dialogs)
//   OpenSignedLink       a browser's pop-up -> its window; a dialog passes it on
//                        to the main window (account: the system browser)
//   StartContentFetch    a browser's page has loaded -> its window
//   HomeContent          the content fetches -> main window (home page), or the
//                        script plug-in fetch -> an application dialog
//   LoginFailed, LoginSucceeded, UserInfoReceived
//                        the login worker -> the login window or the main window;
//                        the login window passes the last two on (account)
//   SaveLogin            the login window -> main window (account)
//   SignedOut, OpenPersonalCenter
//                        the user menu -> main window (account)
//   DownloadProgress, DownloadCancelQuery
//                        the file update worker -> main window (downloads)
//
// Texts are GBK, as everywhere in the client.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "client/common/client_config.h"
#include "client/common/user_info.h"

namespace quorvi {

// Open `address` in a new application dialog; with an application id, the
// dialog's column lists the other applications of its group.
struct OpenApplication {
    std::optional<int> appId;
    std::string address;
};

// A page asked for a new window at `address`.
struct OpenSignedLink {
    std::string address;
};

// A browser of the window has finished loading a page.
struct StartContentFetch {};

// What a content fetch brought: the script plug-in, run in the window's pages,
// or a school account's recharge parameters, which build the home page. The
// body is empty when the answer was not usable.
enum class ContentMode { ScriptPlugin = 0, RechargeParams = 1 };
struct HomeContent {
    ContentMode mode = ContentMode::ScriptPlugin;
    std::string body;
};

// A login was refused; `message` says why (may be empty).
struct LoginFailed {
    std::string message;
};

// A login was accepted; `answer` is the whole login answer, kept as the user
// option's user data.
struct LoginSucceeded {
    std::string answer;
};

// The record of the user whose login was accepted.
struct UserInfoReceived {
    UserInfo user;
};

// The login to remember: the four login fields of `login` are filled.
struct SaveLogin {
    ClientConfig login;
};

struct SignedOut {};
struct OpenPersonalCenter {};

// A file update run's progress; each report carries a copy.
struct UpdateProgress {
    std::int64_t NeededBytes = 0;  // listed sizes of the files that differ (first pass)
    std::int64_t DoneBytes = 0;    // listed sizes of the changed files processed so far
    bool Finished = false;         // set just before the final report
    // Set with Finished when the list or a changed file did not arrive whole,
    // failed its digest or could not be put in place, or the plugin path was
    // refused: the folder is not level with the list, so a plugin program must
    // not be started.
    bool Failed = false;
    bool PluginMode = false;
    std::string PluginPath;  // plugin mode: the program's full local path once the run starts
    std::string StatusName;  // plugin mode: the name of the download status control
};

struct DownloadProgress {
    UpdateProgress progress;
};

// Whether the user has closed the download's status control: true ends the run.
struct DownloadCancelQuery {
    using Answer = bool;
    UpdateProgress progress;
};

}  // namespace quorvi
