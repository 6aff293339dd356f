#pragma once
#include "lobby/UserMenu.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QTimer>
#include <QTreeView>

class QAction;
class QMenu;
class UserListModel;
struct ClientState;

// lstUsers: the user list tree with its two groups, the private-message
// double-click and the user menu. The menu acts on the user under the
// pointer when it opened (slot and id captured then).
//
// A tree view lays out all its rows again after every event-loop turn that
// changed them; while a login pours in thousands of users, turn after turn,
// that would cost O(n) per turn. So during such a burst the view lets go of
// the model and takes it back, laid out once, when the burst is over.
class UserListView : public QTreeView
{
    Q_OBJECT
public:
    UserListView(ClientState &state, UserListModel &model, QWidget *parent = nullptr);

    qint32 PvtUserSlot() const { return m_pvtUserSlot; }

    // lstUsers_DblClick on the node at `index`: a user node stores its slot
    // in PvtUserSlot and asks for "/PVT <name>: "; group nodes do nothing.
    void lstUsers_DblClick(const QModelIndex &index);

    // Fills mnuUser for `slot` and pops it up at `globalPos`; false (no menu)
    // for a group node or a free slot.
    bool showUserMenu(qint32 slot, const QPoint &globalPos);
    const UserMenuState &menuState() const { return m_menu; }
    QMenu *mnuUser() const { return m_mnuUser; }
    // True while a burst of changes keeps the view away from the model.
    bool isDeferred() const { return m_deferred; }

    // A model reset (a new login's fill) opens both groups again.
    void reset() override;

    void mnuBlock_Click();
    void mnuUnBlock_Click();
    void mnuDetailed_Click();

    QAction *mnuUserName = nullptr;
    QAction *mnuDetailed = nullptr;
    QAction *mnuSendFile = nullptr;
    QAction *mnuSetStatus = nullptr;
    QAction *mnuKick = nullptr;
    QAction *mnuClNr = nullptr;
    QAction *mnuBlock = nullptr;
    QAction *mnuUnBlock = nullptr;

Q_SIGNALS:
    void privateMessageRequested(qint32 slot, const QByteArray &nameAsStored);
    void detailedInfoRequested(const QByteArray &name, const QByteArray &ip, const QByteArray &mac);

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void expandGroups();
    void noteStructureChange();
    void attachModel(bool attach);

    ClientState &m_state;
    UserListModel &m_model;
    QMenu *m_mnuUser = nullptr;
    UserMenuState m_menu;
    qint32 m_pvtUserSlot = 0;

    int m_changesThisTurn = 0;
    bool m_turnCountPending = false;
    bool m_deferred = false;
    QTimer m_quiet;                 // the burst is over after a quiet moment
    QElapsedTimer m_deferredFor;    // ... or after a while in any case
};
