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
    connect(&m_panels, &HutPanels::changed, this, &HutPackDownload::onPanels);
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
    m_ownLabel = text;
    m_writing = true;
    m_panels.update([&](HutPanels::State &s) { (isMap ? s.lblMappackURL : s.lblmodpackurl) = text; });
    m_writing = false;
}

void HutPackDownload::setButton(bool enabled)
{
    const bool isMap = map();
    m_writing = true;
    m_panels.update([&](HutPanels::State &s) { (isMap ? s.cmdDLMAPEnabled : s.cmdDLMODEnabled) = enabled; });
    m_writing = false;
}

void HutPackDownload::onPanels()
{
    if (m_writing || !running())
        return;
    // Whatever differs from what this download wrote is the dispatcher's.
    const HutPanels::State &panel = m_panels.state();
    const QByteArray &label = map() ? panel.lblMappackURL : panel.lblmodpackurl;
    const bool button = map() ? panel.cmdDLMAPEnabled : panel.cmdDLMODEnabled;
    if ((map() ? panel.mappackFor : panel.modpackFor) != m_crc) {
        // The panel has let go of this download's pack (another pack, another
        // hut or none): it is the dispatcher's as it stands, and the download
        // ends without a word.
        m_address = label;
        m_dispatcherButton = button;
        if (m_step == Step::Head || m_step == Step::Transfer)
            abandon();
        return;
    }
    if (label != m_ownLabel)
        m_address = label;
    if (button)
        m_dispatcherButton = true;
}

bool HutPackDownload::sameHut() const
{
    const UserRecord *own = m_state.own();
    const UserRecord *host = m_state.Users.at(m_hostSlot);
    const HutPanels::State &panel = m_panels.state();
    return own && host && own->State == "CLIENT" && own->HostSlot == m_hostSlot
        && (map() ? host->Mappack : host->Modpack) == m_crc
        && (map() ? panel.mappackFor : panel.modpackFor) == m_crc;
}

void HutPackDownload::Start()
{
    if (m_step != Step::Idle)
        return;   // one download of a kind at a time
    const bool isMap = map();
    const HutPanels::State &panel = m_panels.state();
    // Only the pack the own hut's host plays now, once its address is known.
    const UserRecord *own = m_state.own();
    const UserRecord *host = own && own->State == "CLIENT" ? m_state.Users.at(own->HostSlot) : nullptr;
    const QByteArray &offered = isMap ? panel.mappackFor : panel.modpackFor;
    if (!host || !(isMap ? panel.cmdDLMAPEnabled : panel.cmdDLMODEnabled) || offered.isEmpty()
        || offered != (isMap ? host->Mappack : host->Modpack))
        return;
    m_address = isMap ? panel.lblMappackURL : panel.lblmodpackurl;
    m_ownLabel = m_address;
    m_dispatcherButton = true;
    m_hostSlot = own->HostSlot;
    m_crc = offered;
    setButton(false);
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
    const QString zip = m_pack.zip(isMap);
    auto why = [this](const char *fallback) {
        QString reason = m_dl.FailureReason();
        if (reason.isEmpty() || reason == QLatin1String("cancelled"))
            reason = m_lastError.isEmpty() ? QString::fromLatin1(fallback) : m_lastError;
        return CodePage::fromUnicode(reason);
    };
    if (m_step == Step::Ending) {
        // The transfer has let go of the zip.
        m_step = Step::Idle;
        QFile::remove(zip);
        Q_EMIT finished();
        return;
    }
    if (m_step == Step::Head) {
        const qint32 max = DownloadedPack::barKilobytes(m_dl.FileSize());
        setView([max](State &s) {
            s.barValue = 0;
            s.barMax = max;
        });
        if (!m_dl.HeadersOk()) {
            setView([](State &s) { s.barVisible = false; });
            end(false, "The " + kind + " could not be downloaded (" + why("no answer") + ").");
            return;
        }
        if (!sameHut()) {
            abandon();
            return;
        }
        m_commands.SendCommand(isMap ? "MAPPACKOK DOWNLOADING" : "MODPACKOK DOWNLOADING");
        m_step = Step::Transfer;
        m_dl.beginDownLoad();
        return;
    }
    if (m_step != Step::Transfer)
        return;
    if (!sameHut()) {
        // The hut has moved on and was answered already: its pack is not
        // installed, nor anything said about it.
        QFile::remove(zip);
        endQuietly();
        return;
    }
    if (!m_complete) {
        QFile::remove(zip);
        end(true, "The " + kind + " download failed (" + why("cancelled") + ").");
        return;
    }
    // A zip that cannot be unpacked (one cut short, say) is a failed
    // download: the chat line gives the reason, no box holds the panel.
    QString unpackFailure;
    if (!m_pack.install(zip, CodePage::fromUnicode(m_dl.Url()), &unpackFailure)) {
        if (unpackFailure.isEmpty())
            unpackFailure = QStringLiteral("it cannot be unpacked");
        end(true, "The " + kind + " could not be downloaded (" + CodePage::fromUnicode(unpackFailure) + ").");
        return;
    }
    // Answer the host's choice, which is still this pack, from the packs installed now.
    if (!(isMap ? m_installed.findMappack(m_crc) : m_installed.findModpack(m_crc))) {
        end(true, "The downloaded " + kind + " is not the hut's " + kind + ".");
        return;
    }
    m_step = Step::Idle;
    setLabel(m_address);
    const LobbyMessage again((isMap ? "MAPPACK " : "MODPACK ") + QByteArray::number(m_hostSlot) + ' ' + m_crc);
    if (isMap)
        m_messages.onMappack(again);
    else
        m_messages.onModpack(again);
    setButton(true);
    Q_EMIT finished();
}

void HutPackDownload::end(bool answerFalse, const QByteArray &line)
{
    if (!sameHut()) {
        endQuietly();
        return;
    }
    const bool isMap = map();
    m_step = Step::Idle;
    setLabel(m_address);
    if (answerFalse)
        m_commands.SendCommand(isMap ? "MAPPACKOK FALSE" : "MODPACKOK FALSE");
    if (!line.isEmpty())
        m_chat.AddSystemMessage(line);
    setButton(true);
    Q_EMIT finished();
}

void HutPackDownload::endQuietly()
{
    // Nothing is said for a hut or a pack that is no longer the player's; the
    // panel is left as the dispatcher last set it.
    m_step = Step::Idle;
    setLabel(m_address);
    setButton(m_dispatcherButton);
    setView([](State &s) { s.barVisible = false; });
    Q_EMIT finished();
}

void HutPackDownload::abandon()
{
    // Nothing goes to the lobby: the dispatcher has answered the new pack,
    // or there is no hut (or no connection) to answer.
    m_step = Step::Ending;
    setLabel(m_address);
    setButton(m_dispatcherButton);
    setView([](State &s) {
        s.barVisible = false;
        s.barValue = 0;
    });
    if (m_dl.busy())
        m_dl.Cancel();   // onStep follows once the zip is let go
    else
        onStep();
}

void HutPackDownload::hutChanged()
{
    if ((m_step == Step::Head || m_step == Step::Transfer) && !sameHut())
        abandon();
}

void HutPackDownload::connectionLost()
{
    if (m_step == Step::Head || m_step == Step::Transfer)
        abandon();
}

void HutPackDownload::RecievedBytes(qint64 bytes)
{
    if (m_step != Step::Transfer)
        return;
    if (!sameHut()) {
        abandon();
        return;
    }
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
