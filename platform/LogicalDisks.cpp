#include "platform/LogicalDisks.h"

namespace {

// This build cannot ask a Windows PC for its disks yet: every query fails, so a drive-letter
// job reports the letter as not there instead of claiming it was found.
class UnavailableLogicalDisks final : public LogicalDisks {
  public:
    LogicalDiskList list(const QString&) override {
        LogicalDiskList answer;
        answer.status = LogicalDiskList::Status::Failed;
        answer.detail = QStringLiteral("this build has no way to list the disks of a remote PC");
        return answer;
    }
};

} // namespace

std::shared_ptr<LogicalDisks> createLogicalDisks() {
    return std::make_shared<UnavailableLogicalDisks>();
}
