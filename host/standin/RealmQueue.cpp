// The realm's creation queue, as a script sets it up: the next create request
// waits in the queue at a given position, moves up one place every so many
// milliseconds of the stand-in clock, and is answered with a given status when
// its turn comes (RealmIsQueued turns 0 at that moment). RealmLeaveQueue
// withdraws it: it is then never answered.
//
// The model is advanced once per frame of any screen loop, before the frame
// callback, so the module sees a move in the frame after the time passed.
//
// State: the scripted queue (armed until a create request takes it) and the
// request it holds.
#include "Services.h"
#include "Saved.h"
#include "StandIn.h"

namespace {

struct QueueModel {
    int startPosition = 0; // > 0: the next create request is queued
    uint32_t stepMs = 0;   // 0: the position never moves
    int status = 0;        // the answer when the request's turn comes
    bool holding = false;
    uint16_t requestId = 0;
    int position = 0;
    uint32_t movedAt = 0; // clock at the last move (or when queued)
};

QueueModel model;

} // namespace

namespace standin {

void ScriptCreateQueue(int position, uint32_t stepMs, int status) {
    model.startPosition = position;
    model.stepMs = stepMs;
    model.status = status;
}

} // namespace standin

namespace standin::internal {

bool QueueTakesCreate(uint16_t requestId) {
    if (model.startPosition <= 0 || model.holding) return false;
    model.holding = true;
    model.requestId = requestId;
    model.position = model.startPosition;
    model.movedAt = Now();
    model.startPosition = 0;
    SetRealmQueued(true, model.position);
    return true;
}

void WithdrawQueuedCreate() {
    model.holding = false;
}

void AdvanceCreateQueue() {
    if (!model.holding) return;
    uint32_t now = Now();
    while (model.stepMs > 0 && model.position > 0 && now - model.movedAt >= model.stepMs) {
        --model.position;
        model.movedAt += model.stepMs;
    }
    if (model.position > 0) {
        SetRealmQueued(true, model.position);
        return;
    }
    model.holding = false;
    SetRealmQueued(false, 0);
    AnswerRequest(model.requestId, model.status, true);
}

void ResetRealmQueue() {
    model = QueueModel();
}

} // namespace standin::internal

// ---- saved state (Saved.h) ----------------------------------------------------------------
namespace standin::saved {
Part SaveRealmQueue() {
    return Copy(model);
}
void RestoreRealmQueue(const Part& part) {
    model = Copied<QueueModel>(part);
}
} // namespace standin::saved
