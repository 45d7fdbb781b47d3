// CReportThread: one report to the application server (a usage report or the
// client report); its answer and any failure are ignored, and it sends nothing.
#pragma once

#include <string>

#include "client/common/worker_thread.h"

namespace quorvi {

class CReportThread : public CThread {
public:
    // `path` is relative to the application server ("report.php?action=...").
    explicit CReportThread(std::string path, std::string applicationServer);
    ~CReportThread() override { StopAndJoin(); }

protected:
    int Run() override;

private:
    std::string m_path;
    std::string m_applicationServer;
};

}  // namespace quorvi
