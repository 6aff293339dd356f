#include "lobby/HutDetailsModel.h"

#include "core/ClientState.h"
#include "core/LobbyEvents.h"
#include "core/util/Text.h"

HutDetailsModel::HutDetailsModel(ClientState &state, LobbyEvents *events, QObject *parent)
    : QObject(parent)
    , m_state(state)
{
    if (events) {
        connect(events, &LobbyEvents::mappackInfoChanged, this, &HutDetailsModel::UpdateMappackInfo);
        connect(events, &LobbyEvents::modpackInfoChanged, this, &HutDetailsModel::UpdateModpackInfo);
    }
}

void HutDetailsModel::setRows(const std::array<Row, RowCount> &rows)
{
    if (rows == m_rows)
        return;
    m_rows = rows;
    Q_EMIT changed();
}

void HutDetailsModel::UpdateMappackInfo()
{
    updatePackColumn(true);
}

void HutDetailsModel::UpdateModpackInfo()
{
    updatePackColumn(false);
}

void HutDetailsModel::updatePackColumn(bool mappack)
{
    bool any = false;
    for (Row &row : m_rows) {
        // A row beyond the hut's positions stays blank; its old tag names
        // nobody in this hut.
        if (row.blank)
            continue;
        QByteArray value;
        if (row.pingTag.isEmpty() || row.pingTag == "0") {
            value = "<n/a>";
        } else {
            const UserRecord *user = m_state.Users.at(Text::LeadingInt32(row.pingTag));
            if (!user)
                continue;
            value = mappack ? user->HasMappack : user->HasModpack;
        }
        QByteArray &cell = mappack ? row.hasMappack : row.hasModpack;
        if (cell != value) {
            cell = value;
            any = true;
        }
    }
    if (any)
        Q_EMIT changed();
}
