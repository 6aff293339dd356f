#pragma once

class CreateHutPanel;
class GamePanel;
class HutButtons;
class HutPackPanel;
class Huts;
class InstalledPacks;
class LobbyForm;
class QPushButton;
class TribePanel;

// Puts the hut widgets into their places on the lobby window and connects the
// huts tree's double-click to joining. The form owns the widgets; the
// pointers stay valid while it lives.
struct HutWidgets
{
    HutWidgets(LobbyForm &form, Huts &huts, const InstalledPacks &packs);

    HutButtons *buttons = nullptr;
    CreateHutPanel *createHut = nullptr;
    GamePanel *game = nullptr;
    TribePanel *tribes = nullptr;
    HutPackPanel *mapDownload = nullptr;
    HutPackPanel *modDownload = nullptr;
    QPushButton *picExitHut = nullptr;
};
