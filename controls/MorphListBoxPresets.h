#pragma once
#include "controls/MorphListBoxProperties.h"

// The stored settings that the client's three lists keep with their
// windows, ready to be read by MorphListBox::ReadProperties. Every value not
// listed keeps its default (so the theme number is 2 and the map and pack
// lists are sorted).
namespace MorphListBoxPresets {

MorphListBoxStore lstservers(); // login window: the server list
MorphListBoxStore lstMaps();    // lobby window: the maps of a pack
MorphListBoxStore lstPacks();   // lobby window: the installed packs

// The lists' font: a small sans serif, 8.25 points, normal weight.
QFont ListFont();
// The server list's background picture, 282 x 232 pixels.
QImage ServerListPicture();

} // namespace MorphListBoxPresets
