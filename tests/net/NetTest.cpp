// Helpers for lobby visits against a real chat server (NetTest.h).
//
// State: none beyond the objects the tests make.
#include "NetTest.h"

#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "../../host/standin/Live.h"

namespace nettest {

namespace {

std::string ServerFolder() {
    const ::testing::TestInfo* t = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = t ? std::string(t->test_suite_name()) + "." + t->name() : "server";
    return std::string(QV_BINARY_DIR) + "/net-servers/" + name + "-" + std::to_string(getpid());
}

uint64_t Ms() {
    using namespace std::chrono;
    return (uint64_t)duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

LocalServer::LocalServer(const std::string& motd) {
    std::string parent = std::string(QV_BINARY_DIR) + "/net-servers";
    mkdir(parent.c_str(), 0755);
    if (!net::StartServer(ServerFolder(), motd, &server, &error)) server.pid = -1;
}

LocalServer::~LocalServer() {
    net::StopServer(&server);
}

net::Options Player(int port, const std::string& nick, const std::string& character, int classIndex) {
    net::Options o;
    o.port = port;
    o.nick = nick;
    o.character.name = character;
    o.character.classIndex = classIndex;
    o.character.level = 20 + classIndex;
    o.holdJoinMs = 500;
    return o;
}

void FillRecord(LaunchRecord* record, const net::Options& player, const char* channel) {
    standin::FillLaunchRecord(record);
    record->chatService = net::Table();
    auto put = [](char* field, size_t size, const std::string& text) {
        memset(field, 0, size);
        strncpy(field, text.c_str(), size - 1);
    };
    put(record->accountName, sizeof record->accountName, player.nick);
    put(record->characterName, sizeof record->characterName, player.character.name);
    put(record->channelName, sizeof record->channelName, channel);
    record->characterClass = (uint8_t)player.character.classIndex;
    record->characterLevel = (uint8_t)player.character.level;
    memcpy(record->figureLookA, player.character.lookA, 16);
    memcpy(record->figureLookB, player.character.lookB, 16);
}

void Script::Then(const std::string& what, std::function<bool()> ready, std::function<void()> act) {
    steps_.push_back(Step{what, std::move(ready), std::move(act)});
}

void Script::Do(const std::string& what, std::function<void()> act) {
    Then(what, nullptr, std::move(act));
}

uint32_t Script::Run(LaunchRecord* record, int timeoutMs) {
    uint64_t start = Ms();
    size_t next = 0;
    standin::SetFrameHook([&] {
        uint64_t now = Ms();
        standin::SetNow(standin::kClockStart + (uint32_t)(now - start));
        if (next < steps_.size() && now - start > (uint64_t)timeoutMs) {
            failure = "timed out waiting for: " + steps_[next].what;
            next = steps_.size();
            standin::EndAllScreenLoops();
            return;
        }
        if (next < steps_.size() && (!steps_[next].ready || steps_[next].ready())) {
            Step& step = steps_[next++];
            if (step.act) step.act();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    });
    uint32_t result = standin::RunVisit(QueryInterface(), record);
    standin::SetFrameHook(nullptr);
    if (failure.empty() && next < steps_.size()) failure = "the visit ended before: " + steps_[next].what;
    return result;
}

bool PaneHas(const std::string& part) {
    for (const std::string& line : lobbytest::PaneLines())
        if (line.find(part) != std::string::npos) return true;
    return false;
}

void Say(const std::string& line) {
    standin::TypeText(line.c_str());
    standin::PressEnter();
}

void Click(int textId) {
    standin::ClickControl(standin::FindByTextId(textId));
}

int Fork(const std::function<int()>& body) {
    fflush(nullptr);
    int pid = fork();
    if (pid == 0) {
        int code = body();
        fflush(nullptr);
        _exit(code);
    }
    return pid;
}

int Join(int pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    if (WIFSIGNALED(status)) fprintf(stderr, "the child process ended by signal %d\n", WTERMSIG(status));
    if (!WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

bool Ended(int pid) {
    siginfo_t info{};
    return waitid(P_PID, (id_t)pid, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid;
}

Signal::Signal() {
    if (pipe(fds) != 0) fds[0] = fds[1] = -1;
}

Signal::~Signal() {
    for (int fd : fds)
        if (fd >= 0) close(fd);
}

void Signal::Raise() {
    char c = 1;
    if (write(fds[1], &c, 1) != 1) perror("signal");
}

bool Signal::Await(int timeoutMs) {
    pollfd p{fds[0], POLLIN, 0};
    char c = 0;
    return poll(&p, 1, timeoutMs) == 1 && read(fds[0], &c, 1) == 1;
}

} // namespace nettest
