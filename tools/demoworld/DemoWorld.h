#pragma once
// A tiny text world for trying the client without a real server: a few rooms, players
// who walk and talk, and commands that exercise the client's display (ANSI colours, tab,
// backspace, carriage return, a flood of lines). It knows nothing of sockets: bytes from a
// player come in through Input, and everything the world says leaves through the send and
// close callbacks, so the server around it stays a thin shell.

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

class CDemoWorld {
public:
    using SendFn = std::function<void(int player, const std::string& bytes)>;
    using CloseFn = std::function<void(int player)>;

    // A command line longer than this is thrown away (up to its end) with a warning, so a
    // client sending endless bytes without a line end cannot make the world grow.
    static constexpr std::size_t kMaxLine = 4096;
    static constexpr int kDefaultBurst = 1000;
    static constexpr int kMaxBurst = 100000;

    CDemoWorld(SendFn send, CloseFn close);

    // A new connection: greets it and shows the first prompt.
    void Join(int player);
    // Bytes as they arrived; complete lines (ending in LF, with or without CR) are run.
    void Input(int player, std::string_view bytes);
    // The connection went away (after quit, or dropped by the client).
    void Leave(int player);

    std::size_t PlayerCount() const { return m_players.size(); }

private:
    struct Player {
        int id = 0;
        std::string name;
        int room = 0;
        std::string pending;     // bytes of the line being received
        bool discarding = false; // the current line was too long: skip to its end
        bool quitting = false;
    };
    struct Room {
        std::string title;
        std::string description;
        std::vector<std::pair<std::string, int>> exits; // direction, room
    };

    void RunLine(int player, const std::string& line);
    void Look(Player& p);
    void Move(Player& p, const std::string& direction);
    void Say(Player& p, const std::string& text);
    void Who(Player& p);
    void Help(Player& p);
    void Demo(Player& p);
    void Burst(Player& p, const std::string& argument);
    void Quit(Player& p);

    void Tell(const Player& p, const std::string& text); // a line (CR LF added)
    void Prompt(const Player& p);
    // A line to everyone else in room, on its own line and followed by a fresh prompt.
    void TellRoom(int room, const Player& except, const std::string& text);

    SendFn m_send;
    CloseFn m_close;
    std::vector<Room> m_rooms;
    std::map<int, Player> m_players;
    int m_guestCounter = 0;
};
