#pragma once
#include <QByteArray>
#include <QtGlobal>

class CommandSink;
class TribeColours;
class TribePreviews;

// Tells the lobby server the own tribe's eight colours with one command
// ("BLUE 1 c0 ... c7" for tribe 0, and so on); the server relays it to the
// hut with the sender's slot in front of the colours.
class TribeColourBroadcast
{
public:
    // `selectedTribe` is the client's SelectedTribe, read on every call.
    TribeColourBroadcast(CommandSink &commands, const TribeColours &colours,
                         TribePreviews &previews, const qint16 &selectedTribe);

    // For SelectedTribe 0 to 3: sends the command, then repaints all four
    // previews. Any other value does nothing.
    void SendTribeColours();

    // The command text for one tribe; empty out of range.
    static QByteArray commandFor(const TribeColours &colours, int tribe);

private:
    CommandSink &m_commands;
    const TribeColours &m_colours;
    TribePreviews &m_previews;
    const qint16 &m_selectedTribe;
};
