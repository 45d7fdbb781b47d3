#include "client/account/report_thread.h"

#include "libmerv/http_get.h"

namespace quorvi {

CReportThread::CReportThread(std::string path, std::string applicationServer)
    : m_path(std::move(path)), m_applicationServer(std::move(applicationServer)) {}

int CReportThread::Run() {
    std::string ignored;
    merv::HttpOptions options;
    options.stop = &StopFlag();
    merv::HttpGetText(m_applicationServer + m_path, ignored, options);
    return Finish();
}

}  // namespace quorvi
