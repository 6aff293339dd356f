#pragma once
#include <QByteArray>
#include <QDialog>

class QGroupBox;
class QLabel;
class QPushButton;

// The user details window: the external IP address and MAC address the
// server announced for one user. Not modal; "OK" closes and destroys it.
class frmDetailed : public QDialog
{
    Q_OBJECT
public:
    frmDetailed(const QByteArray &detailName, const QByteArray &detailIP,
                const QByteArray &detailMAC, QWidget *parent = nullptr);

    // Shows another user in the open window.
    void Form_Load(const QByteArray &detailName, const QByteArray &detailIP,
                   const QByteArray &detailMAC);

    QGroupBox *fraDetails = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *lblIP = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *lblMAC = nullptr;
    QPushButton *Command1 = nullptr;
};
