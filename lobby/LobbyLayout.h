#pragma once
#include <QByteArray>
#include <QList>
#include <map>
#include <optional>

// The lobby window's layout as a pure function: from the window's outer size
// and the controls' current geometry (twips, relative to each control's
// container) to their new geometry. Every rule is a fixed offset from the
// window's size or from another control as it stands at that moment; a size
// that would go negative is refused and the control keeps its old value, and
// the pass goes on.
//
// Controls are named as the window names them: "FrameMain", "Trim(4)",
// "txtOut(0)". Every control the rules read or move has a row from the start,
// whether or not its widget exists yet.
class LobbyLayout
{
public:
    struct Twips
    {
        double Left = 0;
        double Top = 0;
        double Width = 0;
        double Height = 0;
        bool operator==(const Twips &) const = default;
    };

    // Where the hut area goes after a pass.
    enum class HutArea {
        Hidden,       // the own user is in no hut: frmGame hidden
        OverChatLog,  // moved over the first chat log; visibility left as it was
    };

    // The design geometry: the window's inner area is 14235 by 11040 twips,
    // its outer size 14355 by 11435.
    static LobbyLayout starting();
    static constexpr double DesignWidth = 14355;
    static constexpr double DesignHeight = 11435;

    // One pass of the size-change rules. ownState is the State of the own
    // user's record, or nothing when that record does not exist yet.
    HutArea Form_Resize(double W, double H, const std::optional<QByteArray> &ownState);

    // The container a control lies in ("" for the window itself).
    static QByteArray containerOf(const QByteArray &name);

    // Chat logs txtOut(0) .. txtOut(count - 1); new ones start as txtOut(0).
    int chatLogCount() const { return m_chatLogs; }
    void setChatLogCount(int count);

    bool has(const QByteArray &name) const { return m_controls.count(name) != 0; }
    Twips get(const QByteArray &name) const;
    void set(const QByteArray &name, const Twips &geometry) { m_controls[name] = geometry; }
    QList<QByteArray> names() const;

    // The chat area's pop-up panels (frmGame, FraTribePal, PBMapDL, PBModDL):
    // whether each shows and the height its contents ask for. The ones that
    // show lie inside the first chat log, clear of the chat input and of each
    // other; where the log is too short for all of them they share it.
    void setPopUp(const QByteArray &name, bool shown, double height);

private:
    double &left(const char *name) { return m_controls[name].Left; }
    double &top(const char *name) { return m_controls[name].Top; }
    double w(const char *name) { return m_controls[name].Width; }
    double h(const char *name) { return m_controls[name].Height; }
    double L(const char *name) { return m_controls[name].Left; }
    double T(const char *name) { return m_controls[name].Top; }
    // Sizes refuse negative values: the control keeps the one it had.
    void setWidth(const QByteArray &name, double value);
    void setHeight(const QByteArray &name, double value);
    void layoutLobbyPanel();
    void layoutChatArea();
    void layoutButtonsAndHuts();
    void layoutMapsPanel();
    void layoutModsPanel();
    void keepPopUpsInChatLog();

    struct PopUp
    {
        bool shown = false;
        double height = 0;
    };
    std::map<QByteArray, PopUp> m_popUps;

    std::map<QByteArray, Twips> m_controls;
    int m_chatLogs = 1;
};
