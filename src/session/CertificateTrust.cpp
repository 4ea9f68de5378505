#include "session/CertificateTrust.h"

#include "base/MessageSink.h"
#include "res/StringTable.h"
#include "session/TlsConnection.h"
#include "settings/SettingsStore.h"

namespace {

constexpr int kStringQuestion = 8445;

// %1, %2 and %3 of the question, each replaced once, so a host name holding "%2" stays as
// it is.
std::string FillQuestion(const CTlsCertificate& certificate)
{
    std::string text = LoadString(kStringQuestion);
    const std::string values[] = {certificate.host, certificate.problem, certificate.fingerprint};
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '3') {
            out += values[text[i + 1] - '1'];
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace

bool CertificateTrust::Decide(CSettingsStore& store, CMessageSink& messages,
                              const std::string& hostSection, const CTlsCertificate& certificate)
{
    // Without a fingerprint there is nothing the user could recognise or trust.
    if (certificate.fingerprint.empty() || hostSection.empty())
        return false;
    if (store.ReadString(hostSection, kEntry, "") == certificate.fingerprint)
        return true;
    switch (messages.ShowMessage(FillQuestion(certificate), CMessageSink::Icon::Exclamation,
                                 CMessageSink::Buttons::YesNoCancel)) {
    case CMessageSink::Answer::Yes:
        store.WriteString(hostSection, kEntry, certificate.fingerprint);
        return true;
    case CMessageSink::Answer::No:
        return true;
    default:
        return false;
    }
}
