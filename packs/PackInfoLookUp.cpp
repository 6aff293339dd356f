#include "packs/PackInfoLookUp.h"

#include "core/util/AtomicFile.h"
#include "packs/PackInfo.h"
#include "platform/PageFetch.h"

PackInfoLookUp::PackInfoLookUp(const GameSetup &setup, bool mappack, QObject *parent)
    : QObject(parent), m_setup(setup), m_mappack(mappack)
{
}

PackInfoLookUp::~PackInfoLookUp() = default;

void PackInfoLookUp::start(const QByteArray &crc, Done done, int timeoutMs)
{
    const QUrl url = PackInfoUrl(m_setup, m_mappack, crc);
    auto *fetch = new PageFetch(this);
    connect(fetch, &PageFetch::finished, this,
            [this, fetch, done = std::move(done)](const UrlDownload::Result &r, const QByteArray &body) {
                fetch->deleteLater();
                QByteArray address;
                if (r.ok && AtomicFile::write(PackInfoFile(m_setup, m_mappack), body))
                    address = PackInfoAddress(body);
                done(address);
            });
    // An empty address (no crc8) is refused without a request, reported from
    // the event loop as any answer.
    fetch->start(url, timeoutMs);
}
