#pragma once
#include "lobby/UserMenu.h"

#include <QByteArray>
#include <QTreeView>

class QAction;
class QMenu;
class UserListModel;
struct ClientState;

// lstUsers: the user list tree with its two groups, the private-message
// double-click and the user menu. The menu acts on the user under the
// pointer when it opened (slot and id captured then).
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

    ClientState &m_state;
    UserListModel &m_model;
    QMenu *m_mnuUser = nullptr;
    UserMenuState m_menu;
    qint32 m_pvtUserSlot = 0;
};
