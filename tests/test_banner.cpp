// The advertising banner: advertisements written to temporary files and
// shown, their texts freed, a banner that failed to show and one without a
// link. (The link's handler command, its failures and the links refused:
// banner_link.scn.)
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/LobbyTest.h"

using namespace lobbytest;
using Lines = Texts;

namespace {

// A fresh stand-in and a temporary directory of its own, the OS layer's
// temporary directory for the test (SetTempDirectory).
struct Folder {
    std::string dir;
    Folder() {
        standin::ResetAll();
        dir = MakeTempDirectory("qvbanner");
        SetTempDirectory(dir.c_str());
    }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
        SetTempDirectory(nullptr);
    }
    Lines Files() const {
        Lines names;
        std::error_code ignored;
        for (const auto& e : std::filesystem::directory_iterator(dir, ignored))
            names.push_back(e.path().filename().string());
        return names;
    }
};

// The stand-in records the registry reads and program starts of the Linux
// build only; under Windows the module reads the real registry and starts real
// programs, which the Windows tests of test_os_layer.cpp check end to end.
#if defined(_WIN32)
#define SKIP_WITHOUT_STANDIN_MACHINE()                                                                       \
    GTEST_SKIP() << "the stand-in machine records on Linux only; under Windows see OsLayerWin32.BannerLink*"
#else
#define SKIP_WITHOUT_STANDIN_MACHINE()
#endif

struct Banner {
    std::string path;
    int letter = 0;
    int liveBlocks = -1;
};
void Peek(Banner* b) {
    standin::Check([b] {
        standin::Control* banner = standin::FindAt(kImageControl, 145, 69);
        *b = Banner{banner->bannerPath, banner->bannerLetter, standin::LiveBlocks()};
    });
}

// The record is polled in the frame after it is pushed.
void PushAd(uint32_t id, const std::string& fileName, const std::string& data) {
    standin::Check(
        [=] { standin::PushAdEvent(id, fileName, std::vector<uint8_t>(data.begin(), data.end())); });
    standin::Frames(1);
}

void SetLink(uint32_t id, const std::string& link) {
    std::vector<uint8_t> bytes(link.begin(), link.end());
    bytes.push_back(0);
    standin::SetAdInfo(id, bytes);
}

void ClickBanner() {
    standin::ClickAt(kClickArea, 145, 69);
}

Lines AdClicks() {
    Lines clicks;
    for (const Texts& args : ChatArgs("NotifyAdClick"))
        clicks.push_back(args.at(0) + " " + args.at(1));
    return clicks;
}

} // namespace

TEST(Banner, TwoAdsLeaveOneFileAndNoBlock) {
    Folder fresh;
    Visit visit;
    Banner first, second;
    Lines filesAfterFirst;
    PushAd(1, "first.tar.GIF", "one"); // the type letter: lower case, after the last '.'
    Peek(&first);
    standin::Check([&] { filesAfterFirst = fresh.Files(); });
    PushAd(2, "second.jpg", "two");
    Peek(&second);
    visit.Quit();
    ASSERT_EQ(filesAfterFirst.size(), 1u);
    EXPECT_EQ(filesAfterFirst[0].rfind("Lan", 0), 0u) << filesAfterFirst[0];
    Lines files = fresh.Files();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(std::filesystem::path(second.path), std::filesystem::path(fresh.dir) / files[0]);
    EXPECT_NE(first.path, second.path);
    EXPECT_EQ(first.letter, 'g');
    EXPECT_EQ(second.letter, 'j');
    std::stringstream written;
    written << std::ifstream(second.path).rdbuf();
    EXPECT_EQ(written.str(), "two");
    EXPECT_EQ(first.liveBlocks, 0) << "the record's texts were not freed";
    EXPECT_EQ(second.liveBlocks, 0);
}

// Without a temporary file name the banner stays empty and the previous file
// stays on disk, but the new id is taken and the texts are freed.
TEST(Banner, FailedFileKeepsTheNewId) {
    SKIP_WITHOUT_STANDIN_MACHINE();
    Folder fresh;
    Visit visit;
    SetLink(2, "http://two.example/");
    Banner after;
    PushAd(1, "first.gif", "one");
    standin::Check([] { SetTempDirectory("/nonexistent/qvbanner"); });
    PushAd(2, "second.gif", "two");
    Peek(&after);
    ClickBanner();
    visit.Quit();
    EXPECT_EQ(after.path, "");
    EXPECT_EQ(after.liveBlocks, 0);
    EXPECT_EQ(fresh.Files().size(), 1u);
    EXPECT_EQ(AdClicks(), Lines{"2 0"});
    EXPECT_EQ(MachineArgs("StartProcess"), (std::vector<Lines>{{"webbrowser", "http://two.example/"}}));
}

// A banner without a link ignores the click; the character layout has the banner too.
TEST(BannerLink, NoLinkNoReactionInEitherLayout) {
    for (const char* channel : {"Lobby", ""}) {
        SCOPED_TRACE(channel);
        Folder fresh;
        Visit visit(channel);
        std::string popup = "unread";
        Banner shown;
        PushAd(9, "noextension", "x");
        Peek(&shown);
        ClickBanner();
        standin::Check([&] { popup = PopupText(); });
        visit.Quit();
        EXPECT_FALSE(shown.path.empty());
        EXPECT_EQ(shown.letter, 0);
        EXPECT_EQ(ChatArgs("GetAdInfo").size(), 1u);
        EXPECT_TRUE(AdClicks().empty());
        EXPECT_TRUE(MachineArgs("StartProcess").empty());
        EXPECT_EQ(popup, "");
    }
}

// ---- checks added after the mutation run (tools/mutate.py) ------------------------
// The type letter at the edges of the upper-case range: 'A' and 'Z' are lowered,
// '@' and '[' beside them are kept.
TEST(BannerMutants, TypeLetterLowersExactlyAToZ) {
    const std::pair<const char*, int> cases[] = {
        {"a.Zip", 'z'}, {"a.Art", 'a'}, {"a.@x", '@'}, {"a.[x", '['}};
    for (const auto& [name, letter] : cases) {
        SCOPED_TRACE(name);
        Fresh();
        Visit visit;
        Banner shown;
        PushAd(3, name, "x");
        Peek(&shown);
        visit.Quit();
        EXPECT_EQ(shown.letter, letter);
    }
}
