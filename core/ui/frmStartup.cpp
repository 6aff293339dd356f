#include "core/ui/frmStartup.h"

#include "core/util/CodePage.h"

#include <QLabel>
#include <QVBoxLayout>

frmStartup::frmStartup(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setWindowTitle(QStringLiteral("Zorbel 1.0 Starting"));
    for (int i = 0; i < int(m_frames.size()); ++i)
        m_frames[i] = QPixmap(QStringLiteral(":/splash/frame%1.png").arg(i));

    Sham = new QLabel(this);
    Sham->setAlignment(Qt::AlignCenter);
    lblStart = new QLabel(QStringLiteral("Loading..."), this);
    lblStart->setTextFormat(Qt::PlainText);
    lblStart->setAlignment(Qt::AlignCenter);
    lblmappack = new QLabel(this);
    lblmappack->setTextFormat(Qt::PlainText);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Sham, 1);
    layout->addWidget(lblStart);
    layout->addWidget(lblmappack);
    setStyleSheet(QStringLiteral("background-color: #00222d; color: #c0d2dc;"));
    resize(260, 220);

    showFrame(0);
    Animate.setInterval(120);
    connect(&Animate, &QTimer::timeout, this, &frmStartup::Animate_Timer);
    Animate.start();
}

void frmStartup::setCaption(const QByteArray &text)
{
    lblStart->setText(CodePage::toUnicode(text));
}

QString frmStartup::caption() const
{
    return lblStart->text();
}

void frmStartup::Animate_Timer()
{
    ++m_frame;
    showFrame(m_frame);
    if (m_frame == 4)
        m_frame = 0;
}

void frmStartup::showFrame(int index)
{
    m_shown = index;
    Sham->setPixmap(m_frames[index]);
}
