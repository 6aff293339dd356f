#pragma once
#include <QtGlobal>

// Colours of the chat lines, 0x00BBGGRR as the skin files store them.
namespace ChatColours {

constexpr qint32 rgb(int r, int g, int b) { return r | (g << 8) | (b << 16); }

constexpr qint32 TimeStamp = rgb(128, 128, 128);
constexpr qint32 Separator = rgb(230, 230, 230);
constexpr qint32 SenderName = rgb(180, 220, 220);
constexpr qint32 PublicNotice = rgb(192, 192, 192);
constexpr qint32 MessageOfTheDay = rgb(128, 128, 128);
constexpr qint32 Status = rgb(192, 192, 64);
constexpr qint32 SmileyFailure = rgb(128, 128, 128);
constexpr qint32 PrivateArrow = rgb(200, 200, 200);
constexpr qint32 PrivateName = rgb(0, 153, 255);
constexpr qint32 PrivateText = rgb(204, 0, 0);

} // namespace ChatColours
