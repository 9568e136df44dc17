// The fuzz targets' committed crash inputs, replayed through the same targets
// outside the fuzzer: each visit must end by its own quit and leave no block
// of the service's behind. The sanitizer build catches the faults themselves.
// Also the cases behind them, as ordinary lobby tests.
#include <gtest/gtest.h>


#include <string>
#include <vector>

#include "fuzz/FuzzTargets.h"
#include "support/LobbyTest.h"

using namespace lobbytest;

namespace {} // namespace

TEST(FuzzRegressions, EveryCommittedInputEndsItsVisitCleanly) {
    int replayed = 0;
    for (const fuzz::Target* t = fuzz::kTargets; t->name; ++t) {
        for (const std::string& path :
             fuzz::InputFiles(std::string(QV_SOURCE_DIR "/tests/fuzz/regressions/") + t->name)) {
            SCOPED_TRACE(path);
            std::vector<uint8_t> input = fuzz::ReadInput(path);
            ASSERT_FALSE(input.empty());
            t->run(input.data(), input.size());
            EXPECT_FALSE(standin::LoopTimedOut()) << "the visit did not end by its quit";
            EXPECT_EQ(standin::LoopDepth(), 0);
            EXPECT_EQ(standin::LiveBlocks(), 0);
            ++replayed;
            standin::ResetAll();
        }
    }
    EXPECT_GT(replayed, 0) << "no regression inputs found under " QV_SOURCE_DIR "/tests/fuzz/regressions";
}

TEST(FuzzRegressions, EveryTargetIsFoundByName) {
    int count = 0;
    for (const fuzz::Target* t = fuzz::kTargets; t->name; ++t, ++count)
        EXPECT_EQ(fuzz::FindTarget(t->name), t);
    EXPECT_EQ(count, 9);
    EXPECT_EQ(fuzz::FindTarget("nothing"), nullptr);
}

// Without a realm, a name the list does not show is asked of the chat service;
// a service that answers with no block at all gets the not-found message.
TEST(FuzzRegressions, JoinByNameWithoutAnyBlockFromTheService) {
    Visit visit;
    standin::SetGameBlock({}, false);
    standin::Click(kJoinLabel);
    standin::Frames(1);
    standin::Type("Nobody");
    standin::Enter();
    standin::Check([] {
        EXPECT_EQ(PopupText(), Text(5137));
        std::vector<standin::Call> queries = standin::ChatCallsNamed("GameListQuery");
        ASSERT_FALSE(queries.empty());
        EXPECT_EQ(queries.back().args.at(0), "Nobody");
        EXPECT_TRUE(standin::ChatCallsNamed("GameJoined").empty());
    });
    EXPECT_EQ(visit.Quit(), 4u);
}
