#pragma once
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QStringList>
#include <array>
#include <functional>

class ChatOutput;
struct ClientState;

// The options tab without its widgets: what each control shows, and what
// happens when its state changes. A state change runs the control's click
// handler whether the user or the code made it, so filling the panel at load
// writes back the flags it ticks (and the executable choice), as the window
// always has. The view shows the states and forwards the user's changes.
class OptionsPanel : public QObject
{
    Q_OBJECT
public:
    // The check boxes: the ten option boxes, then the two of the utilities.
    enum Box {
        chkVbMinimize, chkDisStartSound, chkDisLaunchSnd, chkDisPMSnd, chkLowCas, chkLangFilt,
        chkTimeStamp, chkDisableSound, chkConvSmileys, chkEnableTransparency,
        chkCustomRes, ChkFixTxture,
        BoxCount
    };

    static constexpr int TransparencyMin = 90;
    static constexpr int TransparencyMax = 255;

    struct Hooks
    {
        std::function<void(int)> SetWindowAlpha;    // the lobby window's opacity, 0 to 255
        std::function<void()> LoadSettings;         // every flag, colour and skin picture again
        std::function<void()> skinListChanged;      // InstalledSkins was read again
        std::function<QStringList()> screenFonts;   // the system's font names
    };

    OptionsPanel(ClientState &state, ChatOutput &chat, Hooks hooks, QObject *parent = nullptr);

    // Fills every control from the settings files, in the window's order.
    void OptionsFormData();

    // --- what the controls show
    bool checked(Box box) const { return m_checked[size_t(box)]; }
    // 0 "Software mode", 1 "Hardware Mode"; -1 while neither is chosen.
    int graphicMode() const { return m_graphicMode; }
    bool cmdResEnabled() const { return m_cmdResEnabled; }
    const QByteArray &txtwid() const { return m_txtwid; }
    const QByteArray &txthei() const { return m_txthei; }
    const QByteArray &txtFilePort() const { return m_txtFilePort; }
    int scrTransparency() const { return m_scrTransparency; }
    const QStringList &cmbFontItems() const { return m_fontItems; }
    const QString &cmbFontText() const { return m_fontText; }
    // lstskinslist: the installed skins, and the selected row (-1 for none).
    const QList<QByteArray> &lstskinslist() const;
    int lstskinslistIndex() const { return m_skinIndex; }

    // --- changes (the user's or the code's)
    // A box changed to the given state: its click handler runs when the state
    // is new. Boxes with nothing to do (ChkFixTxture) only show it.
    void setChecked(Box box, bool on);
    // The choice of an option button; its click handler runs when it is new.
    void setGraphicMode(int index);
    void setScrTransparency(int value);
    void setSkinSelection(int row);
    void setResolutionText(const QByteArray &width, const QByteArray &height);

    void CmdTransparencyRefresh_Click();
    void cmdRefreshSkinsList_Click();
    void cmdApplySkin_Click();

    // The check boxes, in the order the panel fills them.
    static const std::array<Box, 11> &fillOrder();

Q_SIGNALS:
    // Something the view shows changed.
    void changed();

private:
    void boxClicked(Box box);
    void chkCustomRes_Click();
    void optGraphicMode_Click();
    bool &flag(Box box);
    QString qxIni() const;
    QString skinIni() const;
    void write(const QString &file, const char *section, const char *key, const QByteArray &value);

    ClientState &m_state;
    ChatOutput &m_chat;
    Hooks m_hooks;
    std::array<bool, BoxCount> m_checked{};
    int m_graphicMode = -1;
    bool m_cmdResEnabled = true;
    QByteArray m_txtwid;
    QByteArray m_txthei;
    QByteArray m_txtFilePort = "7576";
    int m_scrTransparency = TransparencyMin;
    QStringList m_fontItems;
    QString m_fontText;
    int m_skinIndex = -1;
};
