#include "lib/application/dialogs.h"

#include "lib/application/application.h"
#include "lib/application/messagebox.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFontDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QSettings>

void ShowMessage(const QString& text) {
    TMessageBox box(QMessageBox::NoIcon, Application->Title(), text);
    box.setObjectName(QStringLiteral("ShowMessage"));
    box.SetCentredOnScreen(true);
    if (QWidget* active = QApplication::activeWindow())
        box.setScreen(active->screen());
    execMessageBox(box);
}

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
    // Qt's chooser itself, with its own OK and Cancel: Esc and Enter reach the dialog that owns
    // them, and nothing in it can hide a part of the chooser.
    QFontDialog dialog(owner);
    dialog.setObjectName(QStringLiteral("FontChooser"));
    dialog.setWindowTitle(QStringLiteral("Font"));
    dialog.setOptions(QFontDialog::DontUseNativeDialog);
    dialog.setCurrentFont(font_);

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
    auto* colorLabel = new QLabel(QStringLiteral("&Color:"), &dialog);
    colorLabel->setBuddy(colors);
    auto* colorRow = new QHBoxLayout;
    colorRow->addWidget(colorLabel);
    colorRow->addWidget(colors, 1);

    // The colour is one of the effects, after underline and strike-out.
    const QList<QCheckBox*> effects = dialog.findChildren<QCheckBox*>();
    auto* effectsBox = effects.isEmpty() ? nullptr : effects.last()->parentWidget();
    if (auto* column = effectsBox ? qobject_cast<QBoxLayout*>(effectsBox->layout()) : nullptr) {
        column->addLayout(colorRow);
        QWidget::setTabOrder(effects.last(), colors);
    } else if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        grid->addLayout(colorRow, grid->rowCount(), 0, 1, grid->columnCount());
    }

    placeChooser(&dialog, owner);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    font_ = dialog.currentFont();
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
