// The web engine as a module of its own (libquorvi-web.so): WebKit and its
// libraries are loaded only when the programs need the engine, after their
// first window has been painted, instead of before anything shows.
//
// The module is built against the widget layer and finds the layer's code in
// the program that loads it, so the programs export their symbols.
#pragma once

#include <memory>

#include "ui/core/backend.h"

namespace DuiLib {
class CActiveXUI;
}  // namespace DuiLib

namespace ui {

class GtkBackend;

// What the module gives the program that loads it.
struct WebModuleApi {
    // A browser engine for the control (the WebKit one).
    std::unique_ptr<BrowserEngine> (*createEngine)(DuiLib::CActiveXUI& host, GtkBackend& backend);
    // Starts the web process the page views share (WebViewReserve::Enable).
    void (*enableSpareView)();
};

}  // namespace ui

// The module's one entry, looked up by this name.
extern "C" const ui::WebModuleApi* quorvi_web_module();
