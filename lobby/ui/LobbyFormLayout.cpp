#include "lobby/ui/LobbyFormLayout.h"

#include "lobby/ColourValue.h"

#include <QWidget>
#include <algorithm>

namespace {

int px(double twips)
{
    return qRound(twips / LobbyFormLayout::TwipsPerPixel);
}

// A control of the rules lives in the container the rules give it, and no
// Qt layout places it: one that its owner built elsewhere (inside a panel of
// its own, in a row of buttons) is taken out of there and into its container,
// keeping the visibility its owner gave it.
void moveInto(QWidget *w, QWidget *container)
{
    const bool hidden = w->isHidden() && w->testAttribute(Qt::WA_WState_ExplicitShowHide);
    w->setParent(container);
    if (!hidden)
        w->show();
}

} // namespace

LobbyFormLayout::LobbyFormLayout(QWidget &window) : m_window(window)
{
}

QString LobbyFormLayout::objectNameOf(const QByteArray &row)
{
    if (row == "txtOut(0)")
        return QStringLiteral("txtOut");
    QByteArray name = row;
    name.replace('(', QByteArray()).replace(')', QByteArray());
    return QString::fromLatin1(name);
}

QWidget *LobbyFormLayout::widget(const QByteArray &row) const
{
    // Another window's widgets (the details window, a dialog) are not ours.
    const QString name = objectNameOf(row);
    for (QWidget *w : m_window.findChildren<QWidget *>(name)) {
        if (w->window() == &m_window)
            return w;
    }
    return nullptr;
}

QWidget *LobbyFormLayout::container(const QByteArray &row) const
{
    const QByteArray name = LobbyLayout::containerOf(row);
    return name.isEmpty() ? &m_window : widget(name);
}

int LobbyFormLayout::depth(const QByteArray &row) const
{
    int d = 0;
    for (QByteArray c = LobbyLayout::containerOf(row); !c.isEmpty(); c = LobbyLayout::containerOf(c))
        ++d;
    return d;
}

LobbyLayout::HutArea LobbyFormLayout::Form_Resize(const std::optional<QByteArray> &ownState)
{
    const LobbyLayout::HutArea hut = run(ownState);
    apply();
    return hut;
}

LobbyLayout::HutArea LobbyFormLayout::run(const std::optional<QByteArray> &ownState)
{
    const double W = m_window.width() * TwipsPerPixel + FrameWidth;
    const double H = m_window.height() * TwipsPerPixel + FrameHeight;
    // The corner strip Trim(20) reads a height of the pass before; the rules
    // run twice so that the window's layout depends on its size alone.
    m_model.Form_Resize(W, H, ownState);
    return m_model.Form_Resize(W, H, ownState);
}

std::optional<QRect> LobbyFormLayout::rectIn(const QByteArray &row, const QWidget *parent) const
{
    const QWidget *inside = container(row);
    if (!inside || !parent)
        return std::nullopt;
    const LobbyLayout::Twips t = m_model.get(row);
    QPoint at(px(t.Left), px(t.Top));
    if (inside != &m_window)
        at = inside->mapTo(&m_window, at);
    if (parent != &m_window)
        at = parent->mapFrom(&m_window, at);
    return QRect(at, QSize(px(t.Width), px(t.Height)));
}

std::optional<QRect> LobbyFormLayout::placedRect(const QByteArray &row, const QWidget *parent) const
{
    std::optional<QRect> r = rectIn(row, parent);
    const QByteArray inside = LobbyLayout::containerOf(row);
    if (!r || !row.startsWith("Trim(") || inside.isEmpty())
        return r;
    const LobbyLayout::Twips box = m_model.get(inside);
    QRect area(QPoint(), QSize(px(box.Width), px(box.Height)));
    if (parent != container(row))
        area.moveTopLeft(r->topLeft() - QPoint(px(m_model.get(row).Left), px(m_model.get(row).Top)));
    return r->intersected(area);
}

void LobbyFormLayout::atLeast(const QByteArray &row, QSize pixels)
{
    // From the design size, not the present one: a panel that shrinks back
    // (a menu closed) gets its smaller size again.
    LobbyLayout::Twips t = m_model.get(row);
    const LobbyLayout::Twips design = m_design.get(row);
    if (pixels.width() > 0)
        t.Width = std::max(design.Width, pixels.width() * TwipsPerPixel);
    if (pixels.height() > 0 || pixels.width() == 0)
        t.Height = std::max(design.Height, pixels.height() * TwipsPerPixel);
    m_model.set(row, t);
}

void LobbyFormLayout::popUp(const QByteArray &row, bool shown, QSize pixels)
{
    m_model.setPopUp(row, shown, std::max(m_design.get(row).Height, pixels.height() * TwipsPerPixel));
}

void LobbyFormLayout::apply()
{
    // Containers first, so that their children are mapped through their new places.
    QList<QByteArray> rows = m_model.names();
    std::stable_sort(rows.begin(), rows.end(),
                     [this](const QByteArray &a, const QByteArray &b) { return depth(a) < depth(b); });
    for (const QByteArray &row : rows) {
        QWidget *w = widget(row);
        if (!w || w->isWindow())
            continue;
        QWidget *inside = container(row);
        if (!inside)
            continue;
        // The tab panels live in the window's page stack and the create-room
        // panel on the lobby panel: placed in window coordinates, not moved.
        if (inside != &m_window && w->parentWidget() != inside)
            moveInto(w, inside);
        if (const std::optional<QRect> r = placedRect(row, w->parentWidget())) {
            w->setGeometry(*r);
            if (row.startsWith("Trim("))
                w->setVisible(!r->isEmpty());
        }
    }
}

void LobbyFormLayout::paintOptionControls(qint32 backColour, qint32 foreColour)
{
    static const char *const buttons[] = {
        "chkEnableTransparency", "chkDisableSound", "chkConvSmileys", "chkTimeStamp", "chkDisStartSound",
        "chkDisLaunchSnd", "chkDisPMSnd", "chkVbMinimize", "chkLangFilt", "chkLowCas", "chkCustomRes",
        "ChkFixTxture", "optGraphicMode0", "optGraphicMode1"};
    static const char *const labels[] = {"lbltransset", "lblintfont", "lblfix", "captListen", "lblstartsnd",
                                         "lblpmsnd", "lblqximages", "lblqxcolors", "lblLaunchSnd", "fmg"};
    const QColor back = ColourValue::toColor(backColour);
    const QColor fore = ColourValue::toColor(foreColour);
    for (const char *name : buttons) {
        if (QWidget *w = m_window.findChild<QWidget *>(QString::fromLatin1(name))) {
            QPalette p = w->palette();
            p.setColor(QPalette::Window, back);
            p.setColor(QPalette::Button, back);
            p.setColor(QPalette::WindowText, fore);
            p.setColor(QPalette::ButtonText, fore);
            w->setPalette(p);
            w->setAutoFillBackground(true);
        }
    }
    for (const char *name : labels) {
        if (QWidget *w = m_window.findChild<QWidget *>(QString::fromLatin1(name))) {
            QPalette p = w->palette();
            p.setColor(QPalette::WindowText, fore);
            w->setPalette(p);
        }
    }
}
