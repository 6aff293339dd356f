#pragma once
#include <QByteArray>
#include <QPixmap>
#include <QWidget>
#include <functional>

class Dialogs;
class ErrorReporter;
class LobbyConnection;
class QLabel;
class QLineEdit;
class QPushButton;
class ServerList;
class MorphListBox;
class WebBrowser;
struct ClientState;

// The login window: user name and password, the server list, the account
// pages, and the status label on which the connection reports its progress.
// The login saves the name and the encoded password, keeps the password's
// MD5 digest for the login command and connects the lobby socket.
class LoginForm : public QWidget
{
    Q_OBJECT
public:
    // The user name that opens the hidden direct-address prompt.
    static constexpr char DirectConnectName[] = "qv58";

    LoginForm(ClientState &state, LobbyConnection &connection, ServerList &servers,
              Dialogs &dialogs, WebBrowser &browser, ErrorReporter &errors,
              QWidget *parent = nullptr);

    // Asked on a close request; false keeps the window open.
    void setExitClient(std::function<bool()> exitClient) { m_exitClient = std::move(exitClient); }

    // --- the window's procedures
    void Form_Load();          // background, then LoadLoginFields
    void LoadLoginFields();
    void Loginme_Click();
    void cmdRegister_Click();
    void Label1_Click();
    void RefreshList_Click() { DownloadServerList(); }
    void DownloadServerList();
    void LoadServers(const QString &path);
    void setStatus(const QByteArray &text);   // lblError
    // Skin picture of the refresh button (from the skin's pictures).
    void setRefreshPicture(const QPixmap &picture);

    // --- controls
    QLineEdit *UsernameField = nullptr;
    QLineEdit *PasswordField = nullptr;
    MorphListBox *lstservers = nullptr;
    QPushButton *RefreshList = nullptr;
    QPushButton *Loginme = nullptr;
    QPushButton *cmdRegister = nullptr;
    QPushButton *Label1 = nullptr;
    QLabel *lblError = nullptr;

    // The hidden direct-address mode.
    bool DirectConnect = false;
    QByteArray DirectHost;

protected:
    void closeEvent(QCloseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void UsernameField_Change(const QString &text);
    QString qxIni() const;
    QByteArray webHost() const;

    ClientState &m_state;
    LobbyConnection &m_connection;
    ServerList &m_servers;
    Dialogs &m_dialogs;
    WebBrowser &m_browser;
    ErrorReporter &m_errors;
    std::function<bool()> m_exitClient;
    QPixmap m_background;
    bool m_settingName = false;
    int m_serverFill = 0; // counts LoadServers runs: an older fill gives way to a newer one
};
