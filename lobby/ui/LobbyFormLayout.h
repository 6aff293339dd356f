#pragma once
#include "lobby/LobbyLayout.h"

#include <QRect>
#include <QSize>
#include <optional>

class QWidget;

// Puts the layout rules' result on the lobby window: each control named in
// the rules is found by its object name ("Trim(4)" is the widget "Trim4",
// "txtOut(0)" the chat view "txtOut") and placed in whichever widget it
// lives, 15 twips to a pixel. Names whose widget does not exist yet, and
// widgets that a panel's own Qt layout places, are left alone.
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
    void apply();

    // A row's rectangle in pixels, in the coordinates of `parent` (a widget
    // of the window); nothing when the row's container does not exist.
    std::optional<QRect> rectIn(const QByteArray &row, const QWidget *parent) const;
    // Grows a row's size to at least `pixels` (a widget that needs more room
    // than the design gave it); never below the design size.
    void atLeast(const QByteArray &row, QSize pixels);

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
