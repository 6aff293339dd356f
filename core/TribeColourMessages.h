#pragma once

class Dispatcher;
class LobbyMessage;
class TribeColours;
class TribePreviews;

// "RED", "BLUE", "YELLOW" and "GREEN" as the server relays them to a hut:
// word 1 "1", word 2 the sender's slot (not read), words 3 to 10 the eight
// colours of that tribe's boxes 0 to 7. Applied by every receiver.
class TribeColourMessages
{
public:
    TribeColourMessages(TribeColours &colours, TribePreviews &previews);

    void registerHandlers(Dispatcher &dispatcher);
    void onColours(int tribe, const LobbyMessage &m);

private:
    TribeColours &m_colours;
    TribePreviews &m_previews;
};
