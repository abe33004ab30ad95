// Fuzz target: arbitrary bytes, read as UTF-8 text, go through the real conversion; every
// outcome is a picture of the size the layout gives with its text copy, or one of the program's
// messages with nothing left behind. Anything else aborts.
//
// Input: the first byte picks the text area's font size (low 4 bits) and whether the text is
// repeated to pass the length limit (high bit); the rest is the text.

#include "lib/application/application.h"
#include "lib/application/dialogs.h"
#include "lib/picture/codepage.h"
#include "lib/picture/memo.h"
#include "shell/Communal.h"
#include "tests/support.h"
#include "ui/Unit1.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QTemporaryDir>
#include <array>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

QApplication* app = nullptr;
QTemporaryDir* folder = nullptr;
TForm1* form = nullptr;
QString pic;
QString message;

// 0 keeps the text area's own font.
constexpr std::array<int, 16> PixelSizes = {0,  1,   2,   5,    9,     14,    20,    33,
                                            60, 120, 300, 1000, 17651, 28923, 65535, 70000};

[[noreturn]] void fail(const char* what, const QString& detail = {}) {
    std::fprintf(stderr, "fuzz_conversion: %s %s\n", what, qPrintable(detail.left(300)));
    std::abort();
}

bool isProgramFailure(const QString& text) {
    return text == QLatin1String("Word is too long!") ||
           text == exceptionBoxText(QStringLiteral("JPEG error #41")) ||
           text == exceptionBoxText(QStringLiteral("Stream write error")) ||
           text.startsWith(QLatin1String("Cannot create file \""));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::setlocale(LC_ALL, "");
    std::signal(SIGXFSZ, SIG_IGN);
    app = new QApplication(*argc, *argv);
    codepage::reload();
    Application->SetTitle(TForm1::Caption);
    folder = new QTemporaryDir;
    if (!folder->isValid())
        fail("no temporary folder");
    Communal::SetProgramFolder(folder->path());
    pic = folder->filePath(QStringLiteral("Pic/"));
    SetMessageBoxHook([](QMessageBox& box) {
        message = box.text();
        return true;
    });
    form = new TForm1;
    form->show();
    QCoreApplication::processEvents();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    TMemo* memo = form->Memo1;
    QFont font = memo->font();
    const int pixels = PixelSizes[data[0] & 0x0F];
    font.setPixelSize(pixels ? pixels : 14);
    memo->setFont(font);
    QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    if (data[0] & 0x80)
        text = text.repeated(25);
    memo->SetText(text);
    const QString before = memo->Text();
    message.clear();
    Application->Guard([] { form->BitBtn1Click(); });

    const QStringList files = testing::filesIn(pic);
    const QString saved = QStringLiteral("Picture has been saved to the path Pic name:");
    if (message.startsWith(saved)) {
        const QString stamp = message.mid(saved.size()).chopped(4);
        if (files != QStringList({stamp + ".jpg", stamp + ".txt"}))
            fail("files other than the picture and its copy:", files.join(", "));
        const QImage image = testing::decodeJpeg(pic + stamp + ".jpg");
        if (image.isNull())
            fail("the picture does not decode");
        if (image.width() != memo->viewport()->width() ||
            image.height() != MemoSnapshot(*memo).linesHeight() + TForm1::ExtraHeight)
            fail("wrong picture size");
        if (memo->Text() != testing::withFooter(before))
            fail("the text area lost its text");
        const QString copy = codepage::decode(testing::readFile(pic + stamp + ".txt"));
        if (copy != testing::withoutLoneSurrogates(memo->Text()))
            fail("the text copy differs from the text");
    } else if (isProgramFailure(message)) {
        if (!files.isEmpty())
            fail("files left after a failure:", files.join(", "));
        const bool refused = message == QLatin1String("Word is too long!");
        if (memo->Text() != (refused ? before : testing::withFooter(before)))
            fail("the text area lost its text");
    } else {
        fail("unexpected outcome:", message);
    }
    for (const QString& name : files)
        QFile::remove(pic + name);
    return 0;
}
