// The advertising banner and its link: advertisements written to temporary
// files and shown, their texts freed, and a click on the banner opening the
// link with the machine's web-page handler, or refusing a link that is not a
// plain web address.
#include <gtest/gtest.h>

#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/LobbyTest.h"

using namespace lobbytest;
using Lines = std::vector<std::string>;

namespace {

constexpr int kLinkFailed = 5340;
const char kHtmlKey[] = "SOFTWARE\\Classes\\.html";
const char kCommandKey[] = "SOFTWARE\\Classes\\htmlfile\\shell\\open\\command";

// A temporary directory of its own, named by TMPDIR while the test runs.
struct TempDir {
    std::string path;
    TempDir() {
        char name[] = "/tmp/qvbannerXXXXXX";
        path = mkdtemp(name) ? name : "";
        setenv("TMPDIR", path.c_str(), 1);
    }
    ~TempDir() {
        for (const std::string& f : Files())
            unlink((path + "/" + f).c_str());
        rmdir(path.c_str());
        unsetenv("TMPDIR");
    }
    Lines Files() const {
        Lines names;
        if (DIR* d = opendir(path.c_str())) {
            while (dirent* e = readdir(d))
                if (e->d_name[0] != '.') names.push_back(e->d_name);
            closedir(d);
        }
        return names;
    }
};

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Banner {
    std::string path;
    int letter = 0;
};
Banner LookAtBanner() {
    standin::Control* banner = standin::FindAt(kImageControl, 145, 69);
    return banner ? Banner{banner->bannerPath, banner->bannerLetter} : Banner{};
}

void ShowAd(uint32_t id, const std::string& fileName, const std::string& data) {
    standin::PushAdEvent(id, fileName, std::vector<uint8_t>(data.begin(), data.end()));
}
// The ad record is polled in the frame after it is pushed.
void PushAd(uint32_t id, const std::string& fileName, const std::string& data) {
    standin::Check([=] { ShowAd(id, fileName, data); });
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

std::vector<Lines> Starts() {
    std::vector<Lines> starts;
    for (const standin::Call& c : standin::MachineCallsNamed("StartProcess"))
        starts.push_back(c.args);
    return starts;
}

Lines AdClicks() {
    Lines clicks;
    for (const standin::Call& c : standin::ChatCallsNamed("NotifyAdClick"))
        clicks.push_back(c.args[0] + " " + c.args[1]);
    return clicks;
}

// Shows ad 7 with the link, clicks the banner and looks at the popup.
std::string ClickLink(const std::string& link) {
    TempDir dir;
    Visit visit;
    SetLink(7, link);
    PushAd(7, "ad.gif", "GIF89a");
    ClickBanner();
    std::string popup;
    standin::Check([&] { popup = PopupText(); });
    visit.Quit();
    return popup;
}

} // namespace

TEST(Banner, TwoAdsLeaveOneFileAndNoBlock) {
    standin::ResetAll();
    TempDir dir;
    Visit visit;
    Banner first, second;
    Lines filesAfterFirst;
    int blocksDuringVisit = -1;
    PushAd(1, "first.gif", "one");
    standin::Check([&] {
        first = LookAtBanner();
        filesAfterFirst = dir.Files();
    });
    PushAd(2, "second.jpg", "two");
    standin::Check([&] {
        second = LookAtBanner();
        blocksDuringVisit = standin::LiveBlocks();
    });
    visit.Quit();
    ASSERT_EQ(filesAfterFirst.size(), 1u);
    EXPECT_EQ(filesAfterFirst[0].rfind("Lan", 0), 0u) << filesAfterFirst[0];
    EXPECT_EQ(first.letter, 'g');
    EXPECT_EQ(second.letter, 'j');
    Lines files = dir.Files();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(second.path, dir.path + "/" + files[0]);
    EXPECT_NE(first.path, second.path);
    EXPECT_EQ(FileText(second.path), "two");
    EXPECT_EQ(blocksDuringVisit, 0) << "the records' texts were not freed";
}

// The picture type is the lower-case first letter after the last '.'.
TEST(Banner, TypeLetterFromTheExtension) {
    struct Case {
        const char* fileName;
        int letter;
    } const cases[] = {
        {"AD.PNG", 'p'}, {"x.tar.Gif", 'g'}, {"noextension", 0}, {"trailing.", 0}, {"a.9z", '9'}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fileName);
        standin::ResetAll();
        TempDir dir;
        Visit visit;
        Banner shown;
        PushAd(3, c.fileName, "data");
        standin::Check([&] { shown = LookAtBanner(); });
        visit.Quit();
        EXPECT_FALSE(shown.path.empty());
        EXPECT_EQ(shown.letter, c.letter);
    }
}

// Without a temporary file name the banner stays empty and the previous file
// stays on disk, but the new id is taken and the texts are freed.
TEST(Banner, FailedFileKeepsTheNewId) {
    standin::ResetAll();
    TempDir dir;
    Visit visit;
    SetLink(1, "http://one.example/");
    SetLink(2, "http://two.example/");
    Banner after;
    Lines files;
    int blocks = -1;
    PushAd(1, "first.gif", "one");
    standin::Check([] { setenv("TMPDIR", "/nonexistent/qvbanner", 1); });
    PushAd(2, "second.gif", "two");
    standin::Check([&] {
        after = LookAtBanner();
        files = dir.Files();
        blocks = standin::LiveBlocks();
    });
    ClickBanner();
    visit.Quit();
    EXPECT_EQ(after.path, "");
    EXPECT_EQ(files.size(), 1u);
    EXPECT_EQ(blocks, 0);
    EXPECT_EQ(AdClicks(), Lines{"2 0"});
    ASSERT_EQ(Starts().size(), 1u);
    EXPECT_EQ(Starts()[0].back(), "http://two.example/");
}

TEST(BannerLink, OpensTheLinkAsOneArgument) {
    standin::ResetAll();
    std::string popup = ClickLink("https://shop.example/item?id=4&x=%20");
    auto reads = standin::MachineCallsNamed("ReadMachineString");
    ASSERT_EQ(reads.size(), 2u);
    EXPECT_EQ(reads[0].args, (Lines{kHtmlKey, "null"}));
    EXPECT_EQ(reads[1].args, (Lines{kCommandKey, "null"}));
    EXPECT_EQ(Starts(), (std::vector<Lines>{{"webbrowser", "https://shop.example/item?id=4&x=%20"}}));
    EXPECT_EQ(AdClicks(), Lines{"7 0"});
    EXPECT_EQ(popup, "");
}

// A placeholder in the handler's command stays as it is; the link follows it.
TEST(BannerLink, PlaceholderCommandGetsTheLinkAfterIt) {
    standin::ResetAll();
    standin::SetMachineString(kCommandKey, "", "\"/opt/web browser/run\" -osint -url \"%1\"");
    ClickLink("http://a.example/");
    EXPECT_EQ(Starts(),
              (std::vector<Lines>{{"/opt/web browser/run", "-osint", "-url", "%1", "http://a.example/"}}));
}

// Links that could add arguments or open something else are refused before
// anything is looked up or started.
TEST(BannerLink, RefusesLinksThatAreNotPlainWebAddresses) {
    const std::string cases[] = {
        "http://a.example/ --new-tab=file:///etc/passwd",
        "http://a.example/\"--x",
        "http://a.example/'x",
        "-http://a.example/",
        "--user-data-dir=/tmp/x",
        "file:///etc/passwd",
        "javascript:alert(1)",
        "HTTP://upper.example/",
        "http://a.example/\tb",
        "http://a.example/\x7f",
        "http://a.example/" + std::string(2000, 'a'),
        "",
    };
    for (const std::string& link : cases) {
        SCOPED_TRACE(link.substr(0, 60));
        standin::ResetAll();
        std::string popup = ClickLink(link);
        EXPECT_TRUE(Starts().empty());
        EXPECT_TRUE(standin::MachineCallsNamed("ReadMachineString").empty());
        EXPECT_EQ(popup, Text(kLinkFailed));
        EXPECT_EQ(AdClicks(), Lines{"7 1"});
    }
}

// The handler's command, a space and the link fit 1024 bytes or are refused.
TEST(BannerLink, CommandLineBoundedTo1024Bytes) {
    const std::string link = "http://a.example/";
    for (size_t total : {1023u, 1024u}) {
        SCOPED_TRACE(total);
        standin::ResetAll();
        standin::SetMachineString(kCommandKey, "", std::string(total - link.size() - 1, 'b'));
        std::string popup = ClickLink(link);
        EXPECT_EQ(Starts().size(), total < 1024 ? 1u : 0u);
        EXPECT_EQ(AdClicks(), Lines{total < 1024 ? "7 0" : "7 1"});
        EXPECT_EQ(popup, total < 1024 ? "" : Text(kLinkFailed));
    }
}

TEST(BannerLink, MissingHandlerOrFailedStartIsReported) {
    enum Failure { kNoClass, kNoCommand, kStartFails };
    for (Failure f : {kNoClass, kNoCommand, kStartFails}) {
        SCOPED_TRACE(f);
        standin::ResetAll();
        if (f == kNoClass) standin::SetMachineString(kHtmlKey, "", "", false);
        if (f == kNoCommand) standin::SetMachineString(kCommandKey, "", "", false);
        if (f == kStartFails) standin::SetProcessStartFails(true);
        std::string popup = ClickLink("http://a.example/");
        EXPECT_EQ(popup, Text(kLinkFailed));
        EXPECT_EQ(AdClicks(), Lines{"7 1"});
        EXPECT_EQ(Starts().size(), f == kStartFails ? 1u : 0u);
    }
}

// A banner without a link (or without any advertisement yet) ignores the click.
TEST(BannerLink, NoLinkNoReaction) {
    standin::ResetAll();
    TempDir dir;
    Visit visit;
    std::string popup = "unread";
    ClickBanner();
    PushAd(9, "ad.gif", "x");
    ClickBanner();
    standin::Check([&] { popup = PopupText(); });
    visit.Quit();
    EXPECT_EQ(standin::ChatCallsNamed("GetAdInfo").size(), 2u);
    EXPECT_TRUE(AdClicks().empty());
    EXPECT_TRUE(Starts().empty());
    EXPECT_EQ(popup, "");
}

// The character layout has the banner too.
TEST(BannerLink, WorksInTheCharacterLayout) {
    standin::ResetAll();
    TempDir dir;
    Visit visit;
    visit.SetChannel("");
    SetLink(5, "http://c.example/");
    Banner shown;
    PushAd(5, "c.png", "png");
    standin::Check([&] { shown = LookAtBanner(); });
    ClickBanner();
    visit.Quit();
    EXPECT_EQ(shown.letter, 'p');
    EXPECT_EQ(Starts(), (std::vector<Lines>{{"webbrowser", "http://c.example/"}}));
}
