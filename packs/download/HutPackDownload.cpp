#include "packs/download/HutPackDownload.h"

#include "core/ClientState.h"
#include "core/HutMessages.h"
#include "core/HutPanels.h"
#include "core/LobbyMessage.h"
#include "core/api/ChatOutput.h"
#include "core/api/CommandSink.h"
#include "core/util/CodePage.h"
#include "core/util/Files.h"
#include "packs/InstalledPacks.h"

#include <QFile>

HutPackDownload::HutPackDownload(Kind kind, ClientState &state, HutPanels &panels, HutMessages &messages,
                                 const InstalledPacks &installed, CommandSink &commands, ChatOutput &chat,
                                 DownloadedPack pack, QObject *parent)
    : QObject(parent)
    , m_kind(kind)
    , m_state(state)
    , m_panels(panels)
    , m_messages(messages)
    , m_installed(installed)
    , m_commands(commands)
    , m_chat(chat)
    , m_pack(std::move(pack))
{
    m_dl.setObjectName(map() ? QStringLiteral("dl1") : QStringLiteral("dl2"));
    m_dl.setCHUNK(64 * 1024);
    connect(&m_dl, &DownLoad::StepFinished, this, &HutPackDownload::onStep);
    connect(&m_dl, &DownLoad::RecievedBytes, this, &HutPackDownload::RecievedBytes);
    connect(&m_dl, &DownLoad::DLComplete, this, [this] { m_complete = true; });
    connect(&m_dl, &DownLoad::DLError, this, [this](const QString &e) { m_lastError = e; });
}

void HutPackDownload::setView(const std::function<void(State &)> &change)
{
    State s = m_view;
    change(s);
    if (s == m_view)
        return;
    m_view = s;
    Q_EMIT changed();
}

void HutPackDownload::setLabel(const QByteArray &text)
{
    const bool isMap = map();
    m_panels.update([&](HutPanels::State &s) { (isMap ? s.lblMappackURL : s.lblmodpackurl) = text; });
}

void HutPackDownload::Start()
{
    if (m_step != Step::Idle)
        return;   // one download of a kind at a time
    const bool isMap = map();
    const HutPanels::State &panel = m_panels.state();
    m_address = isMap ? panel.lblMappackURL : panel.lblmodpackurl;
    m_panels.update([isMap](HutPanels::State &s) { (isMap ? s.cmdDLMAPEnabled : s.cmdDLMODEnabled) = false; });
    setView([](State &s) { s.barVisible = true; });
    m_dl.setUrl(CodePage::toUnicode(m_address));
    m_dl.setSaveLocation(m_pack.zip(isMap));
    m_complete = false;
    m_lastError.clear();
    m_step = Step::Head;
    m_dl.beginFileInformation();
}

void HutPackDownload::onStep()
{
    const bool isMap = map();
    const QByteArray kind = isMap ? "mappack" : "modpack";
    if (m_step == Step::Head) {
        const qint32 max = DownloadedPack::barKilobytes(m_dl.FileSize());
        setView([max](State &s) {
            s.barValue = 0;
            s.barMax = max;
        });
        if (!m_dl.HeadersOk()) {
            setView([](State &s) { s.barVisible = false; });
            end(false, "The " + kind + " could not be downloaded ("
                           + CodePage::fromUnicode(m_lastError.isEmpty() ? QStringLiteral("no answer") : m_lastError)
                           + ").");
            return;
        }
        m_commands.SendCommand(isMap ? "MAPPACKOK DOWNLOADING" : "MODPACKOK DOWNLOADING");
        m_step = Step::Transfer;
        m_dl.beginDownLoad();
        return;
    }
    if (m_step != Step::Transfer)
        return;
    const QString zip = m_pack.zip(isMap);
    if (!m_complete) {
        QFile::remove(zip);
        end(true, "The " + kind + " download failed ("
                      + CodePage::fromUnicode(m_lastError.isEmpty() ? QStringLiteral("cancelled") : m_lastError)
                      + ").");
        return;
    }
    m_pack.install(zip, m_address);
    // Answer the host's current choice from the packs installed now.
    const UserRecord *own = m_state.own();
    const UserRecord *host = own && own->State == "CLIENT" ? m_state.Users.at(own->HostSlot) : nullptr;
    if (!host) {
        end(false, QByteArray());
        return;
    }
    const QByteArray crc = isMap ? host->Mappack : host->Modpack;
    const bool installed = isMap ? m_installed.findMappack(crc) : m_installed.findModpack(crc);
    if (!installed) {
        end(true, "The downloaded " + kind + " is not the hut's " + kind + ".");
        return;
    }
    m_step = Step::Idle;
    setLabel(m_address);
    const LobbyMessage again((isMap ? "MAPPACK " : "MODPACK ") + QByteArray::number(own->HostSlot) + ' ' + crc);
    if (isMap)
        m_messages.onMappack(again);
    else
        m_messages.onModpack(again);
    m_panels.update([isMap](HutPanels::State &s) { (isMap ? s.cmdDLMAPEnabled : s.cmdDLMODEnabled) = true; });
    Q_EMIT finished();
}

void HutPackDownload::end(bool answerFalse, const QByteArray &line)
{
    const bool isMap = map();
    m_step = Step::Idle;
    setLabel(m_address);
    if (answerFalse)
        m_commands.SendCommand(isMap ? "MAPPACKOK FALSE" : "MODPACKOK FALSE");
    if (!line.isEmpty())
        m_chat.AddSystemMessage(line);
    m_panels.update([isMap](HutPanels::State &s) { (isMap ? s.cmdDLMAPEnabled : s.cmdDLMODEnabled) = true; });
    Q_EMIT finished();
}

void HutPackDownload::RecievedBytes(qint64 bytes)
{
    const qint32 max = DownloadedPack::barKilobytes(m_dl.FileSize());
    const qint32 value = qint32(qMin<qint64>(bytes / 1024, 2147483647));
    setView([max, value](State &s) {
        s.barMax = max;
        s.barValue = value;
    });
    setLabel("Downloading: " + QByteArray::number(bytes) + " / " + QByteArray::number(m_dl.FileSize()));
}

void HutPackDownload::AbortModpackDL_Click()
{
    m_commands.SendCommand("BEIDLE");
}
