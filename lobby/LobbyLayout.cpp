#include "lobby/LobbyLayout.h"

#include <algorithm>
#include <cmath>

namespace {

struct Row
{
    const char *name;
    const char *container;
    double left, top, width, height;
};

// The window's design. The rooms frame's own strips and list are not moved
// by any rule; their places are ours.
const Row StartingRows[] = {
    {"FrameMain", "", 120, 600, 13935, 10215},
    {"FrameSettings", "", 120, 600, 13935, 10215},
    {"FrameMaps", "", 120, 600, 13935, 10215},
    {"FrameMods", "", 120, 600, 13935, 10215},
    {"frameranks", "", 120, 600, 13935, 10215},
    {"FrameCreateRoom", "", 10080, 9480, 2915, 595},

    {"lstUsers", "FrameMain", 11370, 960, 2415, 4815},
    {"frarooms", "FrameMain", 11280, 6120, 2655, 3135},
    {"ChatFrame", "FrameMain", 2520, 120, 8775, 9885},
    {"cmdSmileys", "FrameMain", 11160, 9490, 275, 285},
    {"cmdHost", "FrameMain", 0, 9495, 1200, 450},
    {"cmdlaunch", "FrameMain", 1200, 9480, 1245, 480},
    {"cmdShowRoomT", "FrameMain", 11520, 9480, 1125, 345},
    {"logout", "FrameMain", 12720, 9495, 810, 315},
    {"fraCreateHut", "FrameMain", 0, 7800, 1205, 1605},
    {"lstHuts", "FrameMain", 120, 960, 2295, 8295},
    {"picExitHut", "FrameMain", 1800, 8685, 615, 615},

    {"txtOut(0)", "ChatFrame", 70, 840, 8530, 8415},
    {"txtInput", "ChatFrame", 70, 9360, 8530, 375},
    {"cmdRoomClose", "ChatFrame", 8520, 600, 135, 135},
    {"FraTribePal", "ChatFrame", 80, 840, 8490, 5055},
    {"frmGame", "ChatFrame", 120, 840, 7695, 2585},
    {"PBModDL", "ChatFrame", 1800, 4680, 6015, 2895},
    {"PBMapDL", "ChatFrame", 1680, 4560, 6015, 2895},

    {"lstPacks", "FrameMaps", 120, 120, 3015, 4575},
    {"lstMaps", "FrameMaps", 120, 4800, 3015, 4215},
    {"MapPreview", "FrameMaps", 3240, 120, 10455, 9855},
    {"cmdDownloadQX", "FrameMaps", 360, 9120, 2505, 360},
    {"cmdRefreshQX", "FrameMaps", 960, 9600, 1275, 360},
    {"picDLMapsMenu", "FrameMaps", 3240, 120, 10485, 9885},
    {"lstMapPacks", "picDLMapsMenu", 120, 480, 10095, 7935},
    {"PBMapsDownloadM", "picDLMapsMenu", 120, 9360, 10095, 375},
    {"cmdSelectAll", "picDLMapsMenu", 120, 8760, 1275, 360},
    {"cmdSelectNone", "picDLMapsMenu", 1680, 8760, 1275, 360},
    {"cmdDoneMaps", "picDLMapsMenu", 3000, 8760, 1275, 360},
    {"CancelDLMaps", "picDLMapsMenu", 6240, 8760, 1275, 360},
    {"cmdDownloadMappacksM", "picDLMapsMenu", 7680, 8760, 2505, 360},

    {"LstMods", "FrameMods", 120, 120, 2775, 8445},
    {"PreviewMods", "FrameMods", 3000, 120, 7815, 7935},
    {"PBModsDL", "FrameMods", 3000, 8160, 7815, 375},
    {"txtModDesc", "FrameMods", 10920, 120, 2895, 8415},
    {"framoddownload", "FrameMods", 3120, 600, 7575, 6975},
    {"cmdmodsDownload", "FrameMods", 240, 9000, 1815, 375},
    {"cmdmodsRefresh", "FrameMods", 480, 9480, 1335, 375},

    {"lstRanks", "frameranks", 120, 120, 7095, 9855},
    {"lblYourRank", "frameranks", 7440, 120, 4500, 375},   // ours: beside the list

    // Ours: the captions of the pack tabs, which no rule moves. The level's
    // lines stand in a band at the top of the preview, the chosen mod pack's
    // under its progress bar, the catalogue's title above its list and its
    // status line between the list and the buttons.
    {"lblMapName", "MapPreview", 120, 60, 10215, 270},
    {"lblMapCreator", "MapPreview", 120, 330, 10215, 270},
    {"lblhdrs", "MapPreview", 120, 600, 10215, 270},
    {"lbltxture", "MapPreview", 120, 870, 10215, 270},
    {"lblDLMapsMenu", "picDLMapsMenu", 120, 120, 10095, 300},
    {"lblStat", "picDLMapsMenu", 120, 7955, 10095, 300},
    {"lblModName", "FrameMods", 3000, 8535, 7815, 300},
    {"lblModCreator", "FrameMods", 3000, 8865, 7815, 300},

    // Border strips around the user list, the huts list and the chat.
    {"Trim(4)", "FrameMain", 11280, 600, 1065, 345},
    {"Trim(0)", "FrameMain", 12345, 840, 1425, 105},
    {"Trim(16)", "FrameMain", 13765, 840, 90, 105},
    {"Trim(3)", "FrameMain", 11295, 945, 75, 4830},
    {"Trim(1)", "FrameMain", 13800, 945, 75, 4830},
    {"Trim(15)", "FrameMain", 11295, 5775, 90, 105},
    {"Trim(2)", "FrameMain", 11370, 5775, 2400, 105},
    {"Trim(14)", "FrameMain", 13770, 5775, 90, 105},
    {"Trim(30)", "FrameMain", 0, 600, 1065, 345},
    {"Trim(27)", "FrameMain", 1065, 840, 1320, 105},
    {"Trim(28)", "FrameMain", 2385, 840, 90, 105},
    {"Trim(26)", "FrameMain", 30, 945, 75, 8315},
    {"Trim(29)", "FrameMain", 2400, 945, 75, 8295},
    {"Trim(25)", "FrameMain", 45, 9240, 2370, 105},
    {"Trim(23)", "ChatFrame", 240, 710, 8055, 135},
    {"Trim(10)", "ChatFrame", 8290, 540, 420, 300},
    {"Trim(21)", "ChatFrame", 0, 795, 75, 9000},
    {"Trim(11)", "ChatFrame", 8610, 840, 90, 8955},
    {"Trim(22)", "ChatFrame", 60, 9240, 8545, 135},
    {"Trim(12)", "ChatFrame", 75, 9720, 8540, 135},
    {"Trim(20)", "ChatFrame", 0, 9750, 90, 105},

    // The rooms frame: caption, frame and list.
    {"lstRooms", "frarooms", 90, 345, 2415, 2685},
    {"Trim(5)", "frarooms", 0, 0, 1065, 345},
    {"Trim(6)", "frarooms", 1065, 240, 1425, 105},
    {"Trim(17)", "frarooms", 2490, 240, 90, 105},
    {"Trim(7)", "frarooms", 15, 345, 75, 2685},
    {"Trim(8)", "frarooms", 2505, 345, 75, 2685},
    {"Trim(13)", "frarooms", 15, 3030, 90, 105},
    {"Trim(9)", "frarooms", 90, 3030, 2415, 105},
    {"Trim(18)", "frarooms", 2490, 3030, 90, 105},
};

const std::map<QByteArray, QByteArray> &containers()
{
    static const std::map<QByteArray, QByteArray> table = [] {
        std::map<QByteArray, QByteArray> t;
        for (const Row &r : StartingRows)
            t[r.name] = r.container;
        return t;
    }();
    return table;
}

const Row *designRow(const QByteArray &name)
{
    for (const Row &r : StartingRows) {
        if (name == r.name)
            return &r;
    }
    return nullptr;
}

QByteArray chatLog(int i)
{
    return "txtOut(" + QByteArray::number(i) + ')';
}

} // namespace

LobbyLayout LobbyLayout::starting()
{
    LobbyLayout layout;
    for (const Row &r : StartingRows)
        layout.m_controls[r.name] = {r.left, r.top, r.width, r.height};
    return layout;
}

QByteArray LobbyLayout::containerOf(const QByteArray &name)
{
    if (name.startsWith("txtOut("))
        return "ChatFrame";
    const auto it = containers().find(name);
    return it == containers().end() ? QByteArray() : it->second;
}

void LobbyLayout::setChatLogCount(int count)
{
    for (int i = m_chatLogs; i < count; ++i)
        m_controls[chatLog(i)] = m_controls[chatLog(0)];
    for (int i = qMax(count, 1); i < m_chatLogs; ++i)
        m_controls.erase(chatLog(i));
    m_chatLogs = qMax(count, 1);
}

LobbyLayout::Twips LobbyLayout::get(const QByteArray &name) const
{
    const auto it = m_controls.find(name);
    return it == m_controls.end() ? Twips{} : it->second;
}

QList<QByteArray> LobbyLayout::names() const
{
    QList<QByteArray> list;
    for (const auto &entry : m_controls)
        list.append(entry.first);
    return list;
}

void LobbyLayout::setWidth(const QByteArray &name, double value)
{
    if (value >= 0)
        m_controls[name].Width = value;
}

void LobbyLayout::setHeight(const QByteArray &name, double value)
{
    if (value >= 0)
        m_controls[name].Height = value;
}

void LobbyLayout::setPopUp(const QByteArray &name, bool shown, double height)
{
    m_popUps[name] = {shown, height};
}

LobbyLayout::HutArea LobbyLayout::Form_Resize(double W, double H, const std::optional<QByteArray> &ownState)
{
    // A pop-up panel starts every pass from the height its contents ask for
    // and, where no rule places it, from its design place: what an earlier
    // pass made of it (shrunk into a small window, moved below another
    // panel) is not carried over, so that the same window size always gives
    // the same places. (The rules place the hut area whenever it shows.)
    for (const char *name : {"FraTribePal", "PBMapDL", "PBModDL"}) {
        const Row *r = designRow(name);
        m_controls[name] = {r->left, r->top, r->width, r->height};
    }
    for (const auto &[name, popUp] : m_popUps)
        m_controls[name].Height = popUp.height;
    setWidth("FrameMain", W - 420);
    setHeight("FrameMain", H - 620 - T("FrameMain"));
    layoutLobbyPanel();
    layoutChatArea();
    layoutButtonsAndHuts();

    for (const char *panel : {"FrameMaps", "FrameMods", "FrameSettings"})
        setWidth(panel, w("FrameMain"));
    for (const char *panel : {"FrameMaps", "FrameMods", "FrameSettings"})
        setHeight(panel, h("FrameMain"));
    layoutMapsPanel();
    layoutModsPanel();

    left("FrameCreateRoom") = L("cmdShowRoomT") - w("FrameCreateRoom") / 2 - 50;
    top("FrameCreateRoom") = T("cmdShowRoomT") - h("FrameCreateRoom") + 600;
    setWidth("frameranks", w("FrameMods"));
    setHeight("frameranks", h("FrameMods"));
    setHeight("lstRanks", h("frameranks") - T("frameranks"));
    // Ours: the own rank beside the list, never past the panel's right edge.
    setWidth("lblYourRank", std::min(4500.0, w("frameranks") - L("lblYourRank") - 120));

    // Only the own hut shows the hut area. Before the own record has arrived
    // the state test cannot be made, and the area is moved as if in a hut.
    HutArea hut = HutArea::Hidden;
    if (!ownState || *ownState == "HOST" || *ownState == "CLIENT" || *ownState == "WARPHOST") {
        left("frmGame") = L("txtOut(0)");
        top("frmGame") = T("txtOut(0)");
        hut = HutArea::OverChatLog;
    }
    keepPopUpsInChatLog();
    return hut;
}

void LobbyLayout::keepPopUpsInChatLog()
{
    // Ours: the pop-up panels that show stand one below the other inside the
    // first chat log (never over the strip and the input under it, nor over
    // each other): the hut area at the top, then the tribe colours, the map
    // pack's download area and the mod pack's. Each keeps its place from the
    // rules where it is clear of the others; where the log is too short for
    // all of them, each gets an equal share of it (one that needs less keeps
    // its height) and scrolls its contents. Places are whole pixels, so that
    // neighbours do not overlap once rounded.
    const double pixel = 15;
    const auto whole = [pixel](double twips) { return std::floor(twips / pixel) * pixel; };
    const auto nearest = [pixel](double twips) { return std::round(twips / pixel) * pixel; };
    const double x0 = L("txtOut(0)");
    const double x1 = x0 + w("txtOut(0)");
    const double y0 = T("txtOut(0)");
    const double y1 = whole(y0 + h("txtOut(0)"));
    if (x1 <= x0 || y1 <= y0)
        return;
    for (const char *pack : {"PBMapDL", "PBModDL"}) {
        setWidth(pack, std::min(w(pack), x1 - x0));
        left(pack) = std::clamp(L(pack), x0, x1 - w(pack));
    }
    QList<const char *> shown;
    double wanted = 0;
    for (const char *name : {"frmGame", "FraTribePal", "PBMapDL", "PBModDL"}) {
        const auto it = m_popUps.find(name);
        if (it == m_popUps.end() || !it->second.shown)
            continue;
        shown.append(name);
        m_controls[name].Height = nearest(h(name));
        wanted += h(name);
    }
    if (wanted <= y1 - y0) {
        // Down from the top, each below the one before; then up from the
        // bottom, each above the one after.
        double below = y0;
        for (const char *name : shown) {
            top(name) = std::max(nearest(T(name)), below);
            below = T(name) + h(name);
        }
        double above = y1;
        for (auto it = shown.crbegin(); it != shown.crend(); ++it) {
            top(*it) = std::min(T(*it), above - h(*it));
            above = T(*it);
        }
        return;
    }
    QList<const char *> bySize = shown;
    std::stable_sort(bySize.begin(), bySize.end(), [this](const char *a, const char *b) { return h(a) < h(b); });
    double room = y1 - y0;
    for (qsizetype i = 0; i < bySize.size(); ++i) {
        const double share = whole(room / double(bySize.size() - i));
        m_controls[bySize[i]].Height = std::min(h(bySize[i]), share);
        room -= h(bySize[i]);
    }
    double below = y0;
    for (const char *name : shown) {
        top(name) = below;
        below += h(name);
    }
}

void LobbyLayout::layoutLobbyPanel()
{
    setHeight("lstUsers", h("FrameMain") - T("FrameMain") - T("lstUsers") - 3800);
    const double edge = h("lstUsers") - T("lstUsers") + 1000;
    setHeight("Trim(1)", edge);
    setHeight("Trim(3)", edge);
    const double bottom = h("lstUsers") - T("lstUsers") + 1290 + 600;
    for (const char *strip : {"Trim(2)", "Trim(15)", "Trim(14)"})
        top(strip) = bottom;
    left("lstUsers") = w("FrameMain") - w("lstUsers") - 200;
    left("Trim(3)") = L("lstUsers") - w("Trim(3)");
    left("Trim(4)") = L("lstUsers") - w("Trim(3)") - 10;
    left("Trim(1)") = L("lstUsers") + w("lstUsers") - 10;
    left("Trim(0)") = L("Trim(4)") + w("Trim(4)");
    left("Trim(16)") = L("Trim(0)") + w("Trim(0)") - 10;
    left("Trim(15)") = L("Trim(3)");
    left("Trim(2)") = L("Trim(15)") + w("Trim(15)");
    left("Trim(14)") = L("Trim(2)") + w("Trim(2)") - 20;
    left("frarooms") = L("Trim(3)");
    top("frarooms") = T("Trim(2)") + 345;
}

void LobbyLayout::layoutChatArea()
{
    setWidth("ChatFrame", L("Trim(3)") - L("ChatFrame") - 200);
    for (int i = 0; i < m_chatLogs; ++i)
        setWidth(chatLog(i), w("ChatFrame") - m_controls[chatLog(i)].Left - 130);
    left("Trim(11)") = L("txtOut(0)") + w("txtOut(0)") + 20;
    setWidth("Trim(12)", L("txtOut(0)") + w("txtOut(0)") - 50);
    setWidth("Trim(22)", w("Trim(12)"));
    // With the bottom edge's Top of the previous pass: the corner lags one pass.
    setHeight("Trim(11)", T("Trim(12)") + h("Trim(12)"));
    setHeight("Trim(21)", h("Trim(11)"));
    top("Trim(20)") = h("Trim(21)");
    setWidth("txtInput", w("txtOut(0)"));
    setHeight("ChatFrame", h("FrameMain") - 330);
    top("Trim(12)") = h("ChatFrame") - h("Trim(12)") + 70;
    top("txtInput") = T("Trim(12)") - h("txtInput");
    top("Trim(22)") = T("txtInput") - h("Trim(22)");
    for (int i = 0; i < m_chatLogs; ++i)
        setHeight(chatLog(i), T("Trim(22)") - m_controls[chatLog(i)].Top);
    top("Trim(20)") = h("Trim(21)");
    left("Trim(10)") = w("txtOut(0)") - w("Trim(11)") - 120;
    left("cmdRoomClose") = L("Trim(10)") + 230;
    setWidth("Trim(23)", w("txtOut(0)") - 334 + 30);
    // Ours: the piece behind the close button ends 10 twips past the chat
    // area's right edge by the rules above; it stays inside (the button has
    // taken its place from the piece already).
    left("Trim(10)") = std::min(L("Trim(10)"), w("ChatFrame") - w("Trim(10)"));
}

void LobbyLayout::layoutButtonsAndHuts()
{
    top("cmdHost") = h("FrameMain") - 720;
    top("cmdlaunch") = T("cmdHost");
    top("cmdShowRoomT") = T("cmdlaunch");
    top("logout") = T("cmdShowRoomT");
    left("cmdSmileys") = L("Trim(11)") + L("ChatFrame") + 160;
    top("cmdSmileys") = h("FrameMain") - 685;
    top("fraCreateHut") = T("cmdHost") - h("fraCreateHut");
    setWidth("FraTribePal", w("txtOut(0)"));
    setWidth("frmGame", w("txtOut(0)") - 20);
    left("cmdShowRoomT") = L("Trim(3)") + 270;
    left("logout") = L("cmdShowRoomT") + w("cmdShowRoomT") + 250;
    setHeight("lstHuts", h("FrameMain") - 1785);
    top("Trim(25)") = h("lstHuts") - T("lstHuts") + 1900;
    top("picExitHut") = T("Trim(25)") - h("picExitHut") + 70;
    setHeight("Trim(26)", h("lstHuts") + 90);
    setHeight("Trim(29)", h("Trim(26)"));
    setHeight("Trim(11)", T("Trim(12)") + h("Trim(12)"));
    setHeight("Trim(21)", h("Trim(11)"));
    left("PBModDL") = w("txtOut(0)") / 2 - w("PBModDL") / 2;
    top("PBMapDL") = h("txtOut(0)") / 2 - h("PBMapDL") / 2;
}

void LobbyLayout::layoutMapsPanel()
{
    setWidth("MapPreview", w("FrameMaps") - L("MapPreview") - 200);
    setHeight("MapPreview", h("FrameMaps") - T("MapPreview") - T("FrameMaps") + 200);
    setHeight("lstPacks", (h("FrameMaps") - 2000) / 2);
    top("cmdRefreshQX") = h("FrameMaps") - h("cmdRefreshQX") - 130;
    top("cmdDownloadQX") = T("cmdRefreshQX") - h("cmdDownloadQX") - 90;
    top("lstMaps") = T("lstPacks") + h("lstPacks") + 50;
    setWidth("picDLMapsMenu", w("MapPreview"));
    setHeight("picDLMapsMenu", h("MapPreview"));
    setHeight("lstMaps", h("lstPacks"));
    setWidth("lstMapPacks", L("picDLMapsMenu") + w("picDLMapsMenu") - 3600);
    setHeight("lstMapPacks", T("picDLMapsMenu") + h("picDLMapsMenu") - 2400);
    // A bar wider than the panel would push the buttons that hang on it out
    // of the panel: it keeps 120 twips from either side.
    setWidth("PBMapsDownloadM", std::min(10095.0, w("picDLMapsMenu") - 240));
    left("PBMapsDownloadM") = w("picDLMapsMenu") / 2 - w("PBMapsDownloadM") / 2;
    top("PBMapsDownloadM") = h("picDLMapsMenu") - h("PBMapsDownloadM") - 150;
    top("cmdDownloadMappacksM") = T("PBMapsDownloadM") - h("cmdDownloadMappacksM") - 90;
    left("cmdDownloadMappacksM") = L("PBMapsDownloadM") + w("PBMapsDownloadM") - w("cmdDownloadMappacksM");
    top("cmdSelectAll") = T("PBMapsDownloadM") - h("cmdSelectAll") - 90;
    left("cmdSelectAll") = L("PBMapsDownloadM");
    top("cmdSelectNone") = T("cmdSelectAll");
    left("cmdSelectNone") = L("cmdSelectAll") + w("cmdSelectAll") + 50;
    top("cmdDoneMaps") = T("cmdSelectAll");
    left("cmdDoneMaps") = L("cmdSelectNone") + w("cmdSelectNone") + 50;
    left("CancelDLMaps") = L("cmdDownloadMappacksM") - w("CancelDLMaps") - 40;
    // The cancel button stays on the row, where the design has it, at any height.
    top("CancelDLMaps") = T("cmdSelectAll") + 40;
    // A panel too narrow for one row: cancel and download go one row up,
    // and the list makes room for them.
    if (L("cmdDoneMaps") + w("cmdDoneMaps") + 90 > L("CancelDLMaps")) {
        const double row = h("cmdSelectAll") + 90;
        left("cmdDownloadMappacksM") = L("PBMapsDownloadM") + w("PBMapsDownloadM") - w("cmdDownloadMappacksM");
        top("cmdDownloadMappacksM") = T("cmdSelectAll") - row;
        top("CancelDLMaps") = T("cmdDownloadMappacksM") + 40;
        left("CancelDLMaps") = std::max(L("cmdSelectAll"), L("cmdDownloadMappacksM") - w("CancelDLMaps") - 40);
        setHeight("lstMapPacks", h("lstMapPacks") - row);
    }
    // Ours: the catalogue's title and status line, and the level's captions.
    setWidth("lblDLMapsMenu", w("lstMapPacks"));
    left("lblStat") = L("lstMapPacks");
    top("lblStat") = T("lstMapPacks") + h("lstMapPacks") + 60;
    setWidth("lblStat", w("lstMapPacks"));
    for (const char *caption : {"lblMapName", "lblMapCreator", "lblhdrs", "lbltxture"})
        setWidth(caption, w("MapPreview") - 240);
}

void LobbyLayout::layoutModsPanel()
{
    setWidth("PreviewMods", w("FrameMods") - 3105 - 2930);
    // A panel larger than the tab would reach past it: it shrinks to the tab.
    setWidth("framoddownload", std::min(7575.0, w("FrameMods")));
    setHeight("framoddownload", std::min(6975.0, h("FrameMods")));
    left("framoddownload") = w("FrameMods") / 2 - w("framoddownload") / 2;
    top("framoddownload") = h("FrameMods") / 2 - h("framoddownload") / 2;
    left("txtModDesc") = w("FrameMods") - w("txtModDesc") - 90;
    setHeight("txtModDesc", h("FrameMods") - 1770);
    top("cmdmodsDownload") = h("FrameMods") - 1135;
    top("cmdmodsRefresh") = T("cmdmodsDownload") + h("cmdmodsDownload") + 50;
    setHeight("LstMods", h("FrameMods") - 1770);
    left("cmdmodsDownload") = L("LstMods");
    left("cmdmodsRefresh") = L("cmdmodsDownload") + 120;
    top("PBModsDL") = h("LstMods") - h("PBModsDL");
    setWidth("PBModsDL", w("PreviewMods"));
    setHeight("PreviewMods", T("PBModsDL") - 150);
    // Ours: the chosen pack's title and creator under the bar.
    left("lblModName") = L("PreviewMods");
    top("lblModName") = T("PBModsDL") + h("PBModsDL") + 90;
    setWidth("lblModName", w("PreviewMods"));
    left("lblModCreator") = L("PreviewMods");
    top("lblModCreator") = T("lblModName") + h("lblModName") + 30;
    setWidth("lblModCreator", w("PreviewMods"));
}
