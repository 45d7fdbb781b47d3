// The on-screen widget layer in one call: GTK windows, cairo painting and the
// WebKit browser. The programs call it where the Windows system would call
// CoInitialize.
#pragma once

#include <string>

#include "ui/core/win_types.h"

namespace ui {

// Installs the on-screen backend. False, with the backend's one-line reason on
// standard error, when there is no display; the program then ends as it would
// when CoInitialize fails. When QUORVI_SCREENSHOT_DIR names a folder, the
// signal SIGUSR2 saves every shown window there as PNG with its control map
// (SaveShownWindowsPng).
bool InstallScreenBackend();

// Sets the environment variables the backend starts with. The environment must
// not change once threads run, so a program that starts threads before
// InstallScreenBackend (which calls this too) calls this first in main.
void PrepareScreenEnvironment();

// The web engine is a module, loaded after the first frame of a window of the
// program has been painted once the engine is wanted (the first browser
// control, or EnableSpareWebView), or three seconds on if none is painted by
// then. Browser controls made
// before that get an engine that keeps what they ask (page, scripts, place) and hands it to the
// WebKit engine once the module is there. LoadWebEngine loads it at once; false, with the reason on
// standard error, when it cannot be loaded (browser controls then show no page).
bool LoadWebEngine();

// Gives every page view of the program one shared web process, started as the
// web engine is loaded, for programs that open page windows one after another.
void EnableSpareWebView();

// Saves a window as PNG (path in UTF-8): the live window with its edit boxes and
// pages when it is on screen, its painted controls otherwise. False on failure.
bool SaveWindowPng(HWND hwnd, const std::string& path);

// Saves every shown top-level window into `folder` as "<window title>-<n>.png",
// and beside it "<window title>-<n>.controls.txt": one line per visible named
// control, "left top width height name" in screen coordinates. Returns how
// many windows were saved.
int SaveShownWindowsPng(const std::string& folder);

}  // namespace ui
