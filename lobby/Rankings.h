#pragma once
#include <QByteArray>
#include <QList>
#include <QObject>

class PageFetch;
struct ClientState;

// One player of the rankings page: eight lines, in this order.
struct RankRow
{
    QByteArray IconKey; // a key of the lobby's image list (a rank word such as "admin")
    QByteArray Place;
    QByteArray Name;
    QByteArray Lost;
    QByteArray Won;
    QByteArray Played;
    QByteArray Rating;
    QByteArray UserId;  // not shown; compared with the own id

    bool operator==(const RankRow &) const = default;
};

namespace Ranks {

constexpr int LinesPerRecord = 8;

// The page "ranksqx.php" answers: records of eight lines, no header, no end
// marker. Lines end with LF or CR LF. A last record cut short is a row too:
// its missing columns hold the last line of the page, and its id is empty.
QList<RankRow> ParseRanks(const QByteArray &page);

// Two user ids are the same when both are numbers above 0 with the same
// value ("007" is 7). Blanks in front and anything after the digits are
// ignored; a text without a number is 0 and matches nothing.
bool SameUserId(const QByteArray &a, const QByteArray &b);

// The caption of lblYourRank before the own place is known.
inline constexpr char YourRankCaption[] = "Your Rank:";

} // namespace Ranks

// The Rankings tab's list, fetched afresh each time the tab is chosen
// (GetRanks). The page is fetched beside the event loop and read in memory;
// a new GetRanks drops the fetch in flight, so an older answer never replaces
// a newer one. Views show rows() and YourRank() on changed().
class Rankings : public QObject
{
    Q_OBJECT
public:
    explicit Rankings(ClientState &state, QObject *parent = nullptr);
    ~Rankings() override;

    // Empties the list and fetches the page again.
    void GetRanks();

    // The rows on show. A failed or empty fetch shows one row with no texts
    // (the "unknown" icon), as the page's own readers always have.
    const QList<RankRow> &rows() const { return m_rows; }
    // "Your Rank:" until an answer holds the own player, then "Your Rank: "
    // and the own place; an answer without the player leaves it as it was.
    QByteArray YourRank() const { return m_yourRank; }
    bool fetching() const;

    // Test only: the fetch's idle timeout; 0 or less is the default.
    void setTimeout(int timeoutMs) { m_timeoutMs = timeoutMs; }

Q_SIGNALS:
    void changed();

private:
    void show(const QList<RankRow> &rows);

    ClientState &m_state;
    PageFetch *m_fetch = nullptr;
    QList<RankRow> m_rows;
    QByteArray m_yourRank = Ranks::YourRankCaption;
    int m_timeoutMs = 0;
};
