#pragma once
#include <QImage>
#include <QObject>
#include <QString>
#include <QTimer>
#include <array>

class TribeColourBroadcast;
class TribeColours;
class TribePreviews;

// The tribe colour editor of the lobby window without its widgets: the sixteen
// swatches (imgTribe), the three component boxes (txtRed, txtGreen, txtBlue)
// and the three component bars (HScroll 0 red, 1 green, 2 blue, 0 to 255).
// The window shows texts() and bars() and forwards what the user does.
//
// Colours go to the server once per choice: a swatch click sends once, a bar
// sends when it is released (or, for arrow, track, key and wheel steps, once
// the steps pause), never on every step of a drag.
class TribeColourEditor : public QObject
{
    Q_OBJECT
public:
    static constexpr int SwatchCount = 16;
    static constexpr int RampSwatches = 4;     // 0 to 3 give a whole ramp
    static constexpr int SwatchSize = 17;      // a 13 x 13 square in a frame
    static constexpr int StepCommitMs = 400;   // pause after bar steps before sending
    enum Component : int { Red = 0, Green = 1, Blue = 2 };

    // `selectedTribe` is the client's SelectedTribe, read on every use.
    TribeColourEditor(TribeColours &colours, TribePreviews &previews, TribeColourBroadcast &broadcast,
                      const qint16 &selectedTribe, QObject *parent = nullptr);

    // The colour (0x00BBGGRR) swatch `index` shows; -1 outside 0 to 15.
    static qint32 SwatchColour(int index);
    // The 17 x 17 picture of swatch `index`: its colour, exactly, inside a frame.
    static QImage SwatchPicture(int index);

    // The texts of txtRed, txtGreen, txtBlue, the caret of each, and the bars.
    QString text(int component) const;
    int caret(int component) const;
    int HScroll(int component) const;

    bool TribeBarsEnabled() const { return m_barsEnabled; }
    // Switching the bars off sends what a bar has changed and not yet sent.
    void setTribeBarsEnabled(bool on);

    // A click on swatch `index`.
    void PickTribeColour(int index);

    // The change handler of a component box: the box now holds `text` with
    // the caret at `caret` (typed, pasted or written by code). A number 0 to
    // 255 moves the bar; anything else puts the bar's value back into the box.
    void txtChange(int component, const QString &text, int caret);
    void txtRed_Change(const QString &text, int caret) { txtChange(Red, text, caret); }
    void txtGreen_Change(const QString &text, int caret) { txtChange(Green, text, caret); }
    void txtBlue_Change(const QString &text, int caret) { txtChange(Blue, text, caret); }

    // The user moves bar `component` to `value`: by dragging its thumb
    // (`dragging`), or by an arrow, the track, a key or the wheel.
    void barMoved(int component, int value, bool dragging);
    // The thumb is let go: the colours the drag made are sent.
    void barReleased();

    // The bars' scroll procedure: while TribeBarsEnabled, the boxes show the
    // bars, the selected tribe's eight boxes take the ramp of the bars and
    // the four previews are repainted. The colours are sent at the end of the
    // gesture (barReleased, the step pause, or the pick that called it).
    void HScroll_Scroll(int index);

    // The ramp of the editor: box k gets each component + 20 k, at most 255.
    static qint32 BarRampColour(int red, int green, int blue, int shade);

    // Whether colours are waiting for the end of a bar gesture.
    bool unsentColours() const { return m_unsent; }
    // Sends at once what is waiting for the end of a bar gesture; nothing
    // when nothing waits. A launch calls this first, so that every player
    // patches its palettes with the colours the user last chose.
    void flushPendingColours() { commit(); }

Q_SIGNALS:
    // A text, caret or bar changed (the window mirrors them).
    void changed();

private:
    void writeText(int component, const QString &text);
    void commit();

    TribeColours &m_colours;
    TribePreviews &m_previews;
    TribeColourBroadcast &m_broadcast;
    const qint16 &m_selectedTribe;
    std::array<QString, 3> m_text {QStringLiteral("51"), QStringLiteral("63"), QStringLiteral("203")};
    std::array<int, 3> m_caret {};
    std::array<int, 3> m_bar {51, 63, 203};
    bool m_barsEnabled = false;
    bool m_unsent = false;
    QTimer m_stepCommit;
};
