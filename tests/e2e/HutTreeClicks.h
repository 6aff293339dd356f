#pragma once
// Header only: the user's way into a hut, through the real huts tree.
#include "lobby/HutsTreeModel.h"
#include "lobby/ui/HutsTreeView.h"
#include "lobby/ui/LobbyForm.h"

#include <QtTest>

// Double-clicks the first free place of `hostSlot`'s hut in the form's huts
// tree; returns that place (invalid, with the test failed, when none shows).
inline QModelIndex doubleClickFreePlace(LobbyForm &form, qint32 hostSlot)
{
    HutsTreeView *tree = form.lstHuts();
    HutsTreeModel &huts = form.huts();
    [&] { QTRY_VERIFY_WITH_TIMEOUT(huts.hutRowOf(hostSlot) >= 0, 5000); }();
    if (huts.hutRowOf(hostSlot) < 0)
        return {};
    const QModelIndex hut = huts.index(huts.hutRowOf(hostSlot), 0);
    QModelIndex place;
    for (int row = 0; row < huts.rowCount(hut) && !place.isValid(); ++row) {
        if (huts.index(row, 0, hut).data(HutsTreeModel::KeyRole).toByteArray().startsWith("empty"))
            place = huts.index(row, 0, hut);
    }
    [&] {
        QVERIFY(place.isValid());
        QTRY_VERIFY_WITH_TIMEOUT(tree->isVisible() && tree->visualRect(place).isValid(), 5000);
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(place).center());
    }();
    return place;
}
