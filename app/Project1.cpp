#include "lib/application/application.h"
#include "ui/Unit1.h"

#include <QApplication>
#include <clocale>
#include <csignal>

int main(int argc, char* argv[]) {
    std::setlocale(LC_ALL, "");
    // A file-size limit must fail the write, which is reported, not end the program.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication app(argc, argv);
    // Lets the desktop match the window to its installed entry and icon (Wayland needs it).
    QGuiApplication::setDesktopFileName(QStringLiteral("example.zorna.TextToImage"));
    Application->Initialize();
    Application->SetTitle(TForm1::Caption);
    TForm1 Form1;
    Form1.show();
    return app.exec();
}
