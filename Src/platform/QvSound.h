// QvSound: the host's sound library; the lobby only plays the button click.
#pragma once

void SoundBegin();
void SoundLoadClick(const char* path);
int SoundIsAvailable();
void SoundSetClickEnabled(int enabled);
void SoundEnd();
