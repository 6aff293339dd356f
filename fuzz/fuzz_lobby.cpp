// A hostile lobby server: any bytes go through the NUL framer to the real
// dispatcher and the handlers behind it (login and version, user and room
// tables, chat and rooms, huts, host options, tribe colours), with the user
// list, huts tree and hut details models following message by message (and
// rebuilt when a login is accepted, as the lobby window does). At the end the
// models must equal models built afresh from the final tables, and the
// user-name index must answer what a scan of the table answers.
#include "core/ClientState.h"
#include "core/Dispatcher.h"
#include "core/Huts.h"
#include "core/LobbyConnection.h"
#include "core/LobbyEvents.h"
#include "core/LobbyMessage.h"
#include "core/LobbyProtocol.h"
#include "core/NulFramer.h"
#include "core/UserStateHandlers.h"
#include "fuzz/FuzzSupport.h"
#include "lobby/Chat.h"
#include "lobby/HutDetailsModel.h"
#include "lobby/HutsTreeModel.h"
#include "lobby/UserListModel.h"
#include "packs/InstalledPacks.h"
#include "platform/MacAddress.h"

#include <QAbstractItemModel>
#include <QSet>

namespace {

// Every node of a model with its display text and the model's own roles.
QByteArray dump(const QAbstractItemModel &m, const QModelIndex &parent = QModelIndex(), int depth = 0)
{
    QByteArray out;
    if (depth > 4)
        return out;
    for (int r = 0; r < m.rowCount(parent); ++r) {
        for (int c = 0; c < m.columnCount(parent); ++c) {
            const QModelIndex i = m.index(r, c, parent);
            out += QByteArray(depth, ' ') + m.data(i).toString().toUtf8();
            for (int role = Qt::UserRole + 1; role <= Qt::UserRole + 6; ++role)
                out += '|' + m.data(i, role).toString().toUtf8();
            out += '\n';
        }
        out += dump(m, m.index(r, 0, parent), depth + 1);
    }
    return out;
}

class FixedMac : public MacAddress
{
public:
    QByteArray GetMACAddress(const QHostAddress &) const override { return QByteArray("\x00\x11\x22\x33\x44\x55", 6); }
};

qint32 scanFor(const UserTable &users, const QByteArray &name)
{
    if (name.isEmpty())
        return 0;
    for (qint32 i = users.UserCount(); i >= 1; --i) {
        if (users.at(i)->Name == name)
            return i;
    }
    return 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Fuzz::guiApp();
    static QTemporaryDir markerDir;
    if (size < 2)
        return 0;
    const QByteArray input(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));

    ClientState state;
    state.CurrentUser.OwnSlot = data[0] % 8;
    state.CurrentUser.Name = "me";
    Dispatcher dispatcher;
    LobbyEvents events;
    Fuzz::NullSink commands;
    Fuzz::NullChat nullChat;
    Fuzz::AnswerDialogs dialogs(data[1]);
    // Never connected: what the handlers send goes nowhere.
    LobbyConnection connection(state, dispatcher);
    FixedMac mac;
    LobbyProtocol protocol(state, connection, mac);
    protocol.registerHandlers(dispatcher);
    UserStateHandlers userState(state, commands, events);
    userState.registerHandlers(dispatcher);
    Chat chat(state, commands, dialogs, events, markerDir.path());
    chat.registerHandlers(dispatcher);
    chat.rooms().ResetRoomList();
    InstalledPacks packs(state.Setup, nullChat);
    Huts huts(state, packs, commands, dialogs, chat.logs(), events, 0);
    huts.registerHandlers(dispatcher);

    UserListModel users(state, &events);
    HutDetailsModel details(state, &events);
    HutsTreeModel tree(state, &events, &details);
    users.UpdateUserList();
    tree.ConstructHuts();
    QObject::connect(&protocol, &LobbyProtocol::loginAccepted, [&] {
        chat.rooms().ResetRoomList();
        users.UpdateUserList();
        tree.ConstructHuts();
    });

    // Two reads of the socket, split where the second byte says.
    NulFramer framer;
    const qsizetype cut = input.isEmpty() ? 0 : qsizetype(data[1]) % (input.size() + 1);
    for (const QByteArray &piece : {input.left(cut), input.mid(cut)}) {
        for (const QByteArray &message : framer.feed(piece))
            dispatcher.dispatch(LobbyMessage(message));
    }

    UserListModel freshUsers(state, nullptr);
    freshUsers.UpdateUserList();
    Fuzz::check(dump(users) == dump(freshUsers), "user list as rebuilt", dump(users) + "---\n" + dump(freshUsers));
    HutsTreeModel freshTree(state, nullptr);
    freshTree.ConstructHuts();
    Fuzz::check(dump(tree) == dump(freshTree), "huts tree as rebuilt", dump(tree) + "---\n" + dump(freshTree));

    QSet<QByteArray> names;
    for (qint32 i = 1; i <= state.Users.UserCount() && names.size() < 200; ++i)
        names.insert(state.Users.at(i)->Name);
    names.insert("me");
    names.insert("NONE");
    for (const QByteArray &name : names)
        Fuzz::check(state.Users.FindUserIndex(name) == scanFor(state.Users, name), "name index as a scan", name);
    return 0;
}
