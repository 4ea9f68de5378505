#pragma once
// A real TLS server for tests: `openssl s_server` on 127.0.0.1 with a certificate the test
// made (MakeCertificate). What the client sends shows in Output(); Send() types into the
// server, which sends it to the client.

#include <QByteArray>
#include <QProcess>
#include <QStringList>

#include <string>

namespace brumble::test {

// Makes a self-signed certificate and key (EC P-256, valid for two days) for commonName,
// also valid for localhost and 127.0.0.1 when forLocalhost; files <base>.pem and
// <base>.key. False when openssl fails.
bool MakeCertificate(const std::string& base, const std::string& commonName, bool forLocalhost);

class COpenSslServer final {
public:
    ~COpenSslServer();
    // Starts on a free port with <base>.pem and <base>.key and any further s_server options;
    // true once it accepts connections.
    bool Start(const std::string& base, const QStringList& extra = {});
    quint16 Port() const { return m_port; }
    QByteArray Output(); // everything the server printed so far
    bool WaitForOutput(const QByteArray& text, int timeoutMs = 5000);
    void Send(const QByteArray& bytes);

private:
    QProcess m_process;
    QByteArray m_output;
    quint16 m_port = 0;
};

} // namespace brumble::test
