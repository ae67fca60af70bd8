#include "mail/MailComponent.h"

#include <curl/curl.h>

#include <cstring>

using namespace std::chrono_literals;

bool mailLibrarySpeaksSmtp() {
    const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
    if (!info || !info->protocols)
        return false;
    for (const char* const* protocol = info->protocols; *protocol; ++protocol) {
        if (std::strcmp(*protocol, "smtp") == 0)
            return true;
    }
    return false;
}

MailComponentResult createMailComponent() {
    MailComponentResult result;
    if (!mailLibrarySpeaksSmtp()) {
        result.error = MailComponentError::Unavailable;
        return result;
    }
    result.component = std::make_unique<SmtpClient>();
    // A dead or silent server ends as a failed send well within half a minute.
    result.component->setConnectTimeout(10s);
    result.component->setTransferTimeout(30s);
    return result;
}
