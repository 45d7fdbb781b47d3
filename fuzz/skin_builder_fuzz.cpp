// The skin builder on skin text: Window values, fonts, class defaults and the
// control tree with every attribute parser behind SetAttribute.
#include <cstdint>
#include <iostream>
#include <memory>
#include <string>

#include "ui/core/dialog_builder.h"
#include "ui/core/paint_manager.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Every malformed value is reported on standard error; the reports are not the point here.
    std::cerr.rdbuf(nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Text that does not start with '<' names a skin file instead.
    if (size == 0 || data[0] != '<') return 0;
    const std::string skin(reinterpret_cast<const char*>(data), size);
    DuiLib::CPaintManagerUI manager;
    DuiLib::CDialogBuilder builder;
    std::unique_ptr<DuiLib::CControlUI> root(builder.Create(skin, nullptr, nullptr, &manager));
    std::unique_ptr<DuiLib::CControlUI> bare(DuiLib::CDialogBuilder().Create(skin));
    return 0;
}
