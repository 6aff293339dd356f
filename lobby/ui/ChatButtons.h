#pragma once
#include <QWidget>

class QPushButton;
class QToolButton;

// The chat's end of the bottom button row: the smileys button bttnSmileys
// (cmdSmileys) and cmdShowRoomT, which shows or hides the create-room panel.
class ChatButtons : public QWidget
{
    Q_OBJECT
public:
    explicit ChatButtons(QWidget *parent = nullptr);

    // picSM3 while the picker is open, picSM1 otherwise.
    void setPickerOpen(bool open);

    QToolButton *bttnSmileys = nullptr;
    QPushButton *cmdShowRoomT = nullptr;
};
