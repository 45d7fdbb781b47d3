#include "client/update/download_status_ui.h"

#include "platform/chinese_texts.h"

namespace quorvi {

CDownloadStatusUI::CDownloadStatusUI()
    : m_progress(new DuiLib::CProgressUI),
      m_closeButton(new DuiLib::CButtonUI),
      m_failure(new DuiLib::CLabelUI) {
    SetAttribute("float", "true");

    m_closeButton->SetAttribute("float", "true");
    m_closeButton->SetAttribute("pos", "74,0,0,0");
    m_closeButton->SetAttribute("width", "17");
    m_closeButton->SetAttribute("height", "17");
    m_closeButton->SetAttribute("normalimage", "btn_close_normal.png");
    m_closeButton->SetAttribute("hotimage", "btn_close_hot.png");
    m_closeButton->SetAttribute("pushedimage", "btn_close_normal.png");
    m_closeButton->SetAttribute("tooltip", platform::texts::kCancelDownloadTooltip);

    m_progress->SetAttribute("float", "true");
    m_progress->SetAttribute("pos", "16,64,84,78");
    m_progress->SetAttribute("min", "0");
    m_progress->SetAttribute("max", "100");
    m_progress->SetAttribute(
        "bkimage", "file='progress_bk.png' source='0,0,68,14' dest='0,0,68,14' corner='5,0,5,0'");
    m_progress->SetAttribute(
        "foreimage", "file='progress_fk.png' dest='5,5,50,10' source='0,0,56,10' corner='4,4,4,4'");
    m_progress->SetAttribute("value", "0");
    m_progress->SetAttribute("maxheight", "14");
    m_progress->SetAccName(platform::texts::kDownloadProgress);

    // Where the bar lies, a little taller for the text.
    m_failure->SetAttribute("float", "true");
    m_failure->SetAttribute("pos", "8,60,92,80");
    m_failure->SetAttribute("align", "center");
    m_failure->SetAttribute("textcolor", "#FFD0342C");
    m_failure->SetText(platform::texts::kDownloadFailed);
    m_failure->SetVisible(false);

    Add(m_closeButton);
    Add(m_progress);
    Add(m_failure);
}

void CDownloadStatusUI::SetFailed(bool failed) {
    m_failed = failed;
    m_failure->SetVisible(failed);
    m_progress->SetVisible(!failed);
}

void* CDownloadStatusUI::GetInterface(std::string_view name) {
    if (name == "DownloadStatus") return this;
    return CContainerUI::GetInterface(name);
}

CDownloadStatusUI* CDownloadStatusUI::From(DuiLib::CControlUI* control) {
    return control ? static_cast<CDownloadStatusUI*>(control->GetInterface("DownloadStatus"))
                   : nullptr;
}

void CDownloadStatusUI::SetName(std::string_view name) {
    CContainerUI::SetName(name);
    const std::string buttonName = std::string(kCloseButtonPrefix) + std::string(name);
    m_closeButton->SetName(buttonName);
    m_closeButton->SetUserData(name);
}

}  // namespace quorvi
