#include "platform/application.h"
#include "ui/Unit1.h"

#include <QApplication>
#include <csignal>
#include <clocale>

int main(int argc, char* argv[]) {
    std::setlocale(LC_ALL, "");
    // A file-size limit must fail the write, which is reported, not end the program.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication app(argc, argv);
    Application->Initialize();
    Application->SetTitle(TForm1::Caption);
    TForm1 Form1;
    Form1.show();
    return app.exec();
}
