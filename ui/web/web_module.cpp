#include "ui/web/web_module.h"

#include "ui/web/web_view_reserve.h"
#include "ui/web/webkit_engine.h"

extern "C" const ui::WebModuleApi* quorvi_web_module() {
    static const ui::WebModuleApi api{
        [](DuiLib::CActiveXUI& host,
           ui::GtkBackend& backend) -> std::unique_ptr<ui::BrowserEngine> {
            return std::make_unique<ui::WebKitBrowserEngine>(host, backend);
        },
        [] { ui::WebViewReserve::Get().Enable(); },
    };
    return &api;
}
