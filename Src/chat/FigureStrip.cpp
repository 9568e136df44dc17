// The user figure strip.
#include "../core/Lobby.h"

ChannelUser* selectedUser = nullptr;
int32_t selectedIndex = -1;
int32_t firstVisible = 0;

void MakeUserFigure(ChannelUser*, int) {}
void UpdateUserFigure(ChannelUser*, int) {}
void LayoutFigureStrip() {}
void ScrollFigureStrip(int) {}
void DeselectUser() {}
void RefreshChatButtons() {}
int RefreshChatButtonsCallback(uint32_t) { return 1; }
int FigureCellClick(uint32_t) { return 0; }
int ScrollBackTen(uint32_t) { return 1; }
int ScrollForwardTen(uint32_t) { return 1; }
int ScrollBackOne(uint32_t) { return 1; }
int ScrollForwardOne(uint32_t) { return 1; }
void CreateFigureCells() {}
void DestroyFigureCells() {}
