#include "lobby/ui/UserListView.h"

#include "core/ClientState.h"
#include "core/util/CodePage.h"
#include "core/util/Text.h"
#include "lobby/BlockList.h"
#include "lobby/UserListModel.h"
#include "lobby/ui/LobbyIcons.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>

UserListView::UserListView(ClientState &state, UserListModel &model, QWidget *parent)
    : QTreeView(parent)
    , m_state(state)
    , m_model(model)
{
    setObjectName(QStringLiteral("lstUsers"));
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setRootIsDecorated(true);
    setIndentation(14);
    setIconSize(QSize(16, 16));
    m_model.setIconProvider(&LobbyIcons::icon);
    setModel(&m_model);
    connect(&m_model, &QAbstractItemModel::rowsInserted, this, &UserListView::noteStructureChange);
    connect(&m_model, &QAbstractItemModel::rowsRemoved, this, &UserListView::noteStructureChange);
    expandGroups();
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(40);
    connect(&m_quiet, &QTimer::timeout, this, [this] { attachModel(true); });

    m_mnuUser = new QMenu(QStringLiteral("User Menu"), this);
    mnuUserName = m_mnuUser->addAction(QStringLiteral("<name>"));
    mnuUserName->setEnabled(false);
    m_mnuUser->addSeparator();
    mnuDetailed = m_mnuUser->addAction(QStringLiteral("Detailed Info"));
    // These three have no action behind them in this client; they show the
    // menu's design but stay greyed so that a click never silently does nothing.
    mnuSendFile = m_mnuUser->addAction(QStringLiteral("Send File"));
    mnuSendFile->setEnabled(false);
    mnuSetStatus = m_mnuUser->addAction(QStringLiteral("Set Status"));
    mnuSetStatus->setEnabled(false);
    mnuKick = m_mnuUser->addAction(QStringLiteral("Kick"));
    mnuKick->setEnabled(false);
    mnuClNr = m_mnuUser->addAction(QStringLiteral("Nr"));
    mnuClNr->setEnabled(false);
    mnuBlock = m_mnuUser->addAction(QStringLiteral("Block"));
    mnuUnBlock = m_mnuUser->addAction(QStringLiteral("Unblock"));
    connect(mnuDetailed, &QAction::triggered, this, &UserListView::mnuDetailed_Click);
    connect(mnuBlock, &QAction::triggered, this, &UserListView::mnuBlock_Click);
    connect(mnuUnBlock, &QAction::triggered, this, &UserListView::mnuUnBlock_Click);
}

void UserListView::reset()
{
    // The view's own reset forgets which nodes were open; a slot of ours
    // connected to the model's reset could run before or after it, depending
    // on which of the two connected first (a burst's detach and attach
    // turns that order round).
    QTreeView::reset();
    if (model() == &m_model)
        expandGroups();
}

void UserListView::expandGroups()
{
    expand(m_model.groupIndex(UserListModel::Waiting));
    expand(m_model.groupIndex(UserListModel::Playing));
}

void UserListView::noteStructureChange()
{
    // A burst: more rows changed within one event-loop turn than a person
    // could watch.
    constexpr int BurstRows = 200;
    constexpr int MaxDeferMs = 1500;
    if (m_deferred) {
        if (m_deferredFor.elapsed() < MaxDeferMs)
            m_quiet.start();
        return;
    }
    ++m_changesThisTurn;
    if (!m_turnCountPending) {
        m_turnCountPending = true;
        QTimer::singleShot(0, this, [this] {
            m_turnCountPending = false;
            m_changesThisTurn = 0;
        });
    }
    if (m_changesThisTurn > BurstRows)
        attachModel(false);
}

void UserListView::attachModel(bool attach)
{
    if (attach == !m_deferred)
        return;
    QItemSelectionModel *oldSelection = selectionModel();
    m_deferred = !attach;
    if (attach) {
        setModel(&m_model);
        expandGroups();
    } else {
        m_deferredFor.start();
        m_quiet.start();
        setModel(nullptr);
    }
    delete oldSelection;
}

void UserListView::lstUsers_DblClick(const QModelIndex &index)
{
    if (!index.isValid() || m_model.rowCount(index) > 0)
        return;
    const QByteArray key = index.data(UserListModel::KeyRole).toByteArray();
    if (!key.startsWith('u'))
        return;
    const qint32 slot = Text::LeadingInt32(key.mid(1));
    const UserRecord *user = m_state.Users.at(slot);
    if (!user || user->Name.isEmpty())
        return;
    m_pvtUserSlot = slot;
    Q_EMIT privateMessageRequested(slot, user->Name);
}

bool UserListView::showUserMenu(qint32 slot, const QPoint &globalPos)
{
    const UserMenuState m = UserMenu::forSlot(m_state, slot);
    if (!m.valid)
        return false;
    m_menu = m;
    mnuUserName->setText(CodePage::toUnicode(UserMenu::literalCaption(m.name)));
    mnuClNr->setText(QString::number(m.slot));
    mnuDetailed->setVisible(m.detailedVisible);
    mnuDetailed->setEnabled(true);
    mnuKick->setVisible(m.kickVisible);
    mnuSendFile->setVisible(m.sendFileVisible);
    mnuSetStatus->setVisible(m.setStatusVisible);
    mnuBlock->setVisible(m.blockVisible);
    mnuUnBlock->setVisible(m.unblockVisible);
    m_mnuUser->popup(globalPos);
    return true;
}

void UserListView::mnuBlock_Click()
{
    if (!m_menu.valid)
        return;
    BlockList::BlockUser(m_state, Text::LeadingInt32(m_menu.userId));
    m_model.UpdateUserList();
}

void UserListView::mnuUnBlock_Click()
{
    if (!m_menu.valid)
        return;
    BlockList::UnblockUser(m_state, Text::LeadingInt32(m_menu.userId));
    m_model.UpdateUserList();
}

void UserListView::mnuDetailed_Click()
{
    if (!m_menu.valid)
        return;
    Q_EMIT detailedInfoRequested(m_menu.name, m_menu.ip, m_menu.mac);
}

void UserListView::mouseReleaseEvent(QMouseEvent *event)
{
    QTreeView::mouseReleaseEvent(event);
    if (event->button() != Qt::RightButton)
        return;
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid())
        return;
    setCurrentIndex(index);
    showUserMenu(index.data(UserListModel::SlotRole).toInt(), event->globalPosition().toPoint());
}

void UserListView::mouseDoubleClickEvent(QMouseEvent *event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index.isValid() && m_model.rowCount(index) == 0
        && index.parent().isValid()) {
        lstUsers_DblClick(index);
        event->accept();
        return;
    }
    QTreeView::mouseDoubleClickEvent(event);
}
