#include "platform/LogicalDisks.h"

#include "platform/SambaDiskLister.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <QSysInfo>

using namespace Qt::Literals::StringLiterals;

namespace {

// How long one listing may wait for a PC, so that even a second try (after a Kerberos ticket
// was refused) ends before the job monitor gives up on the check.
constexpr std::chrono::seconds kListingTimeLimit(9);

// The drives of Windows PCs over Samba. This machine itself is never asked: a Linux desk has
// no drive letters, and the shares of its own Samba server (if it runs one) are no drives.
class SambaLogicalDisks final : public LogicalDisks {
  public:
    explicit SambaLogicalDisks(SambaDiskLister::Options options) : m_lister(std::move(options)) {}

    LogicalDiskList list(const QString& pcName) override {
        if (isThisMachine(pcName)) {
            LogicalDiskList answer;
            answer.detail = u"%1 is this machine, which has no drive letters"_s.arg(pcName);
            return answer;
        }
        return m_lister.list(pcName);
    }

  private:
    SambaDiskLister m_lister;
};

} // namespace

bool isThisMachine(const QString& pcName) {
    const QString name = pcName.trimmed();
    if (name == u"."_s || name.compare(u"localhost"_s, Qt::CaseInsensitive) == 0 ||
        name.endsWith(u".localhost"_s, Qt::CaseInsensitive))
        return true;
    const QHostAddress address(name);
    if (!address.isNull())
        return address.isLoopback() || QNetworkInterface::allAddresses().contains(address);
    // A host name: this machine's, with or without its domain on either side.
    const QString host = QSysInfo::machineHostName();
    if (host.isEmpty())
        return false;
    const auto same = [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) == 0;
    };
    return same(name, host) || same(name, host.section(u'.', 0, 0)) ||
           same(name.section(u'.', 0, 0), host);
}

std::shared_ptr<LogicalDisks> createLogicalDisks() {
    SambaDiskLister::Options options = SambaDiskLister::defaultOptions();
    options.timeout = kListingTimeLimit;
    return std::make_shared<SambaLogicalDisks>(std::move(options));
}
