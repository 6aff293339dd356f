#pragma once
#include <QByteArray>
#include <QObject>
#include <array>

class LobbyEvents;
struct ClientState;

// The hut details panel: four rows (0 the host, 1 to 3 the client positions)
// of the hut the logged-in user is in. The huts tree fills it on each rebuild
// of the own hut; the pack columns are refreshed on their own after the pack
// messages (UpdateMappackInfo / UpdateModpackInfo, connected to LobbyEvents).
class HutDetailsModel : public QObject
{
    Q_OBJECT
public:
    static constexpr int RowCount = 4;

    struct Row
    {
        QByteArray picture = "";            // picRank: an image key; empty = no picture
        QByteArray name = "<  >";           // lblName
        QByteArray hasMappack = "<N/A>";    // lblHasMappack
        QByteArray hasModpack = "<N/A>";    // lblHasModpack
        QByteArray pingCaption = "<n/a>";   // lblPing caption (never a ping value)
        QByteArray pingTag;                 // lblPing tag: the row's slot, "0" for a free place
        bool blank = false;                 // a row beyond the hut's positions

        bool operator==(const Row &) const = default;
    };

    HutDetailsModel(ClientState &state, LobbyEvents *events, QObject *parent = nullptr);

    const Row &row(int i) const { return m_rows[size_t(i)]; }
    const std::array<Row, RowCount> &rows() const { return m_rows; }

    // Written by the huts tree for the own hut.
    void setRows(const std::array<Row, RowCount> &rows);

    void UpdateMappackInfo();
    void UpdateModpackInfo();

Q_SIGNALS:
    void changed();

private:
    void updatePackColumn(bool mappack);

    ClientState &m_state;
    std::array<Row, RowCount> m_rows;
};
