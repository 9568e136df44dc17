// Rules the game dialogs share: the character's progress number, which
// difficulties it has unlocked, and the characters a game name may hold.
// Owns no state.
#include "JoinGame.h"

enum { kFlagExpansion = 0x0020 };

int CharacterProgress() {
    return (launch->characterFlags >> 8) & 0x1f;
}

// Characters of the expansion need more progress for the same difficulty.
int DifficultyUnlocked(int difficulty) {
    int expansion = (launch->characterFlags & kFlagExpansion) != 0;
    int progress = CharacterProgress();
    switch (difficulty) {
    case 0:
        return 1;
    case 1:
        return progress >= (expansion ? 5 : 4);
    case 2:
        return progress >= (expansion ? 10 : 8);
    default:
        return 0;
    }
}

int IsGameNameCharacter(uint16_t ch) {
    return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') || ch == ' ' ||
           ch == '\'' || ch == '-' || ch == '_';
}
