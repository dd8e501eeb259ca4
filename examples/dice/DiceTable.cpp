// dice-table: the server side of the Dice example plugin, a small game server on 127.0.0.1.
//
//   dice-table [port]      (default 4000; one player at a time)
//
// It asks the client for its plugins, opens the Dice plugin, and turns what the player types
// into game codes: play (a new match), again (a rematch with the score kept), roll, rules and
// quit. The plugin's throws come back as game data, which the dealer answers with its own;
// the plugin's texts are shown as room messages, and its "match over" ends the game. Every
// code it sends and receives is echoed to standard output.
#include "util/Base64.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <random>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr size_t MaxLine = 16384;

// Texts of the table, Windows-1251.
// Добро пожаловать за стол с костями!
constexpr const char* Welcome = "\xC4\xEE\xE1\xF0\xEE \xEF\xEE\xE6\xE0\xEB\xEE\xE2\xE0\xF2\xFC "
                                "\xE7\xE0 \xF1\xF2\xEE\xEB \xF1 \xEA\xEE\xF1\xF2\xFF\xEC\xE8!";
// Наберите play, чтобы начать партию, again - реванш с прежним счётом, roll - бросить кости,
// rules - правила, quit - выйти.
constexpr const char* Help =
    "\xCD\xE0\xE1\xE5\xF0\xE8\xF2\xE5 play, \xF7\xF2\xEE\xE1\xFB \xED\xE0\xF7\xE0\xF2\xFC "
    "\xEF\xE0\xF0\xF2\xE8\xFE, again - \xF0\xE5\xE2\xE0\xED\xF8 \xF1 \xEF\xF0\xE5\xE6\xED\xE8\xEC "
    "\xF1\xF7\xB8\xF2\xEE\xEC, roll - \xE1\xF0\xEE\xF1\xE8\xF2\xFC \xEA\xEE\xF1\xF2\xE8, rules - "
    "\xEF\xF0\xE0\xE2\xE8\xEB\xE0, quit - \xE2\xFB\xE9\xF2\xE8.";
// У вас нет модуля Dice: положите Dice.so в папку Plugins рядом с клиентом.
constexpr const char* NoPlugin =
    "\xD3 \xE2\xE0\xF1 \xED\xE5\xF2 \xEC\xEE\xE4\xF3\xEB\xFF Dice: \xEF\xEE\xEB\xEE\xE6\xE8\xF2"
    "\xE5 Dice.so \xE2 \xEF\xE0\xEF\xEA\xF3 Plugins \xF0\xFF\xE4\xEE\xEC \xF1 "
    "\xEA\xEB\xE8\xE5\xED\xF2\xEE\xEC.";
// Партия уже идёт.
constexpr const char* AlreadyRunning = "\xCF\xE0\xF0\xF2\xE8\xFF \xF3\xE6\xE5 \xE8\xE4\xB8\xF2.";
// Сначала начните партию: play.
constexpr const char* NotRunning =
    "\xD1\xED\xE0\xF7\xE0\xEB\xE0 \xED\xE0\xF7\xED\xE8\xF2\xE5 \xEF\xE0\xF0\xF2\xE8\xFE: play.";
// Крупье бросает:
constexpr const char* DealerThrows = "\xCA\xF0\xF3\xEF\xFC\xE5 \xE1\xF0\xEE\xF1\xE0\xE5\xF2: ";
// Партия окончена. play - новая партия, again - реванш.
constexpr const char* MatchOver =
    "\xCF\xE0\xF0\xF2\xE8\xFF \xEE\xEA\xEE\xED\xF7\xE5\xED\xE0. play - \xED\xEE\xE2\xE0\xFF "
    "\xEF\xE0\xF0\xF2\xE8\xFF, again - \xF0\xE5\xE2\xE0\xED\xF8.";
// Не понимаю:
constexpr const char* Unknown = "\xCD\xE5 \xEF\xEE\xED\xE8\xEC\xE0\xFE: ";
// До встречи!
constexpr const char* Bye = "\xC4\xEE \xE2\xF1\xF2\xF0\xE5\xF7\xE8!";
// Вы (канал
constexpr const char* YouOnChannel = "\xC2\xFB (\xEA\xE0\xED\xE0\xEB ";

const std::string Marker = "\x80\x80";

void Log(const char* direction, const std::string& line) {
    std::string shown;
    for (unsigned char c : line) {
        if (c < 0x20 || c >= 0x80) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            shown += hex;
        } else {
            shown += static_cast<char>(c);
        }
    }
    std::printf("%s %s\n", direction, shown.c_str());
    std::fflush(stdout);
}

// One player's connection: lines in, lines out, telnet's doubled 0xFF undone and redone.
class Player {
  public:
    explicit Player(int fd) : Fd(fd) {}
    ~Player() { ::close(Fd); }
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    bool Send(const std::string& line) {
        if (line.rfind(Marker, 0) == 0)
            Log(">", line);
        std::string wire;
        for (char c : line) {
            wire += c;
            if (c == '\xFF')
                wire += c;
        }
        wire += "\r\n";
        for (size_t sent = 0; sent < wire.size();) {
            const ssize_t n = ::send(Fd, wire.data() + sent, wire.size() - sent, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            sent += static_cast<size_t>(n);
        }
        return true;
    }

    // The next line without its line end; false when the player has gone.
    bool Receive(std::string& line) {
        for (;;) {
            const size_t end = Pending.find('\n');
            if (end != std::string::npos) {
                line = Pending.substr(0, end);
                Pending.erase(0, end + 1);
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                for (size_t i = 0; (i = line.find("\xFF\xFF", i)) != std::string::npos; ++i)
                    line.erase(i, 1);
                return true;
            }
            if (Pending.size() > MaxLine)
                return false;
            char buffer[4096];
            const ssize_t n = ::recv(Fd, buffer, sizeof buffer, 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            Pending.append(buffer, static_cast<size_t>(n));
        }
    }

  private:
    int Fd;
    std::string Pending;
};

class Table {
  public:
    explicit Table(Player& player) : Client(player), Random(std::random_device{}()) {}

    void Serve() {
        Client.Send(Welcome);
        Client.Send(Marker + "gl"); // which plugins has the client?
        std::string line;
        while (Client.Receive(line)) {
            if (line.rfind(Marker, 0) == 0) {
                Log("<", line);
                FromPlugin(line.substr(2));
            } else if (!FromPlayer(line)) {
                break;
            }
        }
    }

  private:
    void FromPlugin(const std::string& code) {
        if (code.rfind("gl", 0) == 0) {
            if (code.substr(2, code.find('\x80') - 2) == "Dice" && !HasDice) {
                HasDice = true;
                Client.Send(Marker + "goDice");
                Client.Send(Help);
            }
        } else if (code.rfind("gd", 0) == 0) {
            const auto data = tolmix::DecodeBase64(code.substr(2));
            if (Running && data && data->rfind("roll ", 0) == 0)
                DealerThrow();
        } else if (code.rfind("ge", 0) == 0 && code.size() > 2) {
            Client.Send(std::string(YouOnChannel) + code[2] + "): " + code.substr(3));
        } else if (code == "gf") {
            Running = false;
            Client.Send(Marker + "gf");
            Client.Send(MatchOver);
        }
    }

    // False when the player leaves.
    bool FromPlayer(const std::string& command) {
        if (command == "quit") {
            Client.Send(Bye);
            return false;
        }
        if (command == "play" || command == "again") {
            if (!HasDice)
                Client.Send(NoPlugin);
            else if (Running)
                Client.Send(AlreadyRunning);
            else
                Start(command == "play");
        } else if (command == "roll") {
            if (Running)
                SendData("throw");
            else
                Client.Send(NotRunning);
        } else if (command == "rules") {
            Client.Send(Marker + "goDice");
        } else if (!command.empty() &&
                   command.find_first_not_of("0123456789") != std::string::npos) {
            Client.Send(Unknown + command); // the client's automatic digits pass silently
        }
        return true;
    }

    void Start(bool fresh) {
        Running = true;
        Client.Send(Marker + "gsDice" +
                    (fresh ? ""
                           : "\x80"
                             "1"));
    }

    void DealerThrow() {
        std::uniform_int_distribution<int> face(1, 6);
        const int a = face(Random);
        const int b = face(Random);
        Client.Send(std::string(DealerThrows) + std::to_string(a) + " \xE8 " + std::to_string(b));
        SendData("house " + std::to_string(a) + " " + std::to_string(b));
    }

    void SendData(const std::string& data) {
        Client.Send(Marker + "gd" + tolmix::EncodeBase64(data));
    }

    Player& Client;
    std::mt19937 Random;
    bool HasDice = false;
    bool Running = false;
};

} // namespace

int main(int argc, char** argv) {
    const int port = argc > 1 ? std::atoi(argv[1]) : 4000;
    if (port <= 0 || port > 65535) {
        std::fprintf(stderr, "usage: dice-table [port]\n");
        return 2;
    }
    std::signal(SIGPIPE, SIG_IGN);
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int yes = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (listener < 0 ||
        ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 1) != 0) {
        std::fprintf(stderr, "dice-table: cannot listen on 127.0.0.1:%d: %s\n", port,
                     std::strerror(errno));
        return 1;
    }
    std::printf("dice-table: waiting for a player on 127.0.0.1:%d\n", port);
    std::fflush(stdout);
    for (;;) {
        const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR)
                continue;
            std::fprintf(stderr, "dice-table: %s\n", std::strerror(errno));
            return 1;
        }
        std::printf("dice-table: a player sat down\n");
        Player player(fd);
        Table(player).Serve();
        std::printf("dice-table: the player left\n");
        std::fflush(stdout);
    }
}
