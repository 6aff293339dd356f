#include <QApplication>
#include <QLabel>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("Zorbel: the lobby client is not built yet."));
    window.setMinimumSize(360, 120);
    window.setAlignment(Qt::AlignCenter);
    window.show();
    return app.exec();
}
