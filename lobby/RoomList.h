#pragma once
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QtGlobal>

// The room list lstRooms: one row per room the lobby announced, "Main" (room
// 0) first. Every row carries its room number, so the list stays right when
// the server numbers rooms with gaps. A closed room's row reads "<Free>"
// until a new room takes its number.
class RoomList : public QObject
{
    Q_OBJECT
public:
    static constexpr const char *FreeText = "<Free>";

    struct Row
    {
        qint16 room;
        QByteArray text;
    };

    using QObject::QObject;

    const QList<Row> &rows() const { return m_rows; }
    int count() const { return int(m_rows.size()); }
    int rowOf(qint16 room) const;           // -1 when the room has no row
    qint16 roomAt(int row) const;           // -1 outside the list
    bool isFree(int row) const;

    void reset();                           // just "Main"
    void setText(int row, const QByteArray &text);
    int append(qint16 room, const QByteArray &text);

    // The row on which a new room is created: the first "<Free>" one; -1 when none.
    int firstFreeRow() const;
    qint16 highestRoom() const;

Q_SIGNALS:
    void rowsReset();
    void rowChanged(int row);
    void rowAppended(int row);

private:
    QList<Row> m_rows{{0, "Main"}};
    // Rows by room number: a server may announce thousands of rooms, each
    // looked up on arrival. Rows are only ever appended or all reset.
    QHash<qint16, int> m_rowByRoom{{0, 0}};
};
