#include "common/OpenSslServer.h"

#include <QString>
#include <QTcpServer>

#include "common/ScriptedServer.h"

namespace brumble::test {

bool MakeCertificate(const std::string& base, const std::string& commonName, bool forLocalhost)
{
    const QString name = QString::fromStdString(commonName);
    QString names = QStringLiteral("subjectAltName=DNS:") + name;
    if (forLocalhost)
        names += QStringLiteral(",DNS:localhost,IP:127.0.0.1");
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                   QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                   QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                   QStringLiteral("/CN=") + name, QStringLiteral("-addext"), names,
                   QStringLiteral("-keyout"), QString::fromStdString(base + ".key"),
                   QStringLiteral("-out"), QString::fromStdString(base + ".pem")});
    return openssl.waitForFinished(20000) && openssl.exitStatus() == QProcess::NormalExit &&
           openssl.exitCode() == 0;
}

COpenSslServer::~COpenSslServer()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool COpenSslServer::Start(const std::string& base, const QStringList& extra)
{
    {
        // A port the system just handed out is free for the moment.
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost, 0))
            return false;
        m_port = probe.serverPort();
    }
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    QStringList arguments{QStringLiteral("s_server"),
                          QStringLiteral("-accept"),
                          QStringLiteral("127.0.0.1:%1").arg(m_port),
                          QStringLiteral("-cert"),
                          QString::fromStdString(base + ".pem"),
                          QStringLiteral("-key"),
                          QString::fromStdString(base + ".key")};
    arguments += extra;
    m_process.start(QStringLiteral("openssl"), arguments);
    return m_process.waitForStarted(5000) && WaitForOutput("ACCEPT");
}

QByteArray COpenSslServer::Output()
{
    m_output += m_process.readAll();
    return m_output;
}

bool COpenSslServer::WaitForOutput(const QByteArray& text, int timeoutMs)
{
    return WaitUntil([&] { return Output().contains(text); }, timeoutMs);
}

void COpenSslServer::Send(const QByteArray& bytes)
{
    m_process.write(bytes);
    m_process.waitForBytesWritten(5000);
}

} // namespace brumble::test
