#include "client/catalogue/catalogue_rows.h"

#include <cstdlib>

namespace quorvi {

std::unique_ptr<DuiLib::COptionUI> NewRowOption(const std::string& userData,
                                                const std::string& appId) {
    auto option = std::make_unique<DuiLib::COptionUI>();
    option->SetFloat(true);
    option->SetFont(0);
    option->SetAttribute("textcolor", "#00FFFBF0");
    option->SetUserData(userData);
    // Read as atoi reads it: the leading number, 0 when there is none.
    option->SetTag(static_cast<UINT_PTR>(std::atoi(appId.c_str())));
    return option;
}

std::unique_ptr<DuiLib::COptionUI> NewRowOption(const SqlRow& row, const RowOptionLayout& layout,
                                                const std::string& foreImage,
                                                const std::string& pos) {
    auto option = NewRowOption(row.Text(kColumnUserData), row.Text(kColumnAppId));
    option->SetAttribute("width", layout.width);
    option->SetAttribute("height", layout.height);
    option->SetAttribute("textpadding", layout.textPadding);
    option->SetAttribute("align", layout.align);
    option->SetAttribute("group", layout.group);
    option->SetAttribute("hotimage", "item_hover.png");
    option->SetAttribute("foreimage", foreImage);
    option->SetAttribute("pos", pos);
    option->SetName(row.Text(kColumnControlName));
    return option;
}

std::string PosText(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

DuiLib::CContainerUI* FindContainer(DuiLib::CPaintManagerUI& pm, std::string_view name) {
    DuiLib::CControlUI* control = pm.FindControl(name);
    return control ? static_cast<DuiLib::CContainerUI*>(control->GetInterface("Container"))
                   : nullptr;
}

}  // namespace quorvi
