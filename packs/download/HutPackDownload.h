#pragma once
#include "controls/DownLoad.h"
#include "packs/download/DownloadedPack.h"

#include <QByteArray>
#include <QObject>

class ChatOutput;
class CommandSink;
class HutMessages;
class HutPanels;
class InstalledPacks;
struct ClientState;

// The download of the own hut's map pack (dl1, PBDl) or mod pack (dl2, PBMDL)
// from the hut panel. "MAPPACKOK DOWNLOADING" goes out only once the web host
// has answered 2xx. When the zip has come it is unpacked and the installed
// list rebuilt; the client then answers "MAPPACKOK TRUE" when the host's pack
// is installed now (the pack message is handled again, as for a fresh choice),
// else "MAPPACKOK FALSE" with a status line saying why (a zip that cannot be
// unpacked is a failed download, its reason in that line, with no box). The
// download button comes back after every end.
//
// The download belongs to the hut and the pack it started for: it starts
// only for the pack the own hut's host plays now, once the panel holds its
// address; when the host's pack changes, the player leaves the hut or the
// connection is lost, it ends at once without a word to the lobby and
// without installing anything, its partial zip is removed and the panel is
// left as the dispatcher last set it. The address label always ends on the
// dispatcher's latest address, never on an older one.
class HutPackDownload : public QObject
{
    Q_OBJECT
public:
    enum class Kind { Mappack, Modpack };

    struct State
    {
        bool barVisible = false;   // PBDl / PBMDL
        qint32 barMax = 1;         // kilobytes
        qint32 barValue = 0;
        bool operator==(const State &) const = default;
    };

    HutPackDownload(Kind kind, ClientState &state, HutPanels &panels, HutMessages &messages,
                    const InstalledPacks &installed, CommandSink &commands, ChatOutput &chat,
                    DownloadedPack pack, QObject *parent = nullptr);

    const State &state() const { return m_view; }
    DownLoad &downloader() { return m_dl; }
    bool running() const { return m_step != Step::Idle; }

    // StartMappackDownload / StartModpackDownload (cmdDLMAP / cmdDLMOD).
    void Start();
    // dl1_RecievedBytes / dl2_RecievedBytes.
    void RecievedBytes(qint64 bytes);
    // AbortModpackDL: leaves the hut; the download goes on until the lobby
    // says the player has left.
    void AbortModpackDL_Click();

    // The user table or the host's packs changed: a download whose hut or
    // pack is gone ends.
    void hutChanged();
    // The lobby connection is gone: a running download ends.
    void connectionLost();

Q_SIGNALS:
    void changed();
    void finished();

private:
    enum class Step { Idle, Head, Transfer, Ending };

    bool map() const { return m_kind == Kind::Mappack; }
    bool sameHut() const;
    void onStep();
    void onPanels();
    void end(bool answerFalse, const QByteArray &line);
    void endQuietly();
    void abandon();
    void setView(const std::function<void(State &)> &change);
    void setLabel(const QByteArray &text);
    void setButton(bool enabled);

    Kind m_kind;
    ClientState &m_state;
    HutPanels &m_panels;
    HutMessages &m_messages;
    const InstalledPacks &m_installed;
    CommandSink &m_commands;
    ChatOutput &m_chat;
    DownloadedPack m_pack;
    DownLoad m_dl;
    State m_view;
    Step m_step = Step::Idle;
    // What the download started for: the host's slot and its pack.
    qint32 m_hostSlot = -1;
    QByteArray m_crc;
    // The label and button as the dispatcher last set them; what this
    // download writes there itself is not the dispatcher's.
    QByteArray m_address;
    bool m_dispatcherButton = false;
    QByteArray m_ownLabel;
    bool m_writing = false;
    bool m_complete = false;
    QString m_lastError;
};
