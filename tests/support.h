#pragma once

// Helpers for driving the real window: modal boxes seen and closed without a person, JPEG files
// decoded with libjpeg, rasters saved for the reference encoder.

#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

class TForm1;

namespace testing {

// Sets the process up as the program's entry does: the user's locale and its code page, the
// application object initialised and titled, and a file-size limit that fails a write instead of
// ending the process.
void startLikeTheProgram();

// Mounts the process makes from now on are its own and vanish with it, whatever becomes of it
// (needs root; without it nothing changes).
void keepMountsPrivate();

// The main window as the program opens it, with programFolder (ending with its separator) as the
// program folder; null when it did not get on screen.
std::unique_ptr<TForm1> openMainWindow(const QString& programFolder);

struct SeenBox {
    QString objectName;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
};

// Runs action; every modal dialog it opens is recorded and then handled by respond
// (default: accepted). Returns the dialogs in the order they appeared.
std::vector<SeenBox> whileClosingModals(const std::function<void()>& action,
                                        const std::function<void(QWidget*)>& respond = {});

// A stand-in for the desktop's opener (xdg-open), first in PATH for the life of the object; it
// records every call.
class StandInOpener {
public:
    StandInOpener();
    ~StandInOpener();
    bool isValid() const { return valid_; }
    // One "path|argument count" per call, oldest first.
    QList<QByteArray> calls() const;

private:
    QTemporaryDir bin_;
    QByteArray path_;
    bool valid_ = false;
};

// Decodes a JPEG file with libjpeg into RGB888; a null image when it is no JPEG.
QImage decodeJpeg(const QString& path);
// Whether the file is a JPEG that decodes to its end marker without a complaint from libjpeg:
// a cut or damaged stream still decodes (padded with grey) but is not whole.
bool jpegIsWhole(const QString& path);
// Writes the raster as a binary PPM, the reference encoder's input.
bool writePpm(const QImage& image, const QString& path);
QByteArray readFile(const QString& path);
QStringList filesIn(const QString& folder);

// Rows [from, to) of the image that hold a pixel darker than the threshold.
bool hasInk(const QImage& image, int from, int to, int threshold = 128);
// Runs of rows holding ink above row to: one per line of text drawn.
int inkBands(const QImage& image, int to);

// The three lines a conversion adds, CR LF separated, without a final line break.
QString footer();
// What the text area's text becomes after one conversion.
QString withFooter(const QString& text);
// The text with each lone surrogate as U+FFFD: what the code page writes for it.
QString withoutLoneSurrogates(const QString& text);

} // namespace testing
