// The proof that the open visit puts everything back: for every input of a
// target's corpus, the screen and every recorded call right after the input's
// last step must be the same when the input runs alone in a fresh visit and
// when it runs in the open visit after the inputs before it. A mismatch names
// the input and the first differing line. One process per target: every
// input runs fresh first, then all of them, in order, in one open visit.
// usage: fuzz_reset_proof TARGET DIR...

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "../../host/program/Scenario.h"
#include "../../host/standin/Saved.h"
#include "../../host/standin/StandIn.h"
#include "FuzzTargets.h"
#include "OpenVisit.h"

// The screen printing quotes the chat's colour marker by this text, as the
// scenario program does (its own definition comes with its expectations).
std::u16string qvhost::ColourMarker() {
    return standin::StringText(3994);
}

namespace {

// The banner's picture goes to a temporary file whose name is new every time.
std::string WithoutTemporaryNames(const std::string& text) {
    static const std::regex kTemporary("/Lan[A-Za-z0-9]{6}");
    return std::regex_replace(text, kTemporary, "/Lan(temporary)");
}

const char kNoEnd[] = "(the visit ended before the input's last step)\n";
std::string captured;

std::string RunOne(const fuzz::Target* target, const std::vector<uint8_t>& input) {
    captured = kNoEnd;
    target->run(input.data(), input.size());
    return captured;
}

// The first line where a and b differ, numbered from 1, with both texts.
std::string FirstDifference(const std::string& a, const std::string& b) {
    std::istringstream sa(a), sb(b);
    std::string la, lb;
    for (int line = 1;; ++line) {
        bool moreA = (bool)std::getline(sa, la), moreB = (bool)std::getline(sb, lb);
        if (!moreA) la = "(end)";
        if (!moreB) lb = "(end)";
        if (la != lb || (moreA != moreB))
            return "line " + std::to_string(line) + "\n  fresh: " + la + "\n  open:  " + lb;
        if (!moreA && !moreB) return "(none)";
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: %s TARGET DIR...\n", argv[0]);
        return 2;
    }
    const fuzz::Target* target = fuzz::FindTarget(argv[1]);
    if (!target) {
        fprintf(stderr, "no target %s\n", argv[1]);
        return 2;
    }
    std::vector<std::string> files;
    for (int i = 2; i < argc; ++i)
        for (const std::string& f : fuzz::InputFiles(argv[i]))
            files.push_back(f);
    fuzz::SavePristineState();
    fuzz::afterInput = [] {
        captured =
            WithoutTemporaryNames("screen:\n" + qvhost::ScreenText() + standin::saved::ToolkitRecordsText() +
                                  qvhost::AllCallsText() + qvhost::CallsText());
    };
    fuzz::RunInOpenVisit([&] {
        std::vector<std::string> fresh;
        fuzz::UseFreshVisits();
        for (const std::string& f : files)
            fresh.push_back(RunOne(target, fuzz::ReadInput(f)));
        fuzz::UseOpenVisit();
        int mismatches = 0;
        for (size_t i = 0; i < files.size(); ++i) {
            std::string open = RunOne(target, fuzz::ReadInput(files[i]));
            if (open == fresh[i]) continue;
            ++mismatches;
            printf("%s: %s differs in the open visit at %s\n", argv[1], files[i].c_str(),
                   FirstDifference(fresh[i], open).c_str());
            if (const char* keep = getenv("QV_PROOF_KEEP")) {
                // Both texts in full, for a closer look.
                std::ofstream(std::string(keep) + "/fresh.txt") << fresh[i];
                std::ofstream(std::string(keep) + "/open.txt") << open;
            }
        }
        printf("%s: %zu inputs, %d differ between a fresh and the open visit\n", argv[1], files.size(),
               mismatches);
        return mismatches || files.empty() ? 1 : 0;
    });
}
