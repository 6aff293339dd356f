#include "lobby/ui/frmDetailed.h"

#include "core/util/CodePage.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

frmDetailed::frmDetailed(const QByteArray &detailName, const QByteArray &detailIP,
                         const QByteArray &detailMAC, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmDetailed"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowTitle(QStringLiteral("Detailed Info"));

    auto *outer = new QVBoxLayout(this);
    fraDetails = new QGroupBox(this);
    auto *grid = new QGridLayout(fraDetails);
    Label1 = new QLabel(QStringLiteral("IP Address:"), fraDetails);
    lblIP = new QLabel(fraDetails);
    Label2 = new QLabel(QStringLiteral("MAC Address:"), fraDetails);
    lblMAC = new QLabel(fraDetails);
    for (QLabel *l : {Label1, lblIP, Label2, lblMAC})
        l->setTextFormat(Qt::PlainText);
    lblIP->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblMAC->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(lblIP, 0, 1);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(lblMAC, 1, 1);
    grid->setColumnStretch(1, 1);
    outer->addWidget(fraDetails);
    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setDefault(true);
    outer->addWidget(Command1, 0, Qt::AlignRight);
    connect(Command1, &QPushButton::clicked, this, &QDialog::close);
    setMinimumWidth(280);

    Form_Load(detailName, detailIP, detailMAC);
}

void frmDetailed::Form_Load(const QByteArray &detailName, const QByteArray &detailIP,
                            const QByteArray &detailMAC)
{
    lblIP->clear();
    lblMAC->clear();
    const QString name = CodePage::toUnicode(detailName);
    setWindowTitle(name + QStringLiteral(" - Detailed Info"));
    // A group box title reads '&' as a shortcut mark; the name is shown as is.
    fraDetails->setTitle(QString(name).replace(QLatin1Char('&'), QStringLiteral("&&")));
    lblIP->setText(CodePage::toUnicode(detailIP));
    lblMAC->setText(CodePage::toUnicode(detailMAC));
}
