#include "lib/application/dialogs.h"

#include "lib/application/application.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>

void ShowMessage(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, Application->Title(), text, QMessageBox::Ok);
    box.setObjectName(QStringLiteral("ShowMessage"));
    box.setEscapeButton(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (QWidget* active = QApplication::activeWindow())
        screen = active->screen();
    if (screen) {
        // Wrapped at half the screen's width, as message boxes are.
        if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label")))
            label->setMaximumWidth(screen->geometry().width() / 2);
        box.adjustSize();
        const QRect r = screen->geometry();
        box.move(r.center() - QPoint(box.width() / 2, box.height() / 2));
    }
    execMessageBox(box);
}

#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QPainter>
#include <QSettings>
#include <QVBoxLayout>

void placeChooser(QWidget* dialog, QWidget* owner) {
    QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    dialog->adjustSize();
    const QRect area = screen->geometry();
    dialog->move(area.left() + (area.width() - dialog->width()) / 2,
                 area.top() + (area.height() - dialog->height()) / 3);
}

namespace {

const std::array<std::pair<QColor, const char*>, 16> BasicColors = {{
    {QColor(0, 0, 0), "Black"},
    {QColor(128, 0, 0), "Maroon"},
    {QColor(0, 128, 0), "Green"},
    {QColor(128, 128, 0), "Olive"},
    {QColor(0, 0, 128), "Navy"},
    {QColor(128, 0, 128), "Purple"},
    {QColor(0, 128, 128), "Teal"},
    {QColor(128, 128, 128), "Gray"},
    {QColor(192, 192, 192), "Silver"},
    {QColor(255, 0, 0), "Red"},
    {QColor(0, 255, 0), "Lime"},
    {QColor(255, 255, 0), "Yellow"},
    {QColor(0, 0, 255), "Blue"},
    {QColor(255, 0, 255), "Fuchsia"},
    {QColor(0, 255, 255), "Aqua"},
    {QColor(255, 255, 255), "White"},
}};

QIcon swatch(const QColor& color) {
    QPixmap pixmap(16, 12);
    pixmap.fill(color);
    QPainter painter(&pixmap);
    painter.setPen(Qt::darkGray);
    painter.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    return QIcon(pixmap);
}

// "Tahoma" 8 points: 11 pixels high at 96 pixels per inch.
QFont initialChooserFont() {
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSize(8);
    return font;
}

} // namespace

TFontDialog::TFontDialog(QObject* parent)
    : QObject(parent), font_(initialChooserFont()), color_(Qt::black) {}

bool TFontDialog::Execute(QWidget* owner) {
    QDialog dialog(owner);
    dialog.setObjectName(QStringLiteral("FontChooser"));
    dialog.setWindowTitle(QStringLiteral("Font"));
    auto* fonts = new QFontDialog(&dialog);
    fonts->setObjectName(QStringLiteral("FontChooserFonts"));
    fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    fonts->setWindowFlags(Qt::Widget);
    fonts->setCurrentFont(font_);

    auto* colors = new QComboBox(&dialog);
    colors->setObjectName(QStringLiteral("FontChooserColor"));
    for (const auto& [color, name] : BasicColors)
        colors->addItem(swatch(color), QString::fromLatin1(name), color);
    int current = colors->findData(color_);
    if (current < 0) {
        colors->addItem(swatch(color_), QStringLiteral("Custom"), color_);
        current = colors->count() - 1;
    }
    colors->setCurrentIndex(current);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);

    auto* colorRow = new QHBoxLayout;
    auto* colorLabel = new QLabel(QStringLiteral("&Color:"), &dialog);
    colorLabel->setBuddy(colors);
    colorRow->addWidget(colorLabel);
    colorRow->addWidget(colors, 1);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(fonts);
    layout->addLayout(colorRow);
    layout->addWidget(buttons);

    placeChooser(&dialog, owner);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    font_ = fonts->currentFont();
    color_ = colors->currentData().value<QColor>();
    return true;
}

TColorDialog::TColorDialog(QObject* parent) : QObject(parent) {
    // Qt's colour dialog reads and writes its custom colours in the user's QtProject.conf by
    // itself; pointing the user scope at a path that cannot be a folder keeps it off the disk.
    static const bool offDisk = [] {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QStringLiteral("/dev/null"));
        return true;
    }();
    Q_UNUSED(offDisk);
    custom_.fill(QColor(Qt::white));
}

bool TColorDialog::Execute(QWidget* owner) {
    QColorDialog dialog(color_, owner);
    dialog.setObjectName(QStringLiteral("ColorChooser"));
    dialog.setOptions(QColorDialog::DontUseNativeDialog);
    for (int i = 0; i < CustomColorCount; ++i)
        QColorDialog::setCustomColor(i, custom_[size_t(i)]);
    placeChooser(&dialog, owner);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    color_ = dialog.selectedColor();
    for (int i = 0; i < CustomColorCount; ++i)
        custom_[size_t(i)] = QColorDialog::customColor(i);
    return true;
}
