#pragma once
#include <QList>
#include <QWidget>
#include <array>

class FlatPanel;
class QLabel;

// The smiley picker: the 49 pictures (smils(0) to smils(48)) on a framed
// panel captioned "Smileys". A click hands the picture's tag to the chat
// input; the picker stays open. Closed by the user, it is deleted and made
// anew by the next ShowSmileys.
class frmSmileys : public QWidget
{
    Q_OBJECT
public:
    // `borders`: the skin's four ring colours of the framed panel.
    explicit frmSmileys(const std::array<qint32, 4> &borders, QWidget *parent = nullptr);

    FlatPanel *frmsmils = nullptr;
    QList<QLabel *> smils;

    // What a click on smils(i) does.
    void smils_Click(int index);

Q_SIGNALS:
    void smileyPicked(const QByteArray &tag);
    void closed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
};
