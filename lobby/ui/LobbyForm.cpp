#include "lobby/ui/LobbyForm.h"

#include "core/ClientState.h"
#include "core/LobbyEvents.h"
#include "core/api/CommandSink.h"
#include "core/util/WinPath.h"
#include "lobby/ColourValue.h"
#include "lobby/HutDetailsModel.h"
#include "lobby/HutsTreeModel.h"
#include "lobby/UserListModel.h"
#include "lobby/ui/ChatView.h"
#include "lobby/ui/FlatPanel.h"
#include "lobby/ui/LobbyFormLayout.h"
#include "lobby/ui/HutDetailsView.h"
#include "lobby/ui/HutsTreeView.h"
#include "lobby/ui/TabStrip.h"
#include "lobby/ui/TrimStrip.h"
#include "lobby/ui/UserListView.h"
#include "lobby/ui/frmDetailed.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMap>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int TwipsPerPixel = 15;

// A container of the window's design, placed by the layout rules.
QWidget *frame(QWidget *parent, const QString &name)
{
    auto *w = new QWidget(parent);
    w->setObjectName(name);
    return w;
}

// The controls of the layout rules that each place holds: a placed widget
// covers them all.
QList<QByteArray> rowsOf(LobbyForm::Place p)
{
    using P = LobbyForm::Place;
    switch (p) {
    case P::ChatTabs: return {"txtOut(0)"};
    case P::ChatView: return {"txtOut(0)"};
    case P::ChatInput: return {"txtInput"};
    case P::RoomList: return {"lstRooms"};
    case P::HutButtons: return {"cmdHost", "cmdlaunch"};
    case P::ChatButtons: return {"cmdSmileys", "cmdShowRoomT"};
    case P::ExitHutButton: return {"picExitHut"};
    case P::GamePanel: return {"frmGame"};
    case P::TribePanel: return {"FraTribePal"};
    case P::MapDownloadPanel: return {"PBMapDL"};
    case P::ModDownloadPanel: return {"PBModDL"};
    case P::CreateHutPanel: return {"fraCreateHut"};
    case P::CreateRoomPanel: return {"FrameCreateRoom"};
    }
    return {};
}

void paintTree(QAbstractItemView *view, qint32 back, qint32 fore)
{
    QPalette p = view->palette();
    p.setColor(QPalette::Base, ColourValue::toColor(back));
    p.setColor(QPalette::Window, ColourValue::toColor(back));
    p.setColor(QPalette::Text, ColourValue::toColor(fore));
    view->setPalette(p);
    view->setAutoFillBackground(true);
}

QPixmap logoutPicture()
{
    // 810 by 315 twips: a caption plate in the skin's frame colours.
    QPixmap pixmap(54, 21);
    pixmap.fill(QColor(41, 49, 57));
    QPainter p(&pixmap);
    p.setPen(QColor(99, 107, 115));
    p.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    p.setPen(QColor(156, 173, 173));
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    p.setFont(font);
    p.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("Logout"));
    return pixmap;
}

// A sheet that a scroll area never squeezes below what its controls ask for.
class WholeSheet : public QWidget
{
public:
    QSize minimumSizeHint() const override { return sizeHint(); }
};

bool isFloating(LobbyForm::Place p)
{
    using P = LobbyForm::Place;
    return p == P::GamePanel || p == P::TribePanel || p == P::MapDownloadPanel
        || p == P::ModDownloadPanel || p == P::CreateHutPanel || p == P::CreateRoomPanel;
}

} // namespace

struct LobbyForm::Ui
{
    TabStrip *tabs = nullptr;
    QStackedWidget *stack = nullptr;
    std::array<QWidget *, 5> panels{};   // FrameMain, FrameSettings, FrameMaps, FrameMods, frameranks
    QWidget *chatFrame = nullptr;
    QWidget *frarooms = nullptr;
    QMap<Place, QPointer<QWidget>> placed;
    std::unique_ptr<LobbyFormLayout> layout;
    int currentTab = 0;
    std::array<FlatPanel *, 7> optionPanels{};
    QTreeWidget *lstRanks = nullptr;
    QLabel *lblYourRank = nullptr;

    std::unique_ptr<UserListModel> userModel;
    std::unique_ptr<HutDetailsModel> detailsModel;
    std::unique_ptr<HutsTreeModel> hutsModel;
    UserListView *lstUsers = nullptr;
    HutsTreeView *lstHuts = nullptr;
    HutDetailsView *hutDetails = nullptr;
    QPointer<QObject> hutDetailsAlive;   // the panel that holds them may delete them
    const QObject *hutDetailsObject = nullptr;
    QPointer<frmDetailed> detailed;
};

LobbyForm::LobbyForm(ClientState &state, LobbyEvents &events, CommandSink &commands, QWidget *parent)
    : QWidget(parent)
    , m_state(state)
    , m_events(events)
    , m_commands(commands)
    , ui(std::make_unique<Ui>())
{
    setObjectName(QStringLiteral("LobbyForm"));
    setWindowTitle(QStringLiteral("Zorbel"));
    ui->userModel = std::make_unique<UserListModel>(m_state, &m_events);
    ui->detailsModel = std::make_unique<HutDetailsModel>(m_state, &m_events);
    ui->hutsModel = std::make_unique<HutsTreeModel>(m_state, &m_events, ui->detailsModel.get());
    buildUi();
    // The window's design size: 14235 by 11040 twips inside.
    resize(14235 / TwipsPerPixel, 11040 / TwipsPerPixel);
}

LobbyForm::~LobbyForm()
{
    // The views go with the widgets, before the models they show.
    delete ui->detailed;
    if (ui->hutDetailsAlive)
        ui->hutDetails->removeEventFilter(this);
    const auto children = findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    qDeleteAll(children);
}

void LobbyForm::setHooks(Hooks hooks)
{
    m_hooks = std::move(hooks);
}

void LobbyForm::buildUi()
{
    QPalette dark = palette();
    dark.setColor(QPalette::Window, QColor(24, 32, 40));
    dark.setColor(QPalette::WindowText, QColor(200, 214, 222));
    setPalette(dark);
    setAutoFillBackground(true);

    // Every control of the window is placed by the layout rules (Form_Resize).
    ui->tabs = new TabStrip(this);
    ui->tabs->move(120 / TwipsPerPixel, 240 / TwipsPerPixel);
    ui->tabs->resize(ui->tabs->sizeHint());
    connect(ui->tabs, &TabStrip::tabClicked, this, &LobbyForm::TabText_Click);

    ui->stack = new QStackedWidget(this);
    const char *const names[5] = {"FrameMain", "FrameSettings", "FrameMaps", "FrameMods", "frameranks"};
    for (int i = 0; i < 5; ++i) {
        ui->panels[size_t(i)] = new QWidget(ui->stack);
        ui->panels[size_t(i)]->setObjectName(QString::fromLatin1(names[i]));
        ui->stack->addWidget(ui->panels[size_t(i)]);
    }

    // --- the lobby panel: huts | chat | users and rooms, buttons below
    QWidget *main = ui->panels[0];
    main->installEventFilter(this);
    ui->lstHuts = new HutsTreeView(*ui->hutsModel, main);
    connect(ui->lstHuts, &HutsTreeView::hutNodeDoubleClicked, this, &LobbyForm::hutNodeDoubleClicked);
    ui->chatFrame = frame(main, QStringLiteral("ChatFrame"));
    ui->frarooms = frame(main, QStringLiteral("frarooms"));
    ui->lstUsers = new UserListView(m_state, *ui->userModel, main);
    for (int i : TrimStrip::indexes()) {
        const QByteArray container = LobbyLayout::containerOf("Trim(" + QByteArray::number(i) + ')');
        new TrimStrip(i, container == "ChatFrame" ? ui->chatFrame
                         : container == "frarooms" ? ui->frarooms : main);
    }
    // The logout picture of the bottom row: an image, no click is handled.
    auto *logout = new QLabel(main);
    logout->setObjectName(QStringLiteral("logout"));
    logout->setPixmap(logoutPicture());
    logout->setAlignment(Qt::AlignCenter);
    connect(ui->lstUsers, &UserListView::privateMessageRequested, this,
            &LobbyForm::privateMessageRequested);
    connect(ui->lstUsers, &UserListView::detailedInfoRequested, this,
            [this](const QByteArray &name, const QByteArray &ip, const QByteArray &mac) {
                if (ui->detailed) {
                    // An open window shows the user just chosen.
                    ui->detailed->Form_Load(name, ip, mac);
                } else {
                    ui->detailed = new frmDetailed(name, ip, mac, this);
                    ui->detailed->setWindowFlag(Qt::Window);
                }
                ui->detailed->show();
                ui->detailed->raise();
                ui->detailed->activateWindow();
            });

    // The hut details: the game panel's owner puts them into its layout.
    ui->hutDetails = new HutDetailsView(*ui->detailsModel, this);
    ui->hutDetails->hide();
    ui->hutDetails->installEventFilter(this);
    ui->hutDetailsAlive = ui->hutDetails;
    ui->hutDetailsObject = ui->hutDetails;

    // --- the options tab: seven framed sub-panels
    // A window smaller than the sub-panels need scrolls them rather than
    // cutting their captions: the sheet never gets less than its controls ask.
    auto *settingsLayout = new QVBoxLayout(ui->panels[1]);
    settingsLayout->setContentsMargins(0, 0, 0, 0);
    auto *settingsScroll = new QScrollArea(ui->panels[1]);
    settingsScroll->setObjectName(QStringLiteral("FrameSettingsScroll"));
    settingsScroll->setFrameShape(QFrame::NoFrame);
    settingsScroll->setWidgetResizable(true);
    settingsScroll->viewport()->setAutoFillBackground(false);
    settingsLayout->addWidget(settingsScroll);
    QWidget *settings = new WholeSheet;
    settings->setObjectName(QStringLiteral("FrameSettingsSheet"));
    auto *grid = new QGridLayout(settings);
    grid->setContentsMargins(0, 8, 0, 0);
    const char *const tags[7] = {"General Options  ", "Custom Sounds  ", "Custom Skinning",
                                 "Sending Files", "Skins", "Utilities", "Graphic Mode "};
    const char *const panelNames[7] = {"frmGeneralOptions", "frmSoundOptions", "frmSkinOptions",
                                       "frmFileSending", "frmskins", "frmGameUtils", "frmGraphicMode"};
    const std::array<qint32, 4> borders{m_state.Options.ColorBorder1, m_state.Options.ColorBorder2,
                                        m_state.Options.ColorBorder3, m_state.Options.ColorBorder4};
    for (int i = 0; i < 7; ++i) {
        auto *panel = new FlatPanel(QByteArray(tags[i]), borders, settings);
        panel->setObjectName(QString::fromLatin1(panelNames[i]));
        panel->setMinimumSize(180, 90);
        ui->optionPanels[size_t(i)] = panel;
        // General options down the left; the others in two columns beside it.
        if (i == 0)
            grid->addWidget(panel, 0, 0, 3, 1);
        else
            grid->addWidget(panel, (i - 1) % 3, 1 + (i - 1) / 3);
    }
    settingsScroll->setWidget(settings);

    // --- the rankings tab
    QWidget *ranks = ui->panels[4];
    ui->lstRanks = new QTreeWidget(ranks);
    ui->lstRanks->setObjectName(QStringLiteral("lstRanks"));
    ui->lstRanks->setRootIsDecorated(false);
    ui->lstRanks->setUniformRowHeights(true);
    ui->lstRanks->setColumnCount(0);
    ui->lblYourRank = new QLabel(ranks);
    ui->lblYourRank->setObjectName(QStringLiteral("lblYourRank"));
    ui->lblYourRank->setTextFormat(Qt::PlainText);

    paintTree(ui->lstUsers, m_state.Options.ListBackColor, m_state.Options.ListForeColor);
    paintTree(ui->lstHuts, m_state.Options.ListBackColor, m_state.Options.ListForeColor);
    ui->stack->setCurrentIndex(0);
    setTabPictures();
    ui->layout = std::make_unique<LobbyFormLayout>(*this);
}

void LobbyForm::place(Place where, QWidget *widget)
{
    QPointer<QWidget> old = ui->placed.value(where);
    if (old == widget)
        return;
    if (old) {
        // The hut details belong to the form, wherever the game panel put them.
        if (ui->hutDetailsAlive && old->isAncestorOf(ui->hutDetails)) {
            ui->hutDetails->hide();
            ui->hutDetails->setParent(this);
        }
        delete old.data();
    }
    ui->placed[where] = widget;
    if (!widget)
        return;
    const QByteArray container = LobbyLayout::containerOf(rowsOf(where).constFirst());
    QWidget *parent = container == "ChatFrame" ? ui->chatFrame
        : container == "frarooms"              ? ui->frarooms
                                               : ui->panels[0];
    // A floating panel's visibility stays with its owner.
    const bool shown = !isFloating(where) || !widget->isHidden();
    widget->setParent(parent);
    widget->setVisible(shown);
    widget->installEventFilter(this);
    layoutPass();
}

QWidget *LobbyForm::placed(Place where) const
{
    return ui->placed.value(where).data();
}

void LobbyForm::measurePanels()
{
    // A pop-up panel is as tall as what it shows (the game menu open or
    // closed, the editor of the tribe panel), never less than the design;
    // the create-room panel also as wide as its boxes need.
    LobbyFormLayout &layout = *ui->layout;
    for (Place p : {Place::GamePanel, Place::TribePanel, Place::MapDownloadPanel, Place::ModDownloadPanel}) {
        if (QWidget *w = placed(p))
            layout.popUp(rowsOf(p).constFirst(), !w->isHidden(), w->sizeHint());
    }
    for (Place p : {Place::CreateHutPanel, Place::CreateRoomPanel}) {
        if (QWidget *w = placed(p)) {
            const QSize hint = w->sizeHint();
            layout.atLeast(rowsOf(p).constFirst(), QSize(p == Place::CreateRoomPanel ? hint.width() : 0, hint.height()));
        }
    }
    // The create-room button shows its whole caption; the logout picture
    // beside it follows its width (the rules place it from there).
    if (const QWidget *button = layout.widget("cmdShowRoomT"))
        layout.atLeast("cmdShowRoomT", QSize(button->sizeHint().width(), 0));
}

void LobbyForm::placeAll()
{
    LobbyFormLayout &layout = *ui->layout;
    if (const std::optional<QRect> r = layout.rectIn("FrameMain", this)) {
        ui->stack->setGeometry(*r);
        // The stack sizes only the page on top; the others have the same size.
        for (QWidget *panel : ui->panels)
            panel->setGeometry(QRect(QPoint(), r->size()));
    }
    layout.apply();
    for (auto it = ui->placed.cbegin(); it != ui->placed.cend(); ++it) {
        QWidget *w = it.value();
        if (!w)
            continue;
        if (it.key() == Place::HutButtons || it.key() == Place::ChatButtons) {
            // Their buttons are controls of the rules, each placed on its own;
            // the empty row keeps no room that could lie over them.
            w->setGeometry(QRect());
            continue;
        }
        if (it.key() == Place::ChatTabs) {
            const QWidget *parent = w->parentWidget();
            const QRect log = layout.rectIn("txtOut(0)", parent).value_or(QRect());
            // The room captions: the band above the log, up to the frame
            // piece behind the close button.
            const QRect close = layout.rectIn("Trim(10)", parent).value_or(log);
            const int bottom = layout.rectIn("Trim(23)", parent).value_or(log).top();
            w->setGeometry(QRect(QPoint(log.left(), 8), QPoint(close.left() - 1, bottom - 1)));
            continue;
        }
        // A panel is its control of the rules: found by its name, the rules
        // placed it above; one its owner named otherwise is placed here.
        const QByteArray row = rowsOf(it.key()).constFirst();
        if (layout.widget(row) != w) {
            if (const std::optional<QRect> r = layout.rectIn(row, w->parentWidget()))
                w->setGeometry(*r);
        }
        if (isFloating(it.key()))
            w->raise();
    }
    keepChatClearOfHutArea();
}

void LobbyForm::keepChatClearOfHutArea()
{
    auto *view = qobject_cast<ChatView *>(placed(Place::ChatView));
    if (!view)
        return;
    // The hut area and the tribe panel both lie over the top of the log:
    // its lines start below whichever reaches further down.
    int overlap = 0;
    for (Place p : {Place::GamePanel, Place::TribePanel}) {
        const QWidget *w = placed(p);
        if (w && !w->isHidden() && w->parentWidget() == view->parentWidget()
            && w->geometry().intersects(view->geometry()))
            overlap = qMax(overlap, w->geometry().bottom() + 1 - view->geometry().top());
    }
    view->setTopMargin(overlap);
}

bool LobbyForm::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched == ui->hutDetailsObject) {
        // Shown inside whichever panel takes it; hidden while the form keeps it.
        // setParent hides a widget after it has sent ParentChange: decide
        // once the reparenting is over.
        if (type == QEvent::ParentChange) {
            QMetaObject::invokeMethod(this, [this] {
                if (ui->hutDetailsAlive)
                    ui->hutDetails->setVisible(ui->hutDetails->parentWidget() != this);
            }, Qt::QueuedConnection);
        }
        return QWidget::eventFilter(watched, event);
    }
    if (watched == ui->panels[0] && type == QEvent::MouseButtonRelease) {
        // A click that reached the panel, not one on a pop-up standing on it.
        const QPoint at = static_cast<QMouseEvent *>(event)->position().toPoint();
        bool onPopUp = false;
        for (Place p : {Place::GamePanel, Place::TribePanel, Place::MapDownloadPanel, Place::ModDownloadPanel,
                        Place::CreateHutPanel, Place::CreateRoomPanel}) {
            const QWidget *w = placed(p);
            if (w && w->isVisible() && QRect(w->mapTo(ui->panels[0], QPoint(0, 0)), w->size()).contains(at))
                onPopUp = true;
        }
        if (!onPopUp)
            Q_EMIT FrameMainClicked();
    }
    // Only the pop-up panels are sized from what they hold: the chat log's
    // own layout requests (a scroll bar that comes or goes) change no row.
    bool popUp = false;
    for (auto it = ui->placed.cbegin(); it != ui->placed.cend() && !popUp; ++it)
        popUp = isFloating(it.key()) && it.value() == watched;
    if ((type == QEvent::LayoutRequest && popUp) || (type == QEvent::Show && watched != placed(Place::ChatView))) {
        // A panel shown, grown or shrunk by its owner: a pass with its new size.
        layoutPass();
    } else if (type == QEvent::Hide
               && (watched == placed(Place::GamePanel) || watched == placed(Place::TribePanel)
                   || watched == placed(Place::MapDownloadPanel) || watched == placed(Place::ModDownloadPanel))) {
        // The pop-up panels of the chat area stand one below the other: the
        // others take their places again.
        layoutPass();
    }
    return QWidget::eventFilter(watched, event);
}

void LobbyForm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void LobbyForm::Form_Resize()
{
    layoutPass();
    // The options colours, and every caption in the skin's text colour.
    ui->layout->paintOptionControls(m_state.Options.OptionsBackColor, m_state.Options.OptionsForeColor);
    paintCaptions();
}

void LobbyForm::layoutPass()
{
    if (m_inPass)
        return;
    m_inPass = true;
    ++m_passes;
    measurePanels();
    // The hut area's visibility is its owner's (the hut panels' state, which
    // follows the own state): the pass only places it.
    const UserRecord *own = m_state.own();
    ui->layout->run(own ? std::optional<QByteArray>(own->State) : std::nullopt);
    placeAll();
    m_inPass = false;
}

void LobbyForm::paintCaptions()
{
    // Every caption on the skin in the skin's text colour: labels, flat tabs
    // (the hut area's "Tribe colours") and buttons, which get the skin's dark
    // fill so that the light text stands on it.
    // A caption that cannot be clicked is dimmed halfway towards the fill.
    QPalette p = palette();
    const QColor fore = ColourValue::toColor(m_state.Options.OptionsForeColor);
    const QColor fill(41, 49, 57);
    const QColor dim((fore.red() + fill.red()) / 2, (fore.green() + fill.green()) / 2,
                     (fore.blue() + fill.blue()) / 2);
    if (p.color(QPalette::WindowText) == fore && p.color(QPalette::ButtonText) == fore
        && p.color(QPalette::Disabled, QPalette::ButtonText) == dim)
        return;
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText}) {
        p.setColor(role, fore);
        p.setColor(QPalette::Disabled, role, dim);
    }
    p.setColor(QPalette::Button, fill);
    setPalette(p);
}

void LobbyForm::Form_Load()
{
    if (m_loaded)
        return;
    m_loaded = true;
    if (m_hooks.OptionsFormData)
        m_hooks.OptionsFormData();
    const std::array<qint32, 4> borders{m_state.Options.ColorBorder1, m_state.Options.ColorBorder2,
                                        m_state.Options.ColorBorder3, m_state.Options.ColorBorder4};
    for (FlatPanel *panel : ui->optionPanels)
        panel->setBorders(borders);
    if (m_hooks.LoadBadWordList)
        m_hooks.LoadBadWordList();
    ui->stack->setCurrentIndex(0);

    struct Column { const char *header; int twips; };
    static const Column columns[7] = {{"", 280},    {"#", 510},     {"Name", 2009},  {"Lost", 629},
                                      {"Won", 615}, {"Played", 884}, {"Rating", 810}};
    QStringList headers;
    for (const Column &c : columns)
        headers << QString::fromLatin1(c.header);
    ui->lstRanks->setColumnCount(7);
    ui->lstRanks->setHeaderLabels(headers);
    ui->lstRanks->header()->setMinimumSectionSize(1);
    ui->lstRanks->header()->setStretchLastSection(false);
    for (int i = 0; i < 7; ++i)
        ui->lstRanks->setColumnWidth(i, columns[i].twips / TwipsPerPixel);
}

void LobbyForm::ShowLobby()
{
    ui->stack->setCurrentIndex(0);
    ui->tabs->setTabPicture(0, true);

    // The hut area takes the colour of the chat log on screen.
    if (QWidget *game = placed(Place::GamePanel)) {
        if (QWidget *log = placed(Place::ChatView)) {
            QPalette p = game->palette();
            p.setColor(QPalette::Window, log->palette().color(QPalette::Base));
            game->setPalette(p);
            game->setAutoFillBackground(true);
        }
    }
    const qint32 back = m_state.Options.ListBackColor;
    const qint32 fore = m_state.Options.ListForeColor;
    if (QWidget *exitHut = placed(Place::ExitHutButton)) {
        QPalette p = exitHut->palette();
        p.setColor(QPalette::Window, ColourValue::toColor(back));
        exitHut->setPalette(p);
        exitHut->setAutoFillBackground(true);
    }
    paintTree(ui->lstHuts, back, fore);
    paintTree(ui->lstUsers, back, fore);

    if (m_hooks.ResetRoomList)
        m_hooks.ResetRoomList();
    m_commands.SendCommand("GETROOMLIST");
    m_commands.SendCommand("GETROOMS");
    if (m_hooks.FillMapPackList)
        m_hooks.FillMapPackList();

    // A new login starts from fresh tables: show what they hold now.
    ui->userModel->UpdateUserList();
    ui->hutsModel->ConstructHuts();
    Q_EMIT m_events.lobbyShown();
}

void LobbyForm::TabText_Click(int index)
{
    if (index < 0 || index > 4)
        return;
    {
        // The page and the pop-up panels on it announce themselves as they
        // show: the one pass below places them all.
        const QScopedValueRollback<bool> quiet(m_inPass, true);
        ui->stack->setCurrentIndex(index);
    }
    layoutPass();
    if (index == 2 && m_hooks.FillMapPackList)
        m_hooks.FillMapPackList();
    for (int i = 0; i < 5; ++i)
        ui->tabs->setTabPicture(i, i == index);
    if (index == 4 && m_hooks.GetRanks)
        m_hooks.GetRanks();
    Q_EMIT tabChanged(index);
}

void LobbyForm::UpdateUserList()
{
    ui->userModel->UpdateUserList();
}

void LobbyForm::ConstructHuts()
{
    ui->hutsModel->ConstructHuts();
}

void LobbyForm::UpdateMappackInfo()
{
    ui->detailsModel->UpdateMappackInfo();
}

void LobbyForm::UpdateModpackInfo()
{
    ui->detailsModel->UpdateModpackInfo();
}

void LobbyForm::setTabPicture(const QByteArray &role, const QPixmap &picture)
{
    using P = TabStrip::Picture;
    static const QHash<QByteArray, P> roles{{"MainTabSelect(0)", P::EndSelect}, {"Maintab(0)", P::EndNormal},
                                            {"MainTabSelect(1)", P::Select}, {"Maintab(1)", P::Normal}};
    const auto it = roles.constFind(role);
    if (it != roles.cend())
        ui->tabs->setPicture(*it, picture);
}

void LobbyForm::setTabPictures()
{
    for (int i = 0; i < 5; ++i)
        ui->tabs->setTabPicture(i, i == currentTab());
}

QWidget *LobbyForm::FrameMain() const { return ui->panels[0]; }
QWidget *LobbyForm::FrameSettings() const { return ui->panels[1]; }
QWidget *LobbyForm::FrameMaps() const { return ui->panels[2]; }
QWidget *LobbyForm::FrameMods() const { return ui->panels[3]; }
QWidget *LobbyForm::frameranks() const { return ui->panels[4]; }
int LobbyForm::currentTab() const { return ui->stack->currentIndex(); }
LobbyFormLayout &LobbyForm::layout() const { return *ui->layout; }
FlatPanel *LobbyForm::optionsPanel(OptionsPanel which) const { return ui->optionPanels[size_t(which)]; }
QTreeWidget *LobbyForm::lstRanks() const { return ui->lstRanks; }
QLabel *LobbyForm::lblYourRank() const { return ui->lblYourRank; }
UserListView *LobbyForm::lstUsers() const { return ui->lstUsers; }
HutsTreeView *LobbyForm::lstHuts() const { return ui->lstHuts; }
HutDetailsView *LobbyForm::hutDetails() const
{
    return ui->hutDetailsAlive ? ui->hutDetails : nullptr;
}
UserListModel &LobbyForm::userList() const { return *ui->userModel; }
HutsTreeModel &LobbyForm::huts() const { return *ui->hutsModel; }
HutDetailsModel &LobbyForm::hutDetailsModel() const { return *ui->detailsModel; }
qint32 LobbyForm::PvtUserSlot() const { return ui->lstUsers->PvtUserSlot(); }

void LobbyForm::closeEvent(QCloseEvent *event)
{
    if (m_hooks.ExitClient && !m_hooks.ExitClient()) {
        event->ignore();
        return;
    }
    event->accept();
}
