// demoworld: serves the tiny world of CDemoWorld on 127.0.0.1, one world shared by every
// client, so the client can be tried (and demonstrated) without a real MUD.
//
//   demoworld [--port N]     N defaults to 4000; 0 picks a free port
//
// Prints "demoworld listening on 127.0.0.1:N" once it accepts connections.

#include <QByteArray>
#include <QCoreApplication>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "DemoWorld.h"

namespace {

constexpr unsigned kDefaultPort = 4000;
constexpr std::size_t kMaxClients = 100;
// A client that stops reading while asking for bursts would make us hold its output for
// ever; past this much unsent data it is dropped.
constexpr qint64 kMaxUnsent = 32 * 1024 * 1024;

std::optional<unsigned> ParsePort(std::string_view text)
{
    if (text.empty() || text.size() > 5)
        return std::nullopt;
    unsigned port = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        port = port * 10 + static_cast<unsigned>(c - '0');
    }
    if (port > 65535)
        return std::nullopt;
    return port;
}

void PrintUsage(std::FILE* to)
{
    std::fputs("usage: demoworld [--port N]   (N from 0 to 65535, default 4000; 0 picks a "
               "free port)\n",
               to);
}

// The port from the arguments; empty (after printing why) when they make no sense.
std::optional<unsigned> PortFromArguments(int argc, char** argv, bool& helpOnly)
{
    unsigned port = kDefaultPort;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        std::optional<unsigned> parsed;
        if (arg == "--help" || arg == "-h") {
            helpOnly = true;
            return std::nullopt;
        } else if ((arg == "--port" || arg == "-p") && i + 1 < argc) {
            parsed = ParsePort(argv[++i]);
        } else if (arg.substr(0, 7) == "--port=") {
            parsed = ParsePort(arg.substr(7));
        } else {
            parsed = ParsePort(arg); // a bare number is the port too
        }
        if (!parsed) {
            std::fprintf(stderr, "demoworld: bad argument '%s'\n", argv[i]);
            return std::nullopt;
        }
        port = *parsed;
    }
    return port;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);

    bool helpOnly = false;
    const auto port = PortFromArguments(argc, argv, helpOnly);
    if (!port) {
        PrintUsage(helpOnly ? stdout : stderr);
        return helpOnly ? 0 : 2;
    }

    QTcpServer server;
    std::map<int, QTcpSocket*> sockets;
    int lastId = 0;

    CDemoWorld world(
        [&sockets](int id, const std::string& bytes) {
            const auto it = sockets.find(id);
            if (it == sockets.end())
                return;
            QTcpSocket* socket = it->second;
            if (socket->bytesToWrite() > kMaxUnsent) {
                socket->abort(); // emits disconnected: the player leaves
                return;
            }
            socket->write(bytes.data(), static_cast<qint64>(bytes.size()));
        },
        [&sockets](int id) {
            const auto it = sockets.find(id);
            if (it != sockets.end())
                it->second->disconnectFromHost(); // after the pending output is written
        });

    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        while (QTcpSocket* socket = server.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            if (sockets.size() >= kMaxClients) {
                socket->write("The demo world is full; try again later.\r\n");
                socket->disconnectFromHost();
                continue;
            }
            const int id = ++lastId;
            sockets[id] = socket;
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [&world, socket, id] {
                const QByteArray data = socket->readAll();
                world.Input(
                    id, std::string_view(data.constData(), static_cast<std::size_t>(data.size())));
            });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, [&world, &sockets, id] {
                if (sockets.erase(id) != 0)
                    world.Leave(id);
            });
            world.Join(id);
        }
    });

    if (!server.listen(QHostAddress(QHostAddress::LocalHost), static_cast<quint16>(*port))) {
        std::fprintf(stderr, "demoworld: cannot listen on 127.0.0.1:%u: %s\n", *port,
                     server.errorString().toLocal8Bit().constData());
        return 1;
    }
    std::printf("demoworld listening on 127.0.0.1:%u\n",
                static_cast<unsigned>(server.serverPort()));
    std::fflush(stdout);
    return app.exec();
}
