#include "lobby/ui/frmSmileys.h"

#include "lobby/Smileys.h"
#include "lobby/ui/FlatPanel.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QVBoxLayout>

frmSmileys::frmSmileys(const std::array<qint32, 4> &borders, QWidget *parent) : QWidget(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("frmSmileys"));
    setWindowTitle(QStringLiteral("Smileys"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    frmsmils = new FlatPanel("Smileys", borders, this);
    frmsmils->setObjectName(QStringLiteral("frmsmils"));
    outer->addWidget(frmsmils);

    auto *grid = new QGridLayout(frmsmils->contents());
    grid->setSpacing(4);
    for (int i = 0; i < Smileys::Count; ++i) {
        auto *pic = new QLabel(frmsmils->contents());
        pic->setObjectName(QStringLiteral("smils%1").arg(i));
        pic->setPixmap(QPixmap::fromImage(Smileys::picture(i)));
        pic->setFixedSize(Smileys::PictureSize + 4, Smileys::PictureSize + 4);
        pic->setAlignment(Qt::AlignCenter);
        pic->setCursor(Qt::PointingHandCursor);
        pic->setFocusPolicy(Qt::NoFocus);
        pic->installEventFilter(this);
        grid->addWidget(pic, i / 7, i % 7);
        smils.append(pic);
    }
}

void frmSmileys::smils_Click(int index)
{
    if (index < 0 || index >= Smileys::Count)
        return;
    Q_EMIT smileyPicked(Smileys::tags()[index].toLatin1());
}

bool frmSmileys::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const int index = int(smils.indexOf(static_cast<QLabel *>(watched)));
        if (index >= 0 && mouse->button() == Qt::LeftButton) {
            smils_Click(index);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmSmileys::closeEvent(QCloseEvent *event)
{
    Q_EMIT closed();
    QWidget::closeEvent(event);
}
