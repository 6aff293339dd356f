#include "lobby/ui/TabStrip.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace {

const char *const Captions[TabStrip::Count] = {"Lobby", "Options", "Maps", "Mods", "Rankings"};

// Widths from the window design: 1050 twips for the end tab, 1320 for the rest.
QSize tabSize(int index)
{
    return QSize(index == 0 ? 70 : 88, 22);
}

QPixmap drawnTab(const QSize &size, bool selected, bool end)
{
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    const qreal w = size.width(), h = size.height();
    path.moveTo(end ? 0 : 6, h);
    path.lineTo(end ? 0 : 10, 2);
    path.quadTo(end ? 0 : 11, 0, end ? 4 : 14, 0);
    path.lineTo(w - 14, 0);
    path.quadTo(w - 11, 0, w - 10, 2);
    path.lineTo(w - 6 + 6, h);
    path.closeSubpath();
    p.setPen(QPen(QColor(20, 26, 32), 1));
    p.setBrush(selected ? QColor(60, 88, 104) : QColor(34, 46, 56));
    p.drawPath(path);
    return pm;
}

} // namespace

TabStrip::TabStrip(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("TabStrip"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    for (int i = 0; i < Count; ++i) {
        auto *cell = new QWidget(this);
        auto *grid = new QGridLayout(cell);
        grid->setContentsMargins(0, 0, 0, 0);
        m_tabs[size_t(i)] = new QLabel(cell);
        m_tabs[size_t(i)]->setObjectName(QStringLiteral("Tabs%1").arg(i));
        m_tabs[size_t(i)]->setScaledContents(true);
        m_tabs[size_t(i)]->setFixedSize(tabSize(i));
        m_text[size_t(i)] = new QLabel(QString::fromLatin1(Captions[i]), cell);
        m_text[size_t(i)]->setObjectName(QStringLiteral("TabText%1").arg(i));
        m_text[size_t(i)]->setTextFormat(Qt::PlainText);
        m_text[size_t(i)]->setAlignment(Qt::AlignCenter);
        QFont f(QStringLiteral("Arial"));
        f.setPointSize(9);
        f.setBold(true);
        m_text[size_t(i)]->setFont(f);
        m_text[size_t(i)]->setStyleSheet(QStringLiteral("color: rgb(200, 214, 222); background: transparent;"));
        m_text[size_t(i)]->setCursor(Qt::PointingHandCursor);
        m_text[size_t(i)]->installEventFilter(this);
        grid->addWidget(m_tabs[size_t(i)], 0, 0);
        grid->addWidget(m_text[size_t(i)], 0, 0);
        row->addWidget(cell);
    }
    row->addStretch(1);
    setPictures(QPixmap(), QPixmap(), QPixmap(), QPixmap());
}

void TabStrip::setPictures(const QPixmap &endSelect, const QPixmap &endNormal, const QPixmap &select,
                           const QPixmap &normal)
{
    m_endSelect = endSelect.isNull() ? drawnTab(tabSize(0), true, true) : endSelect;
    m_endNormal = endNormal.isNull() ? drawnTab(tabSize(0), false, true) : endNormal;
    m_select = select.isNull() ? drawnTab(tabSize(1), true, false) : select;
    m_normal = normal.isNull() ? drawnTab(tabSize(1), false, false) : normal;
    for (int i = 0; i < Count; ++i)
        setTabPicture(i, m_selected[size_t(i)]);
}

void TabStrip::setPicture(Picture which, const QPixmap &picture)
{
    setPictures(which == Picture::EndSelect ? picture : m_endSelect, which == Picture::EndNormal ? picture : m_endNormal,
                which == Picture::Select ? picture : m_select, which == Picture::Normal ? picture : m_normal);
}

void TabStrip::setTabPicture(int index, bool selected)
{
    if (index < 0 || index >= Count)
        return;
    m_selected[size_t(index)] = selected;
    const QPixmap &pm = index == 0 ? (selected ? m_endSelect : m_endNormal) : (selected ? m_select : m_normal);
    m_tabs[size_t(index)]->setPixmap(pm);
}

bool TabStrip::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        auto *me = static_cast<QMouseEvent *>(event);
        if (me->button() == Qt::LeftButton) {
            for (int i = 0; i < Count; ++i) {
                if (watched == m_text[size_t(i)]) {
                    Q_EMIT tabClicked(i);
                    return true;
                }
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}
