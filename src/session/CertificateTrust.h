#pragma once
// What a connection does with a server certificate that did not verify (self-signed,
// expired, another host's): connect if the user trusted this very certificate for this host
// before, else ask: always trust it (remembered with the host's settings as its SHA-256
// fingerprint, so that a changed certificate is asked about again), connect this once, or
// do not connect.

#include <string>

class CMessageSink;
class CSettingsStore;
struct CTlsCertificate;

namespace CertificateTrust {

// The host-section entry that holds the fingerprint of the certificate trusted always.
inline constexpr const char* kEntry = "TLS Certificate";

// True to go on with the connection. hostSection names the host's settings.
bool Decide(CSettingsStore& store, CMessageSink& messages, const std::string& hostSection,
            const CTlsCertificate& certificate);

} // namespace CertificateTrust
