#include "packs/download/CatalogDownload.h"

#include "core/api/ChatOutput.h"
#include "core/util/CodePage.h"
#include "core/util/Files.h"
#include "packs/PackCatalog.h"

#include <QFile>
#include <algorithm>

CatalogDownload::CatalogDownload(PackCatalog &catalog, DownloadedPack pack, ChatOutput &chat, QObject *parent)
    : QObject(parent)
    , m_catalog(catalog)
    , m_pack(std::move(pack))
    , m_chat(chat)
{
    m_dl.setObjectName(maps() ? QStringLiteral("DLControlMappacks") : QStringLiteral("ModsDLControl"));
    m_dl.setCHUNK(64 * 1024);
    connect(&m_dl, &DownLoad::StepFinished, this, &CatalogDownload::onStep);
    connect(&m_dl, &DownLoad::RecievedBytes, this, &CatalogDownload::DownloadProgress);
    connect(&m_dl, &DownLoad::DLComplete, this, [this] {
        m_done = true;
        update([](State &s) { s.barValue = s.barMax; });
    });
    connect(&m_dl, &DownLoad::DLError, this, [this](const QString &e) { m_lastError = e; });
    // The list shown may be fetched anew mid-run: the pack in transfer keeps
    // its mark only where it is still listed.
    connect(&m_catalog, &PackCatalog::listChanged, this, [this] {
        if (m_step != Step::Idle) {
            const int row = rowOf(m_current);
            update([row](State &s) { s.currentRow = row; });
        }
    });
}

bool CatalogDownload::maps() const
{
    return m_catalog.kind() == PackCatalog::Kind::Mappacks;
}

void CatalogDownload::update(const std::function<void(State &)> &change)
{
    State s = m_state;
    change(s);
    if (s == m_state)
        return;
    m_state = s;
    Q_EMIT changed();
}

void CatalogDownload::Open()
{
    if (maps()) {
        m_catalog.Fetch();
        update([](State &s) { s.panelVisible = true; });
    } else {
        update([](State &s) { s.panelVisible = true; });
        m_catalog.Fetch();
    }
}

void CatalogDownload::Close()
{
    update([](State &s) { s.panelVisible = false; });
}

void CatalogDownload::cmdDownload_Click(const QList<int> &selectedRows)
{
    if (m_state.running)
        return;
    m_cancelled = false;
    QList<int> rows;
    for (int row : selectedRows) {
        if (row >= 0 && row < m_catalog.Count())
            rows.append(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // Copies: the catalogue may be fetched anew while the run goes.
    m_queue.clear();
    for (int row : std::as_const(rows))
        m_queue.append(m_catalog.entries().at(row));
    const bool map = maps();
    update([map](State &s) {
        s.running = true;
        s.cancelVisible = true;
        s.downloadEnabled = false;
        s.listEnabled = false;
        s.selectEnabled = false;
        if (!map) {
            s.barVisible = true;   // the mod run shows its bar once for the whole run
            s.barValue = 0;
        }
    });
    next();
}

int CatalogDownload::rowOf(const PackCatalogEntry &entry) const
{
    const QList<PackCatalogEntry> &list = m_catalog.entries();
    for (int i = 0; i < list.size(); ++i) {
        if (list[i].Url == entry.Url && list[i].Crc == entry.Crc && list[i].Name == entry.Name)
            return i;
    }
    return -1;
}

void CatalogDownload::next()
{
    if (m_cancelled)
        return;
    if (m_queue.isEmpty()) {
        finishRun();
        return;
    }
    m_current = m_queue.takeFirst();
    const int row = rowOf(m_current);
    update([row](State &s) { s.currentRow = row; });
    m_lastError.clear();
    m_dl.setUrl(CodePage::toUnicode(m_current.Url));
    m_dl.setSaveLocation(m_pack.catalogueZip(maps()));
    m_step = Step::Head;
    m_dl.beginFileInformation();
}

QString CatalogDownload::failureText(const QString &fallback) const
{
    // The transport's reason says what went wrong (a slow host, a cut body);
    // the control's own error text only where it has none.
    const QString reason = m_dl.FailureReason();
    if (!reason.isEmpty() && reason != QLatin1String("cancelled"))
        return reason;
    return m_lastError.isEmpty() ? fallback : m_lastError;
}

void CatalogDownload::reportFailure(const QString &why)
{
    m_chat.AddSystemMessage("Could not download " + QByteArray(maps() ? "the mappack " : "the modpack ")
                            + m_current.Name + " (" + CodePage::fromUnicode(why) + "); it is skipped.");
}

void CatalogDownload::onStep()
{
    const Step step = m_step;
    if (step == Step::Idle)
        return;
    if (m_cancelled) {
        m_step = Step::Idle;
        cancelled();
        return;
    }
    if (step == Step::Head) {
        if (!m_dl.HeadersOk()) {
            m_step = Step::Idle;
            reportFailure(failureText(QStringLiteral("no answer")));
            QMetaObject::invokeMethod(this, &CatalogDownload::next, Qt::QueuedConnection);
            return;
        }
        const qint32 max = DownloadedPack::barKilobytes(m_dl.FileSize());
        const QByteArray status = "Downloading: " + CodePage::fromUnicode(m_dl.Url());
        m_lastProgress = 0;
        m_done = false;
        update([max, status](State &s) {
            s.barVisible = true;
            s.barValue = 0;
            s.barMax = max;
            s.status = status;
        });
        m_step = Step::Transfer;
        m_dl.beginDownLoad();
        return;
    }
    // The transfer is over and the zip is closed.
    m_step = Step::Idle;
    const QString zip = m_pack.catalogueZip(maps());
    if (m_done) {
        if (Files::FileExists(zip))
            m_pack.install(zip, m_current.Url);
    } else {
        reportFailure(failureText(QStringLiteral("the transfer broke off")));
        QFile::remove(zip);   // a partial zip is of no use
    }
    QMetaObject::invokeMethod(this, &CatalogDownload::next, Qt::QueuedConnection);
}

void CatalogDownload::idle()
{
    // The mod side keeps its last status text.
    const bool map = maps();
    update([map](State &s) {
        s.running = false;
        s.downloadEnabled = true;
        s.listEnabled = true;
        s.selectEnabled = true;
        s.cancelVisible = false;
        s.barVisible = false;
        if (map)
            s.status.clear();
    });
}

void CatalogDownload::finishRun()
{
    idle();
    m_catalog.Fetch();
    Q_EMIT runFinished();
}

void CatalogDownload::CancelDownload()
{
    m_cancelled = true;
    m_queue.clear();
    if (m_step != Step::Idle && m_dl.busy()) {
        // The zip is deleted once the transfer has let go of it (onStep).
        m_dl.Cancel();
        return;
    }
    m_step = Step::Idle;
    cancelled();
}

void CatalogDownload::cancelled()
{
    // Only the run's own file: a hut download's zip is never touched here.
    const QString zip = m_pack.catalogueZip(maps());
    if (QFile::exists(zip))
        QFile::remove(zip);
    if (m_pack.rebuild)
        m_pack.rebuild();
    const bool wasRunning = m_state.running;
    idle();
    m_catalog.Fetch();
    if (wasRunning)
        Q_EMIT runFinished();
}

void CatalogDownload::DownloadProgress(qint64 bytes)
{
    if (qAbs(bytes - m_lastProgress) <= 2048)
        return;
    m_lastProgress = bytes;
    const qint32 value = qint32(qMin<qint64>(bytes / 1024, 2147483647));
    update([value](State &s) { s.barValue = value; });
}
