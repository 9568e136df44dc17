// The channel dialog, the advertising banner and the banner's link: what the
// lobby's control tables, the frame loop and LeaveDialog call.
#pragma once

#include <cstdint>

// ---- channel dialog (chat/ChannelDialog.cpp) ----------------------------------
// The channel button (slot 7): leaves any dialog and opens the channel dialog.
int ChannelButton(uint32_t arg);
// Destroys the dialog's controls when it is open, gives Escape back to the quit
// button and the focus back to the input line; does nothing when it is closed.
void CloseChannelDialog();
// Joins the channel, closes the dialog and releases the right-hand buttons.
void JoinChannelAndClose(const char* name);

// ---- banner (chat/AdBanner.cpp, chat/BannerLink.cpp) ----------------------------
extern uint32_t currentAdId;
// Shows a kind-3 record of the chat service (288 bytes) in the banner and frees
// the record's two texts, which the service hands over with it.
void ShowAdBanner(const uint8_t* record);
// The banner's click: opens the advertisement's link in the web browser.
int OpenAdLink(uint32_t arg);
