#pragma once
#include "controls/DownLoad.h"
#include "packs/PackCatalog.h"
#include "packs/download/DownloadedPack.h"

#include <QByteArray>
#include <QList>
#include <QObject>

class ChatOutput;


// One catalogue panel (the map packs' picDLMapsMenu or the mod packs'
// framoddownload) and its download run: the packs selected in the list are
// fetched one after another into the run's own zip (never the hut download's
// file), each unpacked and the installed list rebuilt before the next starts;
// the catalogue is listed again at the end. The run works from copies of the
// entries selected when it started: fetching the catalogue again meanwhile
// changes the list shown, not the packs fetched. A pack whose transfer fails
// is skipped with a status line saying why, and the run goes on. A cancel
// stops the transfer at once and deletes the zip only after the transfer has
// let go of it. The panel's widgets are a view of State.
class CatalogDownload : public QObject
{
    Q_OBJECT
public:
    struct State
    {
        bool panelVisible = false;     // picDLMapsMenu / framoddownload
        bool running = false;
        bool listEnabled = true;       // lstMapPacks / lstmodPacks
        bool downloadEnabled = true;   // cmdDownloadMappacksM / cmdDownloadMods
        bool selectEnabled = true;     // the select all / none buttons
        bool cancelVisible = false;    // CancelDLMaps / modsdlcancel
        bool barVisible = false;       // PBMapsDownloadM / PBModsDL
        qint32 barMax = 1;             // kilobytes
        qint32 barValue = 0;
        QByteArray status;             // lblStat / lblStatMods
        int currentRow = -1;

        bool operator==(const State &) const = default;
    };

    CatalogDownload(PackCatalog &catalog, DownloadedPack pack, ChatOutput &chat, QObject *parent = nullptr);

    bool maps() const;
    const State &state() const { return m_state; }
    PackCatalog &catalog() { return m_catalog; }
    DownLoad &downloader() { return m_dl; }   // DLControlMappacks / ModsDLControl

    // The panel's buttons.
    void Open();    // cmdMapCatalog / cmdmodsDownload: list the catalogue, show the panel
    void Close();   // cmdDoneMaps / ModDownloadClose
    // cmdDownload_Click with the list's selected rows.
    void cmdDownload_Click(const QList<int> &selectedRows);
    void CancelDownload();   // CancelMappackDownload / CancelModpackDownload
    // MappackDownloadProgress: the bar moves once more than 2 KiB came.
    void DownloadProgress(qint64 bytes);

Q_SIGNALS:
    void changed();
    void runFinished();

private:
    enum class Step { Idle, Head, Transfer };

    void update(const std::function<void(State &)> &change);
    void next();
    void onStep();
    void idle();
    void finishRun();
    void cancelled();
    void reportFailure(const QString &why);
    QString failureText(const QString &fallback) const;

    PackCatalog &m_catalog;
    DownloadedPack m_pack;
    ChatOutput &m_chat;
    DownLoad m_dl;
    State m_state;
    Step m_step = Step::Idle;
    int rowOf(const PackCatalogEntry &entry) const;

    QList<PackCatalogEntry> m_queue;
    PackCatalogEntry m_current;
    bool m_cancelled = false;
    bool m_done = false;           // MappackDownloadDone
    qint64 m_lastProgress = 0;     // MappackLastProgress
    QString m_lastError;
};
