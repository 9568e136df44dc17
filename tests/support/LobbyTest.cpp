#include "LobbyTest.h"

namespace lobbytest {

const std::string kMarker = "\xC3\xBF"
                            "c";

Visit::Visit() {
    standin::FillLaunchRecord(&record);
}

Visit::Visit(const char* channel, const char* realm) : Visit() {
    SetChannel(channel);
    if (!realm) return;
    SetRealm(realm);
    record.accountKind = 2;
    standin::SetRealmConnected(true);
}

uint32_t Visit::Run() {
    uint32_t result = standin::RunVisit(QueryInterface(), &record);
    EXPECT_FALSE(standin::LoopTimedOut()) << "the screen loop never ended";
    EXPECT_FALSE(standin::ScriptFailed()) << "a scripted click found no control";
    EXPECT_EQ(standin::PendingActions(), 0) << "the visit ended before every scripted step ran";
    EXPECT_EQ(standin::UnknownStringIds(), std::vector<int>())
        << "the module asked for string ids the stand-in's table (the package's list) lacks";
    return result;
}

uint32_t Visit::Quit() {
    standin::Click(kQuitLabel);
    return Run();
}

void Visit::SetChannel(const char* name) {
    memset(record.channelName, 0, sizeof record.channelName);
    strncpy(record.channelName, name, sizeof record.channelName - 1);
}

void Visit::SetRealm(const char* name) {
    memset(record.realmName, 0, sizeof record.realmName);
    strncpy(record.realmName, name, sizeof record.realmName - 1);
}

void Visit::SetHome(const char* name) {
    memset(record.homeChannelName, 0, sizeof record.homeChannelName);
    strncpy(record.homeChannelName, name, sizeof record.homeChannelName - 1);
}

void Fresh() {
    static uint32_t now = standin::kClockStart;
    standin::ResetAll();
    standin::SetNow(now += 100000);
}

static std::vector<Texts> ArgsOf(const std::vector<standin::Call>& calls) {
    std::vector<Texts> args;
    for (const standin::Call& c : calls)
        args.push_back(c.args);
    return args;
}
std::vector<Texts> ChatArgs(const char* name) {
    return ArgsOf(standin::ChatCallsNamed(name));
}
std::vector<Texts> RealmArgs(const char* name) {
    return ArgsOf(standin::RealmCallsNamed(name));
}
std::vector<Texts> MachineArgs(const char* name) {
    return ArgsOf(standin::MachineCallsNamed(name));
}

void Answer(int status) {
    standin::Check([status] { standin::RealmReply(pendingRequestId, status); });
}

standin::Control* ChatPane() {
    return standin::FindAt(kTextList, 28, 410);
}
standin::Control* Input() {
    return standin::FindAt(kEditBox, 28, 450);
}
standin::Control* TitleList() {
    return standin::FindAt(kTextList, 28, 138);
}
standin::Control* SidePanelTextBox() {
    return standin::FindAt(kTextList, 447, 398);
}
standin::Control* PanelMessage() {
    return standin::FindAt(kTextList, 438, 300);
}
standin::Control* LitButton() {
    return standin::FindAt(kButton, 398, 474);
}

std::string PanelText() {
    standin::Control* panel = PanelMessage();
    return panel ? standin::Utf8(panel->label) : "";
}

std::string LabelAt(int kind, int x, int y) {
    standin::Control* c = standin::FindAt(kind, x, y);
    return c ? standin::Utf8(c->label) : "<none>";
}

std::string RoleOf(QvControl handle) {
    standin::Control* c = handle ? standin::Find(handle) : nullptr;
    if (!c) return handle ? "other" : "none";
    if (c == Input()) return "input";
    if (c == standin::FindByTextId(kQuitLabel)) return "quit";
    if (c->desc.kind == kButton && c->desc.y == 433 && (c->desc.x == 671 || c->desc.x == 433))
        return c->desc.x == 671 ? "ok" : "cancel";
    if (c->desc.kind == kEditBox)
        return "edit " + std::to_string(c->desc.x) + "," + std::to_string(c->desc.y);
    return "other";
}

std::string Roles() {
    return RoleOf(standin::Focus()) + "/" + RoleOf(standin::CancelControl());
}

std::vector<std::string> PaneLines() {
    std::vector<std::string> lines;
    if (standin::Control* pane = ChatPane())
        for (const standin::TextLine& line : pane->lines)
            lines.push_back(standin::Utf8(line.text));
    return lines;
}

std::vector<int> PaneColours() {
    std::vector<int> colours;
    if (standin::Control* pane = ChatPane())
        for (const standin::TextLine& line : pane->lines)
            colours.push_back(line.colour);
    return colours;
}

std::string Text(int id) {
    std::string text = standin::Utf8(standin::StringText(id));
    EXPECT_FALSE(text.empty()) << "string " << id << " has no text";
    return text;
}

std::string PopupText() {
    standin::Control* box = standin::FindAt(kTextList, 268, 320);
    if (!box || box->lines.empty()) return "";
    return standin::Utf8(box->lines.back().text);
}

bool Showing(int id) {
    return standin::StringShown(id);
}

std::vector<std::string> SentLines() {
    std::vector<std::string> lines;
    for (const standin::Call& c : standin::ChatCallsNamed("SendChatLine"))
        lines.push_back(c.args.empty() ? "" : c.args[0]);
    return lines;
}

void ExpectChatLayout() {
    EXPECT_EQ(standin::ImagePath(standin::Background()), "DATA\\GLOBAL\\UI\\BIGMENU\\lanthorn");
    for (int id : {5305, 5306, 5307, 5308, 5309, 5310, 5312, 5313, 5314, 5315, 5316})
        EXPECT_NE(standin::FindByTextId(id), nullptr) << id;
    EXPECT_EQ(standin::FindByTextId(kEnterChatLabel), nullptr);
    EXPECT_EQ(standin::FindAt(kButton, 146, 480), nullptr) << "the character layout's help button";
    EXPECT_EQ(standin::FindAt(kTextList, 143, 588), nullptr) << "the character panel";
    EXPECT_NE(TitleList(), nullptr);
    EXPECT_NE(ChatPane(), nullptr);
    EXPECT_NE(standin::FindAt(kFigureStrip, 40, 591), nullptr);
    EXPECT_NE(LitButton(), nullptr);
    for (int x : {725, 751})
        for (int y : {583, 528}) {
            standin::Control* arrow = standin::FindAt(kButton, x, y);
            ASSERT_NE(arrow, nullptr);
            EXPECT_TRUE(arrow->onTop);
        }
    ASSERT_NE(Input(), nullptr);
    EXPECT_EQ(standin::Focus(), Input()->handle);
    EXPECT_EQ(Input()->maxLength, 200);
    EXPECT_EQ(standin::CancelControl(), standin::FindByTextId(kQuitLabel)->handle);
    EXPECT_TRUE(standin::FindByTextId(kChannelLabel)->enabled);
}

std::vector<std::string> Screen::Texts() const {
    std::vector<std::string> texts;
    for (const standin::TextLine& l : pane)
        texts.push_back(standin::Utf8(l.text));
    return texts;
}

std::string Screen::Last() const {
    return pane.empty() ? "" : standin::Utf8(pane.back().text);
}

const standin::Figure* Screen::FigureOf(const std::string& account) const {
    for (const standin::Figure& f : figures)
        if (f.labels[0] == standin::Utf16("*" + account)) return &f;
    return nullptr;
}

Screen Look() {
    Screen s;
    if (standin::Control* p = ChatPane()) s.pane = p->lines;
    if (standin::Control* i = Input()) s.input = standin::Utf8(i->editText);
    if (standin::Control* t = TitleList(); t && !t->lines.empty()) {
        s.title = standin::Utf8(t->lines.back().text);
        s.titleSerial = t->lines.back().order;
    }
    for (const standin::Figure* f : standin::Figures())
        s.figures.push_back(*f);
    const int places[4][2] = {{725, 583}, {751, 583}, {725, 528}, {751, 528}};
    for (int i = 0; i < 4; ++i)
        if (standin::Control* a = standin::FindAt(kButton, places[i][0], places[i][1]))
            s.arrows[i] = a->enabled;
    if (standin::Control* b = standin::FindByTextId(kSquelchLabel)) s.squelch = b->enabled;
    if (standin::Control* b = standin::FindByTextId(kUnsquelchLabel)) s.unsquelch = b->enabled;
    if (standin::Control* b = LitButton()) s.litFrame = b->buttonFrame;
    return s;
}

void Snap(Screen* s) {
    standin::Frames(1);
    standin::Check([s] { *s = Look(); });
}

Screen LookThenQuit(Visit& visit) {
    Screen s;
    Snap(&s);
    visit.Quit();
    return s;
}

void Push(uint32_t number, uint32_t flags, const std::string& name, const std::string& text) {
    standin::Check([=] { standin::PushChatEvent(number, flags, name, text); });
}

void PushRaw(const std::vector<uint8_t>& bytes) {
    standin::Check([=] { standin::PushRawEvent(0, bytes); });
}

void Say(const std::string& line) {
    standin::Type(line);
    standin::Enter();
}

void SelectFirstUser() {
    standin::ClickAt(kClickArea, 40, 591);
}

void AddAndSelect(const std::string& name, uint32_t flags) {
    Push(1, flags, name, "TAHC");
    standin::Frames(1);
    SelectFirstUser();
}

std::string Description(const char* tag, const std::string& character, int classIndex, uint16_t status,
                        const std::string& realm, uint8_t firstAppearance) {
    std::string s = {tag[3], tag[2], tag[1], tag[0]};
    s += realm + "," + character + ",";
    s += "\x01\x01";            // packed word, ignored
    s += (char)firstAppearance; // appearance: eleven bytes
    s += std::string(10, '\x03');
    s += (char)(classIndex + 1);  // class + 1
    s += std::string(11, '\x04'); // colours
    s += '\x0c';                  // level
    s += (char)(status & 0xff);   // status, low byte first
    s += (char)(status >> 8);
    s += "\x01\x01";     // extra word
    s += "\xff\xff\xff"; // realm byte and spares
    return s;
}

std::string UserName(int i) {
    return "C" + std::to_string(i) + "*A" + std::to_string(i);
}

} // namespace lobbytest
