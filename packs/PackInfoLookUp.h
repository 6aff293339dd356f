#pragma once
#include "core/api/GameSetup.h"

#include <QByteArray>
#include <QObject>
#include <functional>

// FetchMappackInfo / FetchModpackInfo without holding the caller: the same
// page, saved the same way, its address handed to `done` from the event loop
// once the page has come, failed or passed the page bound ("" then). The
// window and the player's input go on meanwhile. Look-ups run side by side;
// those still running when the object goes end unreported.
class PackInfoLookUp : public QObject
{
    Q_OBJECT
public:
    PackInfoLookUp(const GameSetup &setup, bool mappack, QObject *parent = nullptr);
    ~PackInfoLookUp() override;

    using Done = std::function<void(const QByteArray &address)>;
    // `timeoutMs` below 1 is the page bound in force (UrlDownload::defaultTimeout).
    void start(const QByteArray &crc, Done done, int timeoutMs = -1);

private:
    const GameSetup &m_setup;
    bool m_mappack;
};
