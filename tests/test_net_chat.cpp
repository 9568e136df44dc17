// The lobby against a real chat server: two players' visits (each its own
// process, as two game clients are) that chat, whisper, emote, squelch,
// change channels and play an open-mode game together; a server that dies
// mid-visit, none at all, the dated messages from the connection's thread,
// and the server's lines cut and bounded.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <thread>

#include "../host/net/IrcLine.h"
#include "net/NetTest.h"

using namespace nettest;
using lobbytest::kConnectionLost;
using lobbytest::kOkLabel;
using lobbytest::kQuitLabel;

namespace {

constexpr int kTimeoutMs = 20000;
constexpr int kChannelLabel = 5314, kCreateLabel = 5312, kJoinLabel = 5313;

#define NEED_SERVER(s)                                                                                       \
    if (!net::ServerInstalled()) GTEST_SKIP() << "ngircd is not installed (tools/setup.sh)";                 \
    ASSERT_TRUE((s).Up()) << (s).error

// Connects the player, runs the script's visit, checks after (still connected)
// and disconnects: "" or what went wrong (the script, a result other than want,
// after's finding, blocks left).
std::string Visit(const net::Options& player, const char* channel, Script& script, uint32_t want,
                  LaunchRecord* record, const std::function<std::string()>& after = {}) {
    standin::ResetAll();
    std::string error;
    if (!net::Connect(player, &error)) return "connect: " + error;
    FillRecord(record, player, channel);
    uint32_t result = script.Run(record, kTimeoutMs);
    std::string failure = script.failure;
    if (failure.empty() && result != want) failure = "result " + std::to_string(result);
    if (failure.empty() && after) failure = after();
    net::Disconnect();
    if (failure.empty() && standin::LiveBlocks() != 0)
        failure = "blocks left: " + std::to_string(standin::LiveBlocks());
    return failure;
}

// A child's visit: its failures are printed, its exit code says whether there were any.
int ChildVisit(const net::Options& player, Script& script, uint32_t want,
               const std::function<std::string(const LaunchRecord&)>& after) {
    LaunchRecord record{};
    std::string failure = Visit(player, "Lobby", script, want, &record, [&] { return after(record); });
    if (!failure.empty()) fprintf(stderr, "%s's visit: %s\n", player.nick.c_str(), failure.c_str());
    return failure.empty() ? 0 : 1;
}

TEST(NetChat, TwoPlayersChatWhisperEmoteSquelchAndChangeChannel) {
    LocalServer server;
    NEED_SERVER(server);
    Signal arinInLobby;
    net::Options arin = Player(server.server.port, "Arin", "Thalia", 1);
    net::Options mira = Player(server.server.port, "Mira", "Bront", 4);

    int child = Fork([&] {
        if (!arinInLobby.Await(kTimeoutMs)) return 2;
        Script s;
        s.Then(
            "Arin's talk with Arin's character",
            [] { return PaneHas("<Thalia> ") && PaneHas("hello from Arin"); },
            [] { Say("/w *Arin psst Arin"); });
        s.Then(
            "Arin's reply", [] { return PaneHas("Thalia (*Arin) whispers: got it"); },
            [] { Say("/me waves"); });
        s.Then(
            "Arin's emote", [] { return PaneHas("*Thalia bows*"); },
            [] {
                Say("/squelch *Arin");
                Say("/w *Arin squelched you");
            });
        std::string heard;
        s.Then(
            "Arin leaving the channel", [] { return lobbytest::Look().FigureOf("Arin") == nullptr; },
            [&] {
                if (PaneHas("can you hear me")) heard = "a squelched line was shown";
                Click(kQuitLabel);
            });
        return ChildVisit(mira, s, 4, [&](const LaunchRecord&) { return heard; });
    });

    Script s;
    s.Then(
        "joining Lobby", [] { return PaneHas("You have joined channel: Lobby"); },
        [&] { arinInLobby.Raise(); });
    s.Then(
        "Mira in the channel", [] { return lobbytest::Look().FigureOf("Mira") != nullptr; },
        [] { Say("hello from Arin"); });
    s.Then(
        "Mira's whisper", [] { return PaneHas("Bront (*Mira) whispers: psst Arin"); },
        [] { Say("/r got it"); });
    s.Then(
        "Mira's emote", [] { return PaneHas("*Bront waves*"); }, [] { Say("/me bows"); });
    s.Then(
        "Mira's squelch notice", [] { return PaneHas("whispers: squelched you"); },
        [] {
            Say("can you hear me");
            Click(kChannelLabel);
        });
    s.Do("the channel dialog", [] { Say("Trade"); });
    bool whispered = false;
    s.Then(
        "joining Trade", [] { return PaneHas("You have joined channel: Trade"); },
        [&] { whispered = PaneHas("You whisper to Bront: got it"); });
    s.Then(
        "Mira's visit", [&] { return Ended(child); }, [] { Click(kQuitLabel); });
    LaunchRecord record{};
    EXPECT_EQ(Visit(arin, "Lobby", s, 4, &record), "");
    EXPECT_TRUE(whispered);
    EXPECT_STREQ(record.channelName, "Trade");
    EXPECT_EQ(Join(child), 0) << "Mira's visit failed (see above)";
}

TEST(NetChat, OpenModeGameCreatedByOneIsJoinedByTheOther) {
    LocalServer server;
    NEED_SERVER(server);
    Signal gameMade;
    net::Options arin = Player(server.server.port, "Arin", "Thalia", 1);
    net::Options mira = Player(server.server.port, "Mira", "Bront", 4);

    int child = Fork([&] {
        if (!gameMade.Await(kTimeoutMs)) return 2;
        auto listed = [] {
            auto query = reinterpret_cast<GameListQueryFn>(net::Table()->slot[kSlotGameListQuery]);
            const void* block = query(nullptr, nullptr, 0, 0);
            uint32_t count = 0;
            memcpy(&count, block, 4);
            return count > 0;
        };
        Script s;
        s.Then("the game announced to Mira's client", listed, [] { Click(kJoinLabel); });
        s.Then(
            "the game in the join list",
            [] {
                standin::Control* list = standin::FindAt(4, 432, 393);
                return list && !list->rows.empty() && list->rows[0].text == "Duel";
            },
            [] {
                standin::Control* list = standin::FindAt(4, 432, 393);
                standin::ClickListRow(list, 0);
                standin::ClickListRow(list, 0); // a double click joins
            });
        return ChildVisit(mira, s, 1, [](const LaunchRecord& r) -> std::string {
            if (r.nextAction != 7 || strcmp(r.gameName, "Duel") != 0 || strcmp(r.gameInfo, "127.0.0.1") != 0)
                return std::string("launch record: ") + std::to_string(r.nextAction) + " " + r.gameName +
                       " " + r.gameInfo;
            return "";
        });
    });

    Script s;
    s.Then(
        "joining Lobby", [] { return PaneHas("You have joined channel: Lobby"); },
        [] { Click(kCreateLabel); });
    s.Do("the create dialog", [] {
        standin::TypeText("Duel");
        standin::PressEnter();
    });
    LaunchRecord record{};
    // The game runs on Arin's machine: the connection stays until Mira is in.
    EXPECT_EQ(Visit(arin, "Lobby", s, 1, &record,
                    [&] {
                        gameMade.Raise();
                        net::WaitUntil([] { return !net::GameJoiners().empty(); }, kTimeoutMs);
                        return net::GameJoiners() == std::vector<std::string>{"Mira"} ? ""
                                                                                      : "Mira did not join";
                    }),
              "");
    EXPECT_EQ(record.nextAction, 6u);
    EXPECT_STREQ(record.gameName, "Duel");
    EXPECT_STREQ(record.gameInfo, "127.0.0.1");
    EXPECT_EQ(Join(child), 0) << "Mira's visit failed (see above)";
}

TEST(NetChat, ServerGoneMidVisitShowsConnectionLostAndEndsWithLeave) {
    LocalServer server;
    NEED_SERVER(server);
    Script s;
    s.Then(
        "joining Lobby", [] { return PaneHas("You have joined channel: Lobby"); },
        [&] { kill(server.server.pid, SIGKILL); });
    s.Then(
        "the lost connection", [] { return PaneHas("The connection to the chat server was lost."); },
        [] { Say("anyone there?"); });
    bool keptText = false;
    s.Then(
        "the connection-lost message",
        [] { return lobbytest::PopupText() == lobbytest::Text(kConnectionLost); },
        [&] {
            keptText = standin::Utf8(lobbytest::Input()->editText) == "anyone there?";
            Click(kOkLabel);
        });
    LaunchRecord record{};
    EXPECT_EQ(Visit(Player(server.server.port, "Arin", "Thalia", 1), "Lobby", s, 4, &record,
                    [] { return net::Connected() ? "still connected" : ""; }),
              "");
    EXPECT_TRUE(keptText);
    EXPECT_EQ(standin::LiveControlCount(), 0);
}

TEST(NetChat, NoServerFailsTheConnectionAndTheVisitBuildsNothing) {
    LocalServer server;
    NEED_SERVER(server);
    int port = server.server.port;
    net::StopServer(&server.server);
    standin::ResetAll();
    std::string error;
    EXPECT_FALSE(net::Connect(Player(port, "Arin", "Thalia", 1), &error));
    EXPECT_NE(error.find("cannot connect"), std::string::npos) << error;
    LaunchRecord record{};
    FillRecord(&record, Player(port, "Arin", "Thalia", 1), "Lobby");
    EXPECT_EQ(standin::RunVisit(QueryInterface(), &record), 4u);
    EXPECT_TRUE(standin::ImageLoads().empty());
    EXPECT_EQ(standin::LiveControlCount(), 0);
}

// The dated-message handlers as the service calls them, wrapped to see the thread.
DatedMessageHandler moduleDated;
ClearMessagesHandler moduleClear;
std::thread::id datedThread, clearThread;
SetMessageHandlersFn setHandlers;
int QV_CALL WrappedDated(uint32_t time, const char* text) {
    datedThread = std::this_thread::get_id();
    return moduleDated(time, text);
}
int QV_CALL WrappedClear() {
    clearThread = std::this_thread::get_id();
    return moduleClear();
}
int QV_CALL WrappedSet(DatedMessageHandler dated, ClearMessagesHandler clear) {
    moduleDated = dated;
    moduleClear = clear;
    return setHandlers(WrappedDated, WrappedClear);
}

TEST(NetChat, DatedMessagesComeFromTheConnectionsThread) {
    LocalServer server("Maintenance tonight\nHave fun");
    NEED_SERVER(server);
    standin::ResetAll();
    net::Options arin = Player(server.server.port, "Arin", "Thalia", 1);
    std::string error;
    ASSERT_TRUE(net::Connect(arin, &error)) << error;
    ChatServiceTable wrapped = *net::Table();
    setHandlers = reinterpret_cast<SetMessageHandlersFn>(wrapped.slot[kSlotSetMessageHandlers]);
    wrapped.slot[kSlotSetMessageHandlers] =
        reinterpret_cast<void*>(static_cast<SetMessageHandlersFn>(WrappedSet));
    LaunchRecord record{};
    FillRecord(&record, arin, "");
    record.chatService = &wrapped;
    Script s;
    s.Then(
        "the message of the day", [] { return PaneHas("Maintenance tonight") && PaneHas("Have fun"); },
        [] { Click(kQuitLabel); });
    EXPECT_EQ(s.Run(&record, kTimeoutMs), 4u);
    EXPECT_EQ(s.failure, "");
    EXPECT_EQ(datedThread, net::ConnectionThread());
    EXPECT_EQ(clearThread, net::ConnectionThread());
    EXPECT_NE(datedThread, std::this_thread::get_id());
    net::Disconnect();
    EXPECT_EQ(standin::LiveBlocks(), 0);
}

// A server of the test's own that sends hostile lines: overlong nicks, texts,
// channel names and descriptions, a line cut in two, a line past 512 bytes.
struct HostileServer {
    int listener = -1, port = 0;
    std::thread thread;
    HostileServer() {
        listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof a;
        bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
        listen(listener, 1);
        getsockname(listener, reinterpret_cast<sockaddr*>(&a), &length);
        port = ntohs(a.sin_port);
        thread = std::thread([this] { Serve(); });
    }
    ~HostileServer() {
        thread.join();
        close(listener);
    }
    static void Put(int fd, const std::string& text) {
        if (send(fd, text.data(), text.size(), MSG_NOSIGNAL) < 0) perror("send");
    }
    void Serve() {
        int fd = accept(listener, nullptr, nullptr);
        std::string got;
        char bytes[1024];
        auto await = [&](const char* what) {
            while (got.find(what) == std::string::npos) {
                ssize_t n = recv(fd, bytes, sizeof bytes, 0);
                if (n <= 0) return false;
                got.append(bytes, (size_t)n);
            }
            return true;
        };
        if (await("USER ")) Put(fd, ":srv 001 Arin :hi\r\n");
        if (await("JOIN #Lobby")) {
            std::string longNick(200, 'N'), longText(280, 't');
            Put(fd, ":Arin!a@h JOIN :#Lobby\r\n");
            Put(fd, ":srv 353 Arin = #Lobby :Arin @" + longNick + " Mira\r\n");
            Put(fd, ":Mira!m@h PRIVMSG #Lobby :\x01QVDESC zz\x01\r\n");                            // not hex
            Put(fd, ":Mira!m@h PRIVMSG #Lobby :\x01QVDESC " + std::string(600, 'a') + "\x01\r\n"); // past 512
            Put(fd, ":Mira!m@h PRIVMSG #Lobby :\x01QVDESC " +
                        net::HexOf("PXvQ" + std::string(150, 'R') + "," + std::string(40, 'C') + ",\x01") +
                        "\x01\r\n");
            Put(fd, ":" + longNick + "!x@h PRIVMSG #Lobby :" + longText + "\r\n");
            Put(fd, ":Mira!m@h PRIVMSG #Lobby :first half ");
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            Put(fd, "and the second\r\n:Mira!m@h PRIVMSG #Lobby :\x01QVGAME ADD 00 - 1 2 3\x01\r\n");
            Put(fd, ":srv 322 Arin #" + std::string(200, 'L') + " 1 :\r\n:srv 323 Arin :end\r\n");
            Put(fd, ":Mira!m@h PRIVMSG #Lobby :done\r\n");
        }
        await("QUIT");
        close(fd);
    }
};

TEST(NetChat, HostileLinesAreCutAndBoundedAndTheVisitGoesOn) {
    HostileServer server;
    standin::ResetAll();
    net::Options arin = Player(server.port, "Arin", "Thalia", 1);
    Script s;
    std::vector<std::string> pane;
    s.Then(
        "the last line", [] { return PaneHas("done"); },
        [&] {
            pane = lobbytest::PaneLines();
            Click(kQuitLabel);
        });
    LaunchRecord record{};
    EXPECT_EQ(Visit(arin, "Lobby", s, 4, &record,
                    [] {
                        return net::DroppedLines() == 1 ? ""
                                                        : "dropped " + std::to_string(net::DroppedLines());
                    }),
              "");
    bool longLine = false, joined = false;
    for (const std::string& line : pane) {
        joined |= line.find("first half and the second") != std::string::npos;
        // The overlong speaker's name is cut to 49 bytes and the text to what the record holds.
        if (line.find(std::string(40, 'N')) != std::string::npos) {
            longLine = true;
            EXPECT_EQ(line.find(std::string(49, 'N')), std::string::npos) << line;
            EXPECT_NE(line.find(std::string(100, 't')), std::string::npos) << line;
        }
    }
    EXPECT_TRUE(joined) << "a line that came in two pieces";
    EXPECT_TRUE(longLine);
}

// ---- the server's lines ----------------------------------------------------------------------

std::vector<std::string> Lines(net::LineBuffer& b) {
    std::vector<std::string> lines;
    char line[net::kMaxLine];
    while (b.Take(line, sizeof line))
        lines.push_back(line);
    return lines;
}

TEST(NetLines, PartialLinesAreHeldAndOverlongOnesDropped) {
    net::LineBuffer b;
    b.Append("PING :a\r\nPRIVMSG #x :hal", 24);
    EXPECT_EQ(Lines(b), std::vector<std::string>{"PING :a"});
    EXPECT_EQ(b.Held(), 15u);
    b.Append("f\r\n", 3);
    EXPECT_EQ(Lines(b), std::vector<std::string>{"PRIVMSG #x :half"});
    std::string huge = ":n PRIVMSG #x :" + std::string(600, 'x') + "\r\nPING :after\r\n";
    b.Append(huge.data(), huge.size());
    EXPECT_EQ(Lines(b), std::vector<std::string>{"PING :after"});
    EXPECT_EQ(b.Dropped(), 1);
    std::string limit = std::string(510, 'y') + "\r\n";
    b.Append(limit.data(), limit.size());
    EXPECT_EQ(Lines(b), std::vector<std::string>{std::string(510, 'y')});
    b.Append("A\0B\n", 4); // a NUL byte never cuts a line short
    EXPECT_EQ(Lines(b), std::vector<std::string>{"AB"});
}

TEST(NetLines, FieldsOfALine) {
    struct Case {
        const char* line;
        const char* prefix;
        const char* command;
        std::vector<std::string> params;
    };
    const Case cases[] = {
        {":Mira!~m@h PRIVMSG #Lobby :hi there", "Mira!~m@h", "PRIVMSG", {"#Lobby", "hi there"}},
        {"PING :token", "", "PING", {"token"}},
        {":s 353 A = #L :@A B", "s", "353", {"A", "=", "#L", "@A B"}},
        {"JOIN   #x  ", "", "JOIN", {"#x"}},
        {":s 005 a b c d e f g h i j k l m n o p q",
         "s",
         "005",
         {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l", "m", "n", "o p q"}},
    };
    for (const Case& c : cases) {
        net::Message m;
        ASSERT_TRUE(net::ParseMessage(c.line, &m)) << c.line;
        EXPECT_STREQ(m.prefix, c.prefix);
        EXPECT_STREQ(m.command, c.command);
        std::vector<std::string> params(m.params, m.params + m.count);
        EXPECT_EQ(params, c.params) << c.line;
    }
    net::Message m;
    EXPECT_FALSE(net::ParseMessage(":prefix-only", &m));
    EXPECT_FALSE(net::ParseMessage("", &m));
    ASSERT_TRUE(net::ParseMessage(":averyveryverylongnickname!user@host X", &m));
    char nick[8];
    m.Nick(nick, sizeof nick);
    EXPECT_STREQ(nick, "averyve");
}

} // namespace
