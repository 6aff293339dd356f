#pragma once
#include <QObject>

class QLabel;
class QTreeWidget;
class Rankings;
struct ClientOptions;

// Shows the rankings on the lobby window's lstRanks and lblYourRank: one row
// per player, the rank icon first, then the six texts as received. The list
// takes the skin's list colours.
class RanksView : public QObject
{
    Q_OBJECT
public:
    RanksView(Rankings &ranks, const ClientOptions &options, QTreeWidget *lstRanks,
              QLabel *lblYourRank, QObject *parent = nullptr);

    // The skin's list colours, again (after a skin change).
    void applyColours();

private:
    void refresh();

    Rankings &m_ranks;
    const ClientOptions &m_options;
    QTreeWidget *m_list;
    QLabel *m_yourRank;
};
