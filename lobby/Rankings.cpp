#include "lobby/Rankings.h"

#include "core/ClientState.h"
#include "core/util/SettingsKeys.h"
#include "core/util/Text.h"
#include "platform/LobbyWebHost.h"
#include "platform/PageFetch.h"

namespace Ranks {

QList<RankRow> ParseRanks(const QByteArray &page)
{
    const QList<QByteArray> lines = Text::Lines(page);
    QList<RankRow> rows;
    for (qsizetype i = 0; i < lines.size(); i += LinesPerRecord) {
        // A record cut short by the end of the page still makes a row: each
        // column past the end holds the last line there was. Its id is not
        // known, so it never names the own place.
        const qsizetype last = lines.size() - 1;
        const auto line = [&](int n) { return lines.at(qMin(i + n, last)); };
        RankRow r;
        r.IconKey = line(0);
        r.Place = line(1);
        r.Name = line(2);
        r.Lost = line(3);
        r.Won = line(4);
        r.Played = line(5);
        r.Rating = line(6);
        if (i + 7 <= last)
            r.UserId = lines.at(i + 7);
        rows.append(r);
    }
    return rows;
}

namespace {

// The digits of the leading whole number without its leading zeros; empty
// for 0, a negative number or no number at all. Compared as texts, so ids of
// any length match exactly.
QByteArray positiveDigits(const QByteArray &text)
{
    qsizetype i = 0;
    while (i < text.size() && (text.at(i) == ' ' || text.at(i) == '\t'))
        ++i;
    if (i < text.size() && text.at(i) == '+')
        ++i;
    while (i < text.size() && text.at(i) == '0')
        ++i;
    const qsizetype from = i;
    while (i < text.size() && text.at(i) >= '0' && text.at(i) <= '9')
        ++i;
    return text.mid(from, i - from);
}

} // namespace

bool SameUserId(const QByteArray &a, const QByteArray &b)
{
    const QByteArray digits = positiveDigits(a);
    return !digits.isEmpty() && digits == positiveDigits(b);
}

} // namespace Ranks

Rankings::Rankings(ClientState &state, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_fetch(new PageFetch(this))
{
    connect(m_fetch, &PageFetch::finished, this,
            [this](const UrlDownload::Result &result, const QByteArray &body) {
                show(result.ok ? Ranks::ParseRanks(body) : QList<RankRow>());
            });
}

Rankings::~Rankings() = default;

bool Rankings::fetching() const
{
    return m_fetch->isRunning();
}

void Rankings::GetRanks()
{
    // lblYourRank keeps its caption until an answer names the own player.
    m_rows.clear();
    Q_EMIT changed();
    const QByteArray host = LobbyWebHost::fromSettings(SettingsKeys::QxIniPath(m_state.Setup.ProgramFolder));
    // random= 0 to 99,999,998, so that no cache answers.
    m_fetch->start(LobbyWebHost::pageUrl(host, "ranksqx.php", LobbyWebHost::randomNumber(99999999)),
                   m_timeoutMs);
}

void Rankings::show(const QList<RankRow> &rows)
{
    m_rows = rows.isEmpty() ? QList<RankRow>{RankRow()} : rows;
    const UserRecord *own = m_state.own();
    const QByteArray ownId = own ? own->UserId : QByteArray();
    for (const RankRow &r : std::as_const(m_rows)) {
        if (Ranks::SameUserId(r.UserId, ownId))
            m_yourRank = QByteArray(Ranks::YourRankCaption) + ' ' + r.Place;
    }
    Q_EMIT changed();
}
