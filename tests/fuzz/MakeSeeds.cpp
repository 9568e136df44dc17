// Writes the seed corpus of every fuzz target into DIR/<target>/: programs in
// the targets' input format that carry the records the stand-in produces in
// the scenarios (users and their descriptions, talk and whispers, game blocks,
// list and info replies, ladder pages, profile values, messages).
// usage: fuzz_seeds DIR
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "../../host/standin/StandIn.h"

namespace {

// The targets' reader, backwards.
struct Writer {
    std::vector<uint8_t> out;
    Writer& U8(uint8_t v) {
        out.push_back(v);
        return *this;
    }
    Writer& U16(uint16_t v) { return U8((uint8_t)v).U8((uint8_t)(v >> 8)); }
    Writer& U32(uint32_t v) { return U16((uint16_t)v).U16((uint16_t)(v >> 16)); }
    Writer& Raw(const std::vector<uint8_t>& bytes) {
        out.insert(out.end(), bytes.begin(), bytes.end());
        return *this;
    }
    Writer& Chunk(const std::vector<uint8_t>& bytes) { return U16((uint16_t)bytes.size()).Raw(bytes); }
    Writer& Text(const std::string& text) { return Chunk(std::vector<uint8_t>(text.begin(), text.end())); }
};

std::string dir;

void Save(const char* target, const char* name, const Writer& w) {
    std::string path = dir + "/" + target;
    mkdir(path.c_str(), 0755);
    path += "/" + std::string(name);
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return;
    fwrite(w.out.data(), 1, w.out.size(), f);
    fclose(f);
}

// A character description after its four tag bytes, as the service sends it.
std::string DescriptionBody(const std::string& character, int classIndex, uint16_t status) {
    std::string s = "West," + character + ",";
    s += "\x01\x01\x03";
    s += std::string(10, '\x03');
    s += (char)(classIndex + 1);
    s += std::string(11, '\x04');
    s += '\x0c';
    s += (char)(status & 0xff);
    s += (char)(status >> 8);
    s += "\x01\x01\xff\xff\xff";
    return s;
}

std::vector<uint8_t> Bytes(const std::string& s) {
    return std::vector<uint8_t>(s.begin(), s.end());
}

// Name, terminator, text.
std::vector<uint8_t> Body(const std::string& name, const std::string& text) {
    std::vector<uint8_t> body = Bytes(name);
    body.push_back(0);
    body.insert(body.end(), text.begin(), text.end());
    return body;
}

Writer& Event(Writer& w, uint8_t number, uint32_t flags, const std::string& name, const std::string& text) {
    return w.U8(number).U32(flags).U32(0).Chunk(Body(name, text));
}

void ChatEventSeeds() {
    Writer w;
    w.U8(2);
    Event(w, 1, 0, "C1*A1", "PXvQ" + DescriptionBody("C1", 2, 0x0500));
    Event(w, 2, 0x02, "C2*A2", "VDvQ" + DescriptionBody("C2", 0, 0));
    Event(w, 2, 0, "*Guest", "TAHC");
    Event(w, 5, 0, "C1*A1", "hello there");
    Event(w, 4, 0, "C2*A2", "a whisper");
    Event(w, 10, 0, "C2*A2", "whisper back");
    Event(w, 9, 0x20, "C1*A1", "PXvQ" + DescriptionBody("C1", 2, 0x0524));
    Event(w, 23, 0, "C1*A1", "waves");
    Event(w, 19, 0, "", "The server goes down soon.");
    Event(w, 6, 0, "", "Notice.");
    Event(w, 3, 0, "C2*A2", "");
    Event(w, 7, 0, "", "Trade");
    w.U8(0xe0).U8(0).U8(0);
    Save("chat_events", "talk", w);
    Writer c;
    c.U8(0);
    Event(c, 13, 0, "", "Full");
    Event(c, 14, 0, "", "Help");
    Event(c, 15, 0, "", "Secret");
    c.U8(0xd3).U32(5).U32(0).U32(0).Chunk(Body("C1*A1", "kind 3 numbers are not adverts here"));
    Save("chat_events", "channels", c);
}

void UserDescriptionSeeds() {
    Writer w;
    w.U8(1);
    w.U8(0).U8(1).U32(0).U8(1).Text(DescriptionBody("C1", 2, 0x0500));
    w.U8(1).U8(2).U32(0x02).U8(0).Text(DescriptionBody("C2", 6, 0x0f24));
    w.U8(1).U8(7).U32(0).U8(1).Text(DescriptionBody("Arin", 0, 0));
    w.U8(2).U8(1).U32(0x20).U8(2).Text(DescriptionBody("C1", 3, 0x0004));
    w.U8(0).U8(3).U32(0).U8(4).Text("");
    w.U8(3).U8(2).U32(0).U8(4).Text("");
    w.U8(0xe0).U8(1).U8(0);
    Save("user_description", "users", w);
}

void AdvertSeeds() {
    Writer w;
    w.U8(0);
    w.U8(0).U8(7).Text("banner.png").Chunk(Bytes("\x89PNG\r\n\x1a\nfake picture"));
    w.U8(1).U8(7).Text("http://www.example.com/ad");
    w.U8(2);
    w.U8(0).U8(8).Text("second.JPG").Chunk({});
    w.U8(1).U8(8).Text("mailto:x");
    w.U8(2);
    Save("advert", "banner", w);
}

void GameBlockSeeds() {
    std::vector<standin::ServiceGame> games = {{"Duel", 0x0100007f, "1Fast duel"}, {"Raid", 0x0200007f, "2"}};
    for (int create = 0; create < 2; ++create) {
        Writer w;
        w.U8(create ? 2 : 0).U16(0);
        if (!create) {
            w.U8((uint8_t)games.size());
            for (const standin::ServiceGame& g : games) {
                std::vector<uint8_t> head(32);
                memcpy(&head[12], &g.address, 4);
                w.Raw(head).Text(g.name).Text("").Text(g.statText);
            }
        }
        w.U32(1).U8(1);
        if (create) {
            w.U8(4).Text("Duel");
        } else {
            w.U8(0).U8(1).U8(0).U8(2).Text("Raid").U8(3);
        }
        Save("game_block", create ? "create" : "join", w);
    }
}

void RealmReplySeeds() {
    Writer w;
    w.U8(0);
    w.U8(0);                                              // create
    w.U8(2).U8(0).U16(0).U8(0).U8(0);                     // created
    w.U8(3).U16(1).U32(0x0100007f).Text("10.0.0.1:4000"); // join reply
    w.U8(2).U8(0).U16(0).U8(0).U8(0);                     // joined
    Save("realm_replies", "create", w);
    Writer f;
    f.U8(0x20);
    f.U8(1).U8(2).U8(0).U16(0).U8(0).U8(0x73);
    f.U8(0).U8(2).U8(0).U16(0).U8(0).U8(0x1e);
    f.U8(4).U8(3).U8(10).U8(0).U8(0);
    Save("realm_replies", "failures", f);
}

void GameListSeeds() {
    standin::RealmGame duel;
    duel.id = 7;
    duel.players = 2;
    duel.name = "Duel";
    duel.description = "Fast duel";
    duel.elapsedSeconds = 3725;
    duel.level = 3;
    duel.difference = 5;
    duel.maxPlayers = 4;
    duel.playerList = {{"Mira", 0, 12}, {"", 1, 5}, {"Oskar", 9, 12}};
    Writer w;
    w.U16(0);
    w.U8(2).U8(0).U16(0).U8(0).Chunk(standin::GameListReplyBytes(duel, 0));
    w.U8(2).U8(0).U16(0).U8(0).Chunk(standin::GameListEndBytes(0));
    w.U8(0xc3).U8(0); // the row
    w.U8(0xc4);       // a second passes: the details request
    w.U8(1).U8(1).U16(0).U8(0).Chunk(standin::GameInfoReplyBytes(duel, 0));
    Save("game_lists", "list_and_details", w);
}

void LadderSeeds() {
    Writer w;
    w.U8(0);
    w.U8(1).U8(0).U8(16).U8(16).U8(0).Chunk(standin::LadderPage(0, 0, 16));
    w.U8(1).U8(2).U8(16).U8(16).U8(0).Chunk(standin::LadderPage(0, 16, 16));
    w.U8(0xc1).U8(1); // a class tab
    w.U8(1).U8(0).U8(16).U8(16).U8(4).Chunk(standin::LadderPage(1, 0, 16));
    Save("ladder", "pages", w);
    Writer p;
    p.U8(4).U8(2).U8(0x04).U8(0x05);
    p.U8(1).U8(4).U8(16).U8(16).U8(0).Chunk(standin::LadderPage(0, 32, 16));
    p.U8(1).U8(0).U8(0).U8(16).U8(1).Chunk({});
    Save("ladder", "position", p);
}

void ProfileSeeds() {
    Writer w;
    w.U8(0).Text("m").Text("Westhold").Text(std::string("one\ntwo\r\n\r\nthree\r") + '\0');
    w.U8(5);
    Save("profile", "view", w);
    Writer e;
    e.U8(4).Text("f").Text("North").Text("about me");
    e.U8(0).Text("x").U8(3).U8(0).Text("y").U8(1);
    Save("profile", "edit", e);
}

void MessageSeeds() {
    Writer w;
    w.U8(3);
    w.U8(0).U8(2).Text("two.");
    w.U8(0).U8(1).Text("Welcome to the realm.");
    w.U8(1).U32(365u * 86400u).Text("Server restarts at noon.");
    w.U8(1).U32(0).Text("old");
    w.U8(2);
    w.U8(1).U32(2000000000u).Text("after the clear");
    w.U8(3).U8(4);
    Save("messages", "messages", w);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: fuzz_seeds DIR\n");
        return 2;
    }
    dir = argv[1];
    mkdir(dir.c_str(), 0755);
    ChatEventSeeds();
    UserDescriptionSeeds();
    AdvertSeeds();
    GameBlockSeeds();
    RealmReplySeeds();
    GameListSeeds();
    LadderSeeds();
    ProfileSeeds();
    MessageSeeds();
    return 0;
}
