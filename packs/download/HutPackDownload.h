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
// else "MAPPACKOK FALSE" with a status line. The download button comes back
// after every end.
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

    // StartMappackDownload / StartModpackDownload (cmdDLMAP / cmdDLMOD).
    void Start();
    // dl1_RecievedBytes / dl2_RecievedBytes.
    void RecievedBytes(qint64 bytes);
    // AbortModpackDL: leaves the hut; the download goes on.
    void AbortModpackDL_Click();

Q_SIGNALS:
    void changed();
    void finished();

private:
    enum class Step { Idle, Head, Transfer };

    bool map() const { return m_kind == Kind::Mappack; }
    void onStep();
    void end(bool answerFalse, const QByteArray &line);
    void setView(const std::function<void(State &)> &change);
    void setLabel(const QByteArray &text);

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
    QByteArray m_address;   // the label's address, put back when the download ends
    bool m_complete = false;
    QString m_lastError;
};
