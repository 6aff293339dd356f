#pragma once
#include "lobby/LobbyLayout.h"

#include <QRect>
#include <QSize>
#include <optional>

class QWidget;

// Puts the layout rules' result on the lobby window: each control named in
// the rules is found by its object name ("Trim(4)" is the widget "Trim4",
// "txtOut(0)" the chat view "txtOut"), moved into the container the rules
// give it (out of whatever panel or Qt layout its owner built it in) and
// placed there, 15 twips to a pixel. Names whose widget does not exist yet
// are left alone.
class LobbyFormLayout
{
public:
    static constexpr double TwipsPerPixel = 15;
    // The window's frame and title bar, which the rules count in its size.
    static constexpr double FrameWidth = LobbyLayout::DesignWidth - 14235;
    static constexpr double FrameHeight = LobbyLayout::DesignHeight - 11040;

    explicit LobbyFormLayout(QWidget &window);

    LobbyLayout &model() { return m_model; }
    const LobbyLayout &model() const { return m_model; }

    // One pass of the rules for the window's present size, then the result
    // put on every named widget.
    LobbyLayout::HutArea Form_Resize(const std::optional<QByteArray> &ownState);
    // The two halves: the rules alone, and their result put on the widgets.
    LobbyLayout::HutArea run(const std::optional<QByteArray> &ownState);
    void apply();

    // A row's rectangle in pixels, in the coordinates of `parent` (a widget
    // of the window); nothing when the row's container does not exist.
    std::optional<QRect> rectIn(const QByteArray &row, const QWidget *parent) const;
    // What the window puts there: the row's rectangle, for a frame strip
    // only the part inside its container (the rules run some of the chat's
    // strips past its lower edge, where the container cuts them off; a strip
    // wholly outside is hidden).
    std::optional<QRect> placedRect(const QByteArray &row, const QWidget *parent) const;
    // A row's size from what its widget holds: the design size, or more when
    // `pixels` needs more. A width of 0 leaves the width as it is; a height
    // of 0 beside a width leaves the height.
    void atLeast(const QByteArray &row, QSize pixels);
    // A pop-up panel of the chat area: whether it shows, and its height from
    // what it holds as atLeast gives it.
    void popUp(const QByteArray &row, bool shown, QSize pixels);

    // The options tab's controls take the skin's options colours: check and
    // option buttons both colours, labels the text colour only.
    void paintOptionControls(qint32 backColour, qint32 foreColour);

    static QString objectNameOf(const QByteArray &row);
    QWidget *widget(const QByteArray &row) const;

private:
    QWidget *container(const QByteArray &row) const;
    int depth(const QByteArray &row) const;

    QWidget &m_window;
    LobbyLayout m_model = LobbyLayout::starting();
    const LobbyLayout m_design = LobbyLayout::starting();
};
