#pragma once
#include <QPointer>

// Holds a list's drawing for the length of a scope: the fill inside draws
// the list once, when the scope ends. Works with any list that has
// holdDrawing() / releaseDrawing(). A fill that lets events run may see its
// list go away; the hold then has nothing left to release.
template <class List>
class ListDrawingHold
{
public:
    explicit ListDrawingHold(List *list)
        : m_list(list)
    {
        if (m_list)
            m_list->holdDrawing();
    }
    ~ListDrawingHold()
    {
        if (m_list)
            m_list->releaseDrawing();
    }
    ListDrawingHold(const ListDrawingHold &) = delete;
    ListDrawingHold &operator=(const ListDrawingHold &) = delete;

private:
    QPointer<List> m_list;
};
